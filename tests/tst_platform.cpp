// Platform services: what the desktop is asked to open or start, the
// previous-instance test, one-level folder creation, the sound device and
// what the clipboard manager keeps of an offer handed over.
#include "FileSystem.h"
#include "HandoverTarget.h"
#include "MediaPlayer.h"
#include "RecordingLauncher.h"
#include "ShellOpen.h"
#include "SingleInstance.h"

#include <QtTest>

using platform::ShellAction;

class TestPlatform : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void shellAction_data();
    void shellAction();
    void shellOpen_usesTheInstalledLauncher();

    void singleInstance_secondHolderIsRefused();
    void singleInstance_deadOwnersLockIsTakenOver();

    void createFolderLevel_makesOneLevelOnly();

    void mediaPlayer_openFailsQuietly_data();
    void mediaPlayer_openFailsQuietly();

    void handoverTarget_data();
    void handoverTarget();

private:
    QTemporaryDir m_root;
    QString m_programFolder;
    QString m_elsewhere;
};

namespace {

void writeFile(const QString &path, const QByteArray &bytes, bool executable)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    if (executable)
        QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeUser));
}

const QByteArray Elf("\x7f"
                     "ELF\x02\x01\x01",
                     7);

} // namespace

void TestPlatform::initTestCase()
{
    QVERIFY(m_root.isValid());
    m_programFolder = m_root.filePath("program folder");
    m_elsewhere = m_root.filePath("elsewhere");
    QVERIFY(QDir().mkpath(m_programFolder));
    QVERIFY(QDir().mkpath(m_elsewhere));
    writeFile(m_programFolder + "/Vantler", Elf, true);
    writeFile(m_programFolder + "/License Agreement.rtf", "{\\rtf1 }", true);
    writeFile(m_programFolder + "/helper.sh", "#!/bin/sh\necho hi\n", true);
    writeFile(m_programFolder + "/NotRunnable", Elf, false);
    writeFile(m_elsewhere + "/Vantler", Elf, true);
    writeFile(m_elsewhere + "/Pictarro 1.bmp", "BM", true);
    QVERIFY(QFile::link(m_elsewhere + "/Vantler", m_programFolder + "/Linked"));
}

void TestPlatform::shellAction_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("target");
    const QString program = m_programFolder;
    const QString other = m_elsewhere;
    const int start = ShellAction::Start;
    const int open = ShellAction::Open;
    QTest::newRow("program beside us is started")
        << program + "/Vantler" << start << program + "/Vantler";
    QTest::newRow("document with execute bit is opened")
        << program + "/License Agreement.rtf" << open << program + "/License Agreement.rtf";
    QTest::newRow("script beside us is opened, not run")
        << program + "/helper.sh" << open << program + "/helper.sh";
    QTest::newRow("program without execute bit is opened")
        << program + "/NotRunnable" << open << program + "/NotRunnable";
    QTest::newRow("program elsewhere is opened, not run")
        << other + "/Vantler" << open << other + "/Vantler";
    QTest::newRow("link to a program elsewhere is opened")
        << program + "/Linked" << open << program + "/Linked";
    QTest::newRow("capture with execute bit is opened")
        << other + "/Pictarro 1.bmp" << open << other + "/Pictarro 1.bmp";
    QTest::newRow("folder with blanks") << program << open << program;
    QTest::newRow("missing file is handed over")
        << other + "/gone.bmp" << open << other + "/gone.bmp";
    QTest::newRow("web address") << "https://pictarro.example.org/" << open
                                 << "https://pictarro.example.org/";
    QTest::newRow("mail address") << "mailto:support@tarnwell.example.com?subject=Hi%20there"
                                  << open
                                  << "mailto:support@tarnwell.example.com?subject=Hi%20there";
    QTest::newRow("empty") << "" << int(ShellAction::Nothing) << "";
}

void TestPlatform::shellAction()
{
    QFETCH(QString, file);
    QFETCH(int, kind);
    QFETCH(QString, target);
    const ShellAction action = platform::shellActionFor(file, m_programFolder);
    QCOMPARE(int(action.kind), kind);
    if (kind == ShellAction::Start)
        QCOMPARE(action.program, QFileInfo(target).canonicalFilePath());
    else if (kind == ShellAction::Open && target.contains(":"))
        QCOMPARE(action.url.toString(QUrl::FullyEncoded), target);
    else if (kind == ShellAction::Open)
        QCOMPARE(action.url, QUrl::fromLocalFile(target));
}

