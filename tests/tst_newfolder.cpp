// The drive table read from mount lists, and the capture-folder chooser on
// the offscreen platform with temporary folders standing in for drives.
#include "Drives.h"
#include "FolderList.h"
#include "NewFolder.h"
#include "ScriptedDialogs.h"

#include <QtTest>
#include <QtWidgets>

using platform::Drive;
using platform::DriveKind;

namespace {

template <typename Widget> Widget *control(QWidget &window, const char *name)
{
    return window.findChild<Widget *>(QLatin1String(name));
}

// A row of text columns.
void row(const char *name, std::initializer_list<const char *> columns)
{
    QTestData &data = QTest::newRow(name);
    for (const char *column : columns)
        data << QString::fromUtf8(column);
}

QTreeWidgetItem *listed(FolderList *list, const QString &name)
{
    const QList<QTreeWidgetItem *> items =
        list->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    return items.isEmpty() ? nullptr : items.first();
}

} // namespace

class TestNewFolder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        QVERIFY(m_root->isValid());
        for (const char *folder :
             {"hard/shots/day", "hard/shots/night", "hard/other", "cd", "nfs", "ram", "odd"})
            QVERIFY(QDir().mkpath(at(folder)));
        // "empty" is a removable drive without a medium: its folder is missing.
        m_drives = {{at("hard"), DriveKind::Hard},   {at("cd"), DriveKind::CdRom},
                    {at("nfs"), DriveKind::Remote},  {at("ram"), DriveKind::RamDisk},
                    {at("odd"), DriveKind::Unknown}, {at("empty"), DriveKind::Removable}};

        m_main = new QWidget;
        m_capturePath = new QLineEdit(QStringLiteral("/old"), m_main);
        m_openFolder = new QToolButton(m_main);
        m_openFolder->setToolTip(QStringLiteral("Open: [ /old ]"));
        m_main->show();
        m_main->setEnabled(false);
    }

    void cleanup()
    {
        delete m_main;
        m_main = nullptr;
        m_root.reset();
    }

    // Drives from mount tables

    void driveKind_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("fsType");
        QTest::addColumn<QString>("expected");

        row("local ext4 disk", {"/dev/sda2", "ext4", "Hard"});
        row("USB stick", {"/dev/sdb1", "vfat", "Removable"});
        row("NFS", {"server:/export", "nfs4", "Remote"});
        row("CIFS", {"//server/share", "cifs", "Remote"});
        row("sshfs", {"ann@host:/", "fuse.sshfs", "Remote"});
        row("optical disc", {"/dev/sr0", "iso9660", "Cd-Rom"});
        row("DVD as udf", {"/dev/sr1", "udf", "Cd-Rom"});
        row("tmpfs", {"tmpfs", "tmpfs", "Ram disk"});
        row("container root", {"overlay", "overlay", "Hard"});
        row("unknown fuse", {"thing", "fuse.thing", "Unknown"});
    }

    void driveKind()
    {
        QFETCH(QString, device);
        QFETCH(QString, fsType);
        QFETCH(QString, expected);
        const auto isRemovable = [](const QString &blockDevice) {
            return blockDevice == "/dev/sdb1";
        };
        const QString text =
            platform::driveTypeText(platform::driveKind({device, "/mnt/x", fsType}, isRemovable));
        QCOMPARE(text, expected);
        QCOMPARE(platform::isAccepted(text), expected == "Hard" || expected == "Removable");
    }

    void diskName_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("disk");
        row("SCSI partition", {"sdb1", "sdb"});
        row("many disks", {"sdab12", "sdab"});
        row("virtual disk", {"vda3", "vda"});
        row("memory card", {"mmcblk0p1", "mmcblk0"});
        row("NVMe", {"nvme0n1p2", "nvme0n1"});
        row("whole disk", {"sda", "sda"});
        row("loop device", {"loop0", "loop0"});
        row("optical", {"sr0", "sr0"});
    }

    void diskName()
    {
        QFETCH(QString, device);
        QFETCH(QString, disk);
        QCOMPARE(platform::diskName(device), disk);
    }

    void parseMounts_decodesEscapes()
    {
        const QList<platform::MountEntry> mounts =
            platform::parseMounts("/dev/sdb1 /media/ann/My\\040Stick vfat rw 0 0\n"
                                  "broken-line\n"
                                  "//srv/a\\134b /mnt/tab\\011here\\012x cifs rw 0 0\n"
                                  "/dev/sdc1 /media/ann/\xc3\xa9t\xc3\xa9 ext4 rw 0 0");
        QCOMPARE(mounts.size(), 3);
        QCOMPARE(mounts[0].device, QStringLiteral("/dev/sdb1"));
        QCOMPARE(mounts[0].mountPoint, QStringLiteral("/media/ann/My Stick"));
        QCOMPARE(mounts[0].fsType, QStringLiteral("vfat"));
        QCOMPARE(mounts[1].device, QStringLiteral("//srv/a\\b"));
        QCOMPARE(mounts[1].mountPoint, QStringLiteral("/mnt/tab\there\nx"));
        QCOMPARE(mounts[2].mountPoint, QStringLiteral("/media/ann/\u00e9t\u00e9"));
    }

    void drivesOf_leavesOutPseudoFileSystemsAndHiddenMounts()
    {
        const QByteArray table = "sysfs /sys sysfs rw 0 0\nproc /proc proc rw 0 0\n"
                                 "udev /dev devtmpfs rw 0 0\ndevpts /dev/pts devpts rw 0 0\n"
                                 "tmpfs /run tmpfs rw 0 0\n/dev/sda1 / ext4 rw 0 0\n"
                                 "tmpfs /dev/shm tmpfs rw 0 0\nmqueue /dev/mqueue mqueue rw 0 0\n"
                                 "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
                                 "systemd-1 /proc/sys/fs/binfmt_misc autofs rw 0 0\n"
                                 "tmpfs /run/user/1000 tmpfs rw 0 0\n"
                                 "portal /run/user/1000/doc fuse.portal rw 0 0\n"
                                 "/dev/sdc1 /mnt/a ext4 rw 0 0\n//srv/share /mnt/a cifs rw 0 0\n"
                                 "tmpfs /tmp tmpfs rw 0 0\n/dev/sdb1 /media/u/USB vfat rw 0 0\n";
        const QList<Drive> drives =
            platform::drivesOf(platform::parseMounts(table),
                               [](const QString &device) { return device == "/dev/sdb1"; });
        QStringList seen;
        for (const Drive &drive : drives)
            seen << drive.text + '=' + platform::driveTypeText(drive.kind);
        QCOMPARE(seen, (QStringList{"/=Hard", "/media/u/USB=Removable", "/mnt/a=Remote",
                                    "/tmp=Ram disk"}));
    }

    void driveOf_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("drive");
        row("inside a mount", {"/home/ann/shots", "/home"});
        row("the mount point itself", {"/home", "/home"});
        row("a name that only starts alike", {"/homework/x", "/"});
        row("deepest mount wins", {"/media/u/USB/shots/", "/media/u/USB"});
        row("dot-dot leaves the mount", {"/home/../etc", "/"});
        row("relative path", {"shots", ""});
    }

    void driveOf()
    {
        QFETCH(QString, path);
        QFETCH(QString, drive);
        const QList<Drive> drives{{"/", DriveKind::Hard},
                                  {"/home", DriveKind::Hard},
                                  {"/media/u/USB", DriveKind::Removable}};
        QCOMPARE(platform::driveOf(path, drives), drive);
    }

    void mountedDrives_holdTheRoot()
    {
        QCOMPARE(platform::driveOf("/", platform::mountedDrives()), QStringLiteral("/"));
    }

    // The chooser

    void openAt_selectsTheCaptureFoldersDrive_data()
    {
        QTest::addColumn<QString>("captureFolder");
        QTest::addColumn<QString>("openFolder");
        row("existing folder", {"hard/shots/day", "hard/shots/day"});
        row("missing folder: the drive's root", {"hard/shots/gone", "hard"});
    }

    void openAt_selectsTheCaptureFoldersDrive()
    {
        QFETCH(QString, captureFolder);
        QFETCH(QString, openFolder);
        ScriptedDialogs dialogs;
        auto window = chooser();
        window->openAt(at(captureFolder));

        QVERIFY(window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Browse For New Folder"));
        QCOMPARE(control<QGroupBox>(*window, "Frame1")->title(),
                 QStringLiteral(" Please select a destination folder on the local machine to save "
                                "your captured screens: "));
        QCOMPARE(control<QComboBox>(*window, "Drive")->currentText(), at("hard"));
        QCOMPARE(control<FolderList>(*window, "Dir")->path(), at(openFolder));
        QCOMPARE(control<QLineEdit>(*window, "CurrentPath")->text(), at(openFolder));
        QCOMPARE(control<QLineEdit>(*window, "DriveName")->text(), at("hard"));
        QCOMPARE(control<QLineEdit>(*window, "DriveType")->text(), QStringLiteral("Hard"));
        QVERIFY(control<QPushButton>(*window, "OK")->isEnabled());
        auto *timer = control<QTimer>(*window, "PathTimer");
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 100);
        QVERIFY(dialogs.shown.isEmpty());
        window->hide();
        QVERIFY(!timer->isActive());
    }

    void drive_refused_data()
    {
        QTest::addColumn<QString>("drive");
        QTest::addColumn<QString>("driveType");
        row("CD-ROM", {"cd", "Cd-Rom"});
        row("network drive, though reachable", {"nfs", "Remote"});
        row("RAM disk", {"ram", "Ram disk"});
        row("unknown kind", {"odd", "Unknown"});
        row("removable drive without a medium", {"empty", "Removable"});
    }

    void drive_refused()
    {
        QFETCH(QString, drive);
        QFETCH(QString, driveType);
        ScriptedDialogs dialogs;
        auto window = chooser();
        window->openAt(at("hard/shots/day"));
        auto *Drive = control<QComboBox>(*window, "Drive");
        auto *Dir = control<FolderList>(*window, "Dir");
        auto *OK = control<QPushButton>(*window, "OK");

        Drive->setCurrentIndex(Drive->findText(at(drive)));
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown[0].icon, platform::Dialogs::Icon::Critical);
        QCOMPARE(dialogs.shown[0].title, QStringLiteral("Pictarro"));
        QCOMPARE(dialogs.shown[0].text,
                 "Unable to reach your selected partition: (" + at(drive) + ")");
        QCOMPARE(control<QLineEdit>(*window, "DriveType")->text(), driveType);
        QVERIFY(!Dir->isEnabled());
        QVERIFY(!OK->isEnabled());
        QCOMPARE(Drive->currentText(), at(drive));
        QCOMPARE(control<QLineEdit>(*window, "CurrentPath")->text(), at("hard/shots/day"));

        // A hard disk is accepted again, opening the folder last open on it.
        Drive->setCurrentIndex(Drive->findText(at("hard")));
        QVERIFY(Dir->isEnabled());
        QVERIFY(OK->isEnabled());
        QCOMPARE(Dir->path(), at("hard/shots/day"));
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(m_capturePath->text(), QStringLiteral("/old"));
    }

    void dir_opensTheHighlightedFolder_data()
    {
        QTest::addColumn<bool>("byKeyboard");
        QTest::newRow("double click") << false;
        QTest::newRow("Enter") << true;
    }

    void dir_opensTheHighlightedFolder()
    {
        QFETCH(bool, byKeyboard);
        ScriptedDialogs dialogs;
        auto window = chooser();
        window->openAt(at("hard/shots"));
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        auto *Dir = control<FolderList>(*window, "Dir");
        QTreeWidgetItem *night = listed(Dir, "night");
        QVERIFY(night);
        Dir->setCurrentItem(night);
        if (byKeyboard) {
            QTest::keyClick(Dir, Qt::Key_Return);
        } else {
            const QPoint spot = Dir->visualItemRect(night).center();
            QTest::mouseClick(Dir->viewport(), Qt::LeftButton, {}, spot);
            QCOMPARE(Dir->path(), at("hard/shots"));
            QTest::mouseDClick(Dir->viewport(), Qt::LeftButton, {}, spot);
        }
        QCOMPARE(Dir->path(), at("hard/shots/night"));
        QCOMPARE(control<QLineEdit>(*window, "CurrentPath")->text(), at("hard/shots/night"));
        // Opening a folder is not accepting it.
        QVERIFY(window->isVisible());
        QCOMPARE(m_capturePath->text(), QStringLiteral("/old"));
        // The folders above stay listed and open as well.
        Dir->setCurrentItem(listed(Dir, at("hard")));
        QTest::keyClick(Dir, Qt::Key_Enter);
        QCOMPARE(Dir->path(), at("hard"));
        QVERIFY(listed(Dir, "other"));
    }

    void ok_takesTheOpenFolderNotAHighlightedOne()
    {
        ScriptedDialogs dialogs;
        auto window = chooser();
        window->openAt(at("hard/shots"));
        QSignalSpy finished(window.get(), &QDialog::finished);
        auto *Dir = control<FolderList>(*window, "Dir");
        Dir->setCurrentItem(listed(Dir, "day"));

        control<QPushButton>(*window, "OK")->click();
        QCOMPARE(m_capturePath->text(), at("hard/shots"));
        QCOMPARE(m_openFolder->toolTip(), "Open: [ " + at("hard/shots") + " ]");
        QVERIFY(m_main->isEnabled());
        QVERIFY(!window->isVisible());
        QCOMPARE(finished.size(), 1);
        QVERIFY(dialogs.shown.isEmpty());
    }

    void closing_otherwiseChangesNothing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel") << "Cancel";
        QTest::newRow("Esc") << "Esc";
        QTest::newRow("title bar") << "title bar";
    }

    void closing_otherwiseChangesNothing()
    {
        QFETCH(QString, how);
        ScriptedDialogs dialogs;
        auto window = chooser();
        window->openAt(at("hard/shots/day"));
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QSignalSpy finished(window.get(), &QDialog::finished);
        control<FolderList>(*window, "Dir")->setPath(at("hard/other"));

        if (how == "Cancel")
            control<QPushButton>(*window, "Cancel")->click();
        else if (how == "Esc")
            QTest::keyClick(window.get(), Qt::Key_Escape);
        else
            QVERIFY(window->close());
        QVERIFY(!window->isVisible());
        QCOMPARE(finished.size(), 1);
        QVERIFY(m_main->isEnabled());
        QCOMPARE(m_capturePath->text(), QStringLiteral("/old"));
        QCOMPARE(m_openFolder->toolTip(), QStringLiteral("Open: [ /old ]"));
    }

    void ok_refusesAFolderThatCannotTakeCaptures_data()
    {
        QTest::addColumn<bool>("vanished");
        QTest::addColumn<QString>("reason");
        QTest::newRow("vanished since it was opened") << true << "does not exist";
        QTest::newRow("not writable") << false << "not allowed";
    }

    void ok_refusesAFolderThatCannotTakeCaptures()
    {
        QFETCH(bool, vanished);
        QFETCH(QString, reason);
        ScriptedDialogs dialogs;
        auto window = chooser();
        window->openAt(at("hard/shots/day"));
        if (vanished) {
            QVERIFY(QDir(at("hard/shots/day")).removeRecursively());
        } else {
            QVERIFY(
                QFile::setPermissions(at("hard/shots/day"), QFile::ReadOwner | QFile::ExeOwner));
            if (platform::whyNotWritable(at("hard/shots/day")).isEmpty())
                QSKIP("permissions do not restrict this user (root)");
        }

        control<QPushButton>(*window, "OK")->click();
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown[0].icon, platform::Dialogs::Icon::Critical);
        QCOMPARE(dialogs.shown[0].title, QStringLiteral("Pictarro"));
        QVERIFY2(dialogs.shown[0].text.contains(at("hard/shots/day")),
                 qPrintable(dialogs.shown[0].text));
        QVERIFY2(dialogs.shown[0].text.contains(reason), qPrintable(dialogs.shown[0].text));
        QVERIFY(window->isVisible());
        QVERIFY(!m_main->isEnabled());
        QCOMPARE(m_capturePath->text(), QStringLiteral("/old"));
        QCOMPARE(m_openFolder->toolTip(), QStringLiteral("Open: [ /old ]"));
    }

    void refresh_readsDrivesAndFoldersAgain()
    {
        ScriptedDialogs dialogs;
        auto window = chooser();
        window->openAt(at("hard/shots"));
        auto *Drive = control<QComboBox>(*window, "Drive");
        auto *Dir = control<FolderList>(*window, "Dir");
        QVERIFY(QDir().mkpath(at("hard/shots/evening")));
        QVERIFY(QDir().mkpath(at("usb2")));
        m_drives.append({at("usb2"), DriveKind::Removable});
        QVERIFY(!listed(Dir, "evening"));

        control<QPushButton>(*window, "Command1")->click();
        QVERIFY(listed(Dir, "evening"));
        QVERIFY(Drive->findText(at("usb2")) >= 0);
        QCOMPARE(Drive->currentText(), at("hard"));
        QCOMPARE(Dir->path(), at("hard/shots"));
        QVERIFY(dialogs.shown.isEmpty());
    }

private:
    QString at(const QString &relative) const { return m_root->path() + '/' + relative; }
    std::unique_ptr<NewFolder> chooser()
    {
        return std::make_unique<NewFolder>(m_main, m_capturePath, m_openFolder,
                                           [this] { return m_drives; });
    }

    std::unique_ptr<QTemporaryDir> m_root;
    QList<Drive> m_drives;
    QWidget *m_main = nullptr;
    QLineEdit *m_capturePath = nullptr;
    QToolButton *m_openFolder = nullptr;
};

QTEST_MAIN(TestNewFolder)
#include "tst_newfolder.moc"