void TestPlatform::shellOpen_usesTheInstalledLauncher()
{
    RecordingLauncher launcher;
    platform::shellOpen(m_programFolder + "/Vantler", m_programFolder);
    platform::shellOpen(m_elsewhere + "/Vantler", m_programFolder);
    platform::shellOpen(QString(), m_programFolder);

    QCOMPARE(launcher.started,
             QStringList{QFileInfo(m_programFolder + "/Vantler").canonicalFilePath()});
    QCOMPARE(launcher.opened, QList<QUrl>{QUrl::fromLocalFile(m_elsewhere + "/Vantler")});
}

void TestPlatform::singleInstance_secondHolderIsRefused()
{
    const platform::SingleInstance first("PictarroTest");
    QVERIFY(!first.previousInstance());
    const platform::SingleInstance second("PictarroTest");
    QVERIFY(second.previousInstance());
    const platform::SingleInstance other("VantlerTest");
    QVERIFY(!other.previousInstance());
}

void TestPlatform::singleInstance_deadOwnersLockIsTakenOver()
{
    // A lock left by a process that no longer runs, as after a crash.
    QProcess gone;
    gone.start("true");
    QVERIFY(gone.waitForStarted());
    const qint64 pid = gone.processId();
    QVERIFY(gone.waitForFinished());
    QFile lock(platform::SingleInstance::lockPath("PictarroCrashed"));
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(pid) + "\n\n\n");
    lock.close();

    const platform::SingleInstance instance("PictarroCrashed");
    QVERIFY(!instance.previousInstance());
}

void TestPlatform::createFolderLevel_makesOneLevelOnly()
{
    const QString base = m_root.filePath("levels");
    QVERIFY(!platform::createFolderLevel(base + "/a/b")); // parent missing
    QVERIFY(!QFileInfo::exists(base));
    QVERIFY(platform::createFolderLevel(base));
    QVERIFY(!platform::createFolderLevel(base)); // exists already
    QVERIFY(platform::createFolderLevel(base + "/a"));
    QVERIFY(platform::isFolder(base + "/a"));
    QVERIFY(!platform::createFolderLevel(QString()));
    QVERIFY(!platform::isFolder(m_elsewhere + "/Vantler"));
}

void TestPlatform::mediaPlayer_openFailsQuietly_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("no sound assigned") << QString();
    QTest::newRow("missing file") << m_root.filePath("gone.wav");
    QTest::newRow("a folder") << m_programFolder;
}

void TestPlatform::mediaPlayer_openFailsQuietly()
{
    QFETCH(QString, file);
    platform::MediaPlayer player;
    QSignalSpy played(&player, &platform::MediaPlayer::played);
    player.setFileName(file);
    player.command("close");
    player.command("open");
    QVERIFY(!player.isOpen());
    player.command("play");
    QCOMPARE(played.count(), 0);
}

void TestPlatform::handoverTarget_data()
{
    QTest::addColumn<QStringList>("targets");
    QTest::addColumn<QString>("kept");
    const QStringList qtPicture{"application/x-qt-image",
                                "image/png",
                                "image/bmp",
                                "image/jpeg",
                                "PIXMAP",
                                "TARGETS",
                                "MULTIPLE",
                                "TIMESTAMP",
                                "SAVE_TARGETS"};
    QTest::newRow("a picture: its PNG") << qtPicture << "image/png";
    QTest::newRow("a picture without PNG") << QStringList{"TARGETS", "image/bmp"} << "image/bmp";
    QTest::newRow("text: UTF-8 first")
        << QStringList{"STRING", "TEXT", "UTF8_STRING", "text/plain;charset=utf-8"}
        << "UTF8_STRING";
    QTest::newRow("text as Latin-1 only") << QStringList{"TARGETS", "STRING"} << "STRING";
    QTest::newRow("a picture beside text: the text")
        << QStringList(qtPicture) + QStringList{"text/plain;charset=utf-8"}
        << "text/plain;charset=utf-8";
    QTest::newRow("a picture beside text not kept: nothing")
        << QStringList(qtPicture) + QStringList{"TEXT"} << "";
    QTest::newRow("neither") << QStringList{"TARGETS", "text/html", "PIXMAP"} << "";
    // Only bytes the manager checks as they arrive are read.
    QTest::newRow("a picture in a type not read: nothing")
        << QStringList{"TARGETS", "image/gif", "image/tiff"} << "";
}

void TestPlatform::handoverTarget()
{
    QFETCH(const QStringList, targets);
    QFETCH(const QString, kept);
    QCOMPARE(platform::handoverTarget(targets), kept);
}

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
