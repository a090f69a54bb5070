// The main window's commands on the offscreen platform: the settings
// restore, the outside links, the wallpaper commands, and the secondary
// windows it opens, disabled behind them until they close.
#include "FolderList.h"
#include "MainWindowFixture.h"
#include "MediaPlayer.h"
#include "RecordingRunner.h"
#include "TarnwellSoftware.h"

#include <QtTest>
#include <QtWidgets>

namespace {

QImage testPicture(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

} // namespace

class TestWindowCommands : public QObject, private MainWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void restore_onNo_changesNothing_data();
    void restore_onNo_changesNothing();
    void restore_onYes_putsEverythingBack_data();
    void restore_onYes_putsEverythingBack();
    void captureOptions_showTheStoreAndStoreEachChoiceAtOnce_data();
    void captureOptions_showTheStoreAndStoreEachChoiceAtOnce();

    void links_openTheirTargets_data();
    void links_openTheirTargets();
    void sysCapture_opensTheCurrentFolder();

    void wallpaperChange_cancelled_changesNothing();
    void wallpaperChange_jpeg_becomesTheWallpaperBitmap();
    void wallpaperChange_unreadablePicture_keepsTheOldWallpaper();
    void wallpaperRemove_onlyOnYes();

    void secondaryWindows_disableTheMainWindow_untilClosed_data();
    void secondaryWindows_disableTheMainWindow_untilClosed();
    void sysAbout_fromTheNotificationArea_showsTheMainWindow();
    void folderManager_fromTheNotificationArea_showsTheMainWindow();
    void exit_unloadsTheOpenSecondaryWindows();
    void folderChooser_okStoresTheOpenFolder_otherwiseNothing_data();
    void folderChooser_okStoresTheOpenFolder_otherwiseNothing();
};

// ------------------------------------------------------- settings restore

void TestWindowCommands::restore_onNo_changesNothing_data()
{
    QTest::addColumn<int>("key"); // pressed in the real box; 0: answered No
    QTest::newRow("No") << 0;
    QTest::newRow("Escape") << int(Qt::Key_Escape);
}

void TestWindowCommands::restore_onNo_changesNothing()
{
    QFETCH(int, key);
    storeSetting("ImageExtensionJPG", "SaveExtensionJPG", "True");
    storeSetting("QualityValue", "QualityValue", "40");
    storeSetting("PictarroStartUp", "StartUp", "1");
    makeForm();
    const QByteArray before = [&] {
        QFile settings(m_env.settingsFile);
        return settings.open(QIODevice::ReadOnly) ? settings.readAll() : QByteArray();
    }();

    if (key)
        m_dialogs->pressNext(key);
    else
        m_dialogs->answerNext(Answer::No);
    control<QAction>("RestoreSet")->trigger();
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(m_dialogs->shown[0].title, "Confirm to restore settings");
    QCOMPARE(m_dialogs->shown[0].text, "Are you sure you want to restore Pictarro settings ?");
    QVERIFY(control<QRadioButton>("JPG")->isChecked());
    QCOMPARE(control<QSlider>("Res")->value(), 40);
    QVERIFY(control<QCheckBox>("StartUpCheck")->isChecked());
    QVERIFY(QFileInfo::exists(autostartEntry(m_machineConfig, "Pictarro")));
    QFile settings(m_env.settingsFile);
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QCOMPARE(settings.readAll(), before);
}

void TestWindowCommands::restore_onYes_putsEverythingBack_data()
{
    QTest::addColumn<int>("key");        // pressed in the real box; 0: answered Yes
    QTest::addColumn<QString>("format"); // chosen before the restore
    QTest::newRow("Yes") << 0 << "JPG";
    QTest::newRow("Enter") << int(Qt::Key_Return) << "JPG";
    QTest::newRow("Yes, from PNG") << 0 << "PNG";
}

void TestWindowCommands::restore_onYes_putsEverythingBack()
{
    QFETCH(int, key);
    QFETCH(QString, format);
    storeSetting("ImageExtension" + format, "SaveExtension" + format, "True");
    storeSetting("QualityValue", "QualityValue", "40");
    storeSetting("PictarroStartUp", "StartUp", "1");
    storeSetting("PictarroMinimized", "Minimized", "1");
    storeSetting("ImageName", "SaveName", "Holiday");
    storeSetting("CaptureCounter", "CaptureCounter", "41");
    storeSetting("CapturePath", "Folder", m_root->filePath("elsewhere"));
    storeSetting("WAV-File-Path", "SelectedSong", m_root->filePath("ding.wav"));
    storeSetting("ClipboardAfterCapture", "Mode", "File");
    storeSetting("CaptureNotification", "Notify", "1");
    makeForm();
    QMetaObject::invokeMethod(m_form.get(), "Disabled_Click");
    QVERIFY(!m_form->captureEnabled());

    if (key)
        m_dialogs->pressNext(key);
    else
        m_dialogs->answerNext(Answer::Yes);
    control<QAction>("RestoreSet")->trigger();

    const QString folder = m_env.programFolder + "/Captured Screens";
    QCOMPARE(control<QLineEdit>("CapturePath")->text(), folder);
    QCOMPARE(control<QLineEdit>("ImageCounter")->text(), "0");
    QCOMPARE(control<QLineEdit>("ImageName")->text(), "Pictarro");
    QVERIFY(!control<QCheckBox>("StartUpCheck")->isChecked());
    QVERIFY(!control<QCheckBox>("MiniCheck")->isChecked());
    QVERIFY(control<QRadioButton>("BMP")->isChecked());
    QCOMPARE(control<QSlider>("Res")->value(), 100);
    QVERIFY(!control<QSlider>("Res")->isEnabled());
    QCOMPARE(control<QLabel>("ResCaption")->text(), "100");
    QVERIFY(m_form->captureEnabled());
    QCOMPARE(control<QLabel>("EnableDisable")->text(), "Enabled");
    QCOMPARE(control<platform::MediaPlayer>("MediaPlayer")->fileName(), QString());
    QVERIFY(!QFileInfo::exists(autostartEntry(m_machineConfig, "Pictarro")));
    invoke("SAM_Click");
    QVERIFY(shownWindow("SoundForm"));
    QCOMPARE(shownWindow("SoundForm")->findChild<QLineEdit *>("SoundPath")->text(), QString());

    QCOMPARE(stored("CapturePath", "Folder"), folder);
    QCOMPARE(stored("CaptureCounter", "CaptureCounter"), "0");
    QCOMPARE(stored("ImageName", "SaveName"), "Pictarro");
    QCOMPARE(stored("PictarroStartUp", "StartUp"), "0");
    QCOMPARE(stored("PictarroMinimized", "Minimized"), "0");
    QCOMPARE(stored("ImageExtensionJPG", "SaveExtensionJPG"), "False");
    QCOMPARE(stored("ImageExtensionPNG", "SaveExtensionPNG"), "False");
    QCOMPARE(stored("QualityValue", "QualityValue"), "100");
    QVERIFY(platform::SettingsStore(m_env.settingsFile).contains("WAV-File-Path", "SelectedSong"));
    QCOMPARE(stored("WAV-File-Path", "SelectedSong"), QString());
    QCOMPARE(stored("ClipboardAfterCapture", "Mode"), "Empty");
    QCOMPARE(stored("CaptureNotification", "Notify"), "0");

    QCOMPARE(m_dialogs->shown.size(), 2);
    QCOMPARE(m_dialogs->shown[1].icon, Icon::Information);
    QCOMPARE(m_dialogs->shown[1].title, "Pictarro");
    QCOMPARE(m_dialogs->shown[1].text, "Pictarro settings have been successfully restored.");

    // A restart keeps what the restore stored.
    m_form.reset();
    makeForm();
    QVERIFY(control<QRadioButton>("BMP")->isChecked());
    QCOMPARE(control<QSlider>("Res")->value(), 100);
    QVERIFY(m_form->isVisible());
    invoke("CaptureOptionsMenu_Click");
    QVERIFY(shownWindow("CaptureOptions"));
    QVERIFY(shownWindow("CaptureOptions")->findChild<QRadioButton *>("EmptyChoice")->isChecked());
    QVERIFY(!shownWindow("CaptureOptions")->findChild<QCheckBox *>("NotifyCheck")->isChecked());
}

void TestWindowCommands::captureOptions_showTheStoreAndStoreEachChoiceAtOnce_data()
{
    QTest::addColumn<QString>("storedMode"); // before the window opens
    QTest::addColumn<QString>("shown");      // the choice it shows
    QTest::addColumn<QString>("clicked");    // then clicked
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value"); // stored at once
    QTest::newRow("nothing stored, picture") << ""
                                             << "EmptyChoice"
                                             << "PictureChoice"
                                             << "ClipboardAfterCapture"
                                             << "Mode"
                                             << "Picture";
    QTest::newRow("unknown stored, file") << "Both"
                                          << "EmptyChoice"
                                          << "FileChoice"
                                          << "ClipboardAfterCapture"
                                          << "Mode"
                                          << "File";
    QTest::newRow("file, back to empty") << "File"
                                         << "FileChoice"
                                         << "EmptyChoice"
                                         << "ClipboardAfterCapture"
                                         << "Mode"
                                         << "Empty";
    QTest::newRow("picture, notification on") << "Picture"
                                              << "PictureChoice"
                                              << "NotifyCheck"
                                              << "CaptureNotification"
                                              << "Notify"
                                              << "1";
}

void TestWindowCommands::captureOptions_showTheStoreAndStoreEachChoiceAtOnce()
{
    QFETCH(QString, storedMode);
    QFETCH(QString, shown);
    QFETCH(QString, clicked);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    if (!storedMode.isEmpty())
        storeSetting("ClipboardAfterCapture", "Mode", storedMode);
    makeForm();
    invoke("CaptureOptionsMenu_Click");
    QWidget *options = shownWindow("CaptureOptions");
    QVERIFY(options);
    QVERIFY(options->findChild<QAbstractButton *>(shown)->isChecked());
    options->findChild<QAbstractButton *>(clicked)->click();
    QCOMPARE(stored(section, key), value);
    // Kept while the window is still open, and shown by the next one.
    QTest::keyClick(options, Qt::Key_Escape);
    QCOMPARE(stored(section, key), value);
    invoke("SysOptions_Click");
    QTRY_VERIFY(shownWindow("CaptureOptions"));
    QVERIFY(shownWindow("CaptureOptions")->findChild<QAbstractButton *>(clicked)->isChecked());
}

// ------------------------------------------------------------ outside links

void TestWindowCommands::links_openTheirTargets_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("target");
    const QString product = TarnwellSoftware::ProductPage;
    const QString mail = "mailto:" + TarnwellSoftware::SupportAddress;
    QTest::newRow("ConverterMenu") << "ConverterMenu"
                                   << "program:Vantler";
    QTest::newRow("DisEna") << "DisEna"
                            << "program:Vantler";
    QTest::newRow("LicenseAgreement") << "LicenseAgreement"
                                      << "program:License Agreement.rtf";
    QTest::newRow("Contact") << "Contact" << mail;
    QTest::newRow("SysContact") << "SysContact" << mail;
    QTest::newRow("OnWeb") << "OnWeb" << product;
    QTest::newRow("FreeUtilities") << "FreeUtilities" << product;
}

void TestWindowCommands::links_openTheirTargets()
{
    QFETCH(QString, command);
    QFETCH(QString, target);
    if (target.startsWith("program:")) {
        target = m_env.programFolder + "/" + target.mid(8);
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    makeForm();
    if (auto *action = m_form->findChild<QAction *>(command))
        action->trigger();
    else
        QTest::mouseClick(m_form->findChild<QWidget *>(command), Qt::LeftButton);
    QCOMPARE(m_launcher->targets(), QStringList{target});
    QVERIFY(m_form->isEnabled());
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestWindowCommands::sysCapture_opensTheCurrentFolder()
{
    makeForm();
    const QString folder = m_root->filePath("other folder");
    QVERIFY(QDir().mkpath(folder));
    control<QLineEdit>("CapturePath")->setText(folder);
    control<QAction>("SysCapture")->trigger();
    QCOMPARE(m_launcher->targets(), QStringList{folder});
}

// ------------------------------------------------------ desktop wallpaper

void TestWindowCommands::wallpaperChange_cancelled_changesNothing()
{
    makeForm();
    RecordingRunner runner;
    m_dialogs->chooseNext(QString());
    control<QAction>("changewall")->trigger();
    QCOMPARE(m_dialogs->fileDialogs.size(), 1);
    QCOMPARE(m_dialogs->fileDialogs[0][1], "Select your picture..");
    QVERIFY(QDir(m_env.userDataFolder).isEmpty());
    QVERIFY(runner.commands().isEmpty());
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestWindowCommands::wallpaperChange_jpeg_becomesTheWallpaperBitmap()
{
    makeForm();
    RecordingRunner runner;
    qputenv("XDG_CURRENT_DESKTOP", "GNOME");
    const QString jpeg = m_root->filePath("beach.jpg");
    QVERIFY(testPicture(64, 48, qRgb(0, 128, 255)).save(jpeg, "JPG", 95));
    m_dialogs->chooseNext(jpeg);
    control<QAction>("changewall")->trigger();
    qunsetenv("XDG_CURRENT_DESKTOP");

    const QString wallpaper = m_env.userDataFolder + "/Pictarro Wallpaper.bmp";
    QCOMPARE(QDir(m_env.userDataFolder).entryList(QDir::Files),
             QStringList{"Pictarro Wallpaper.bmp"});
    QImageReader reader(wallpaper);
    QCOMPARE(reader.format(), QByteArray("bmp"));
    QCOMPARE(reader.size(), QSize(64, 48));
    bool handedOver = false;
    for (const QStringList &command : runner.commands())
        handedOver = handedOver || command.join(' ').contains("Pictarro%20Wallpaper.bmp") ||
                     command.join(' ').contains("Pictarro Wallpaper.bmp");
    QVERIFY(handedOver);
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestWindowCommands::wallpaperChange_unreadablePicture_keepsTheOldWallpaper()
{
    makeForm();
    RecordingRunner runner;
    const QString wallpaper = m_env.userDataFolder + "/Pictarro Wallpaper.bmp";
    QVERIFY(testPicture(8, 8, qRgb(255, 0, 0)).save(wallpaper, "BMP"));
    const QString damaged = m_root->filePath("damaged.jpg");
    QFile file(damaged);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\xff\xd8 not really a picture");
    file.close();

    m_dialogs->chooseNext(damaged);
    control<QAction>("changewall")->trigger();
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(m_dialogs->shown[0].icon, Icon::Critical);
    QCOMPARE(m_dialogs->shown[0].title, "Pictarro");
    QVERIFY(m_dialogs->shown[0].text.contains(damaged));
    QCOMPARE(QImage(wallpaper).pixel(0, 0), qRgb(255, 0, 0));
    QVERIFY(!QFileInfo::exists(m_env.userDataFolder + "/JunkPic.bmp"));
    QVERIFY(runner.commands().isEmpty());
}

void TestWindowCommands::wallpaperRemove_onlyOnYes()
{
    makeForm();
    RecordingRunner runner;
    qputenv("XDG_CURRENT_DESKTOP", "GNOME");
    m_dialogs->answerNext(Answer::No);
    control<QAction>("Removewallpaper")->trigger();
    QVERIFY(runner.commands().isEmpty());
    m_dialogs->pressNext(Qt::Key_Return); // Enter answers Yes
    control<QAction>("Removewallpaper")->trigger();
    qunsetenv("XDG_CURRENT_DESKTOP");
    QVERIFY(!runner.commands().isEmpty());
    QCOMPARE(m_dialogs->shown.size(), 2);
    QCOMPARE(m_dialogs->shown[0].title, "Confirm to remove");
    QCOMPARE(m_dialogs->shown[0].text,
             "Are you sure you want to remove your current desktop wallpaper?");
}

// ------------------------------------------- about and appreciation windows

void TestWindowCommands::secondaryWindows_disableTheMainWindow_untilClosed_data()
{
    QTest::addColumn<QString>("handler");
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("unloads");
    QTest::newRow("AboutMenu") << "AboutMenu_Click"
                               << "About" << false;
    QTest::newRow("LikeIt") << "LikeIt_Click"
                            << "ForScreenCapture" << false;
    QTest::newRow("FMM") << "FMM_Click"
                         << "FolderManager" << true;
    QTest::newRow("FM") << "FM_Click"
                        << "FolderManager" << true;
    QTest::newRow("SAM") << "SAM_Click"
                         << "SoundForm" << true;
    QTest::newRow("CaptureOptionsMenu") << "CaptureOptionsMenu_Click"
                                        << "CaptureOptions" << true;
    QTest::newRow("SA") << "SA_Click"
                        << "SoundForm" << true;
    QTest::newRow("Image1") << "Image1_Click"
                            << "NewFolder" << true;
}

void TestWindowCommands::secondaryWindows_disableTheMainWindow_untilClosed()
{
    QFETCH(QString, handler);
    QFETCH(QString, window);
    QFETCH(bool, unloads);
    makeForm();
    invoke(handler.toLatin1().constData());
    QVERIFY(!m_form->isEnabled());
    QWidget *opened = shownWindow(window);
    QVERIFY(opened);
    QVERIFY(opened->isEnabled());

    QTest::keyClick(opened, Qt::Key_Escape);
    QVERIFY(m_form->isEnabled());
    if (unloads)
        QTRY_VERIFY(!anyWindowOf(window));
    else
        QTRY_VERIFY(!shownWindow(window));

    // Opened again, it works as the first time.
    invoke(handler.toLatin1().constData());
    QVERIFY(!m_form->isEnabled());
    QTRY_VERIFY(shownWindow(window));
    QTest::keyClick(shownWindow(window), Qt::Key_Escape);
    QVERIFY(m_form->isEnabled());

    // Opened again before the closed one is gone: the new one stays.
    invoke(handler.toLatin1().constData());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QVERIFY(shownWindow(window));
    QVERIFY(!m_form->isEnabled());
}

void TestWindowCommands::sysAbout_fromTheNotificationArea_showsTheMainWindow()
{
    makeForm();
    invoke("TrayBox_Click");
    control<QAction>("SysAbout")->trigger();
    QVERIFY(m_form->isVisible());
    QVERIFY(!m_form->isMinimized());
    QVERIFY(!m_form->isEnabled());
    QVERIFY(!iconShown());
}

void TestWindowCommands::folderManager_fromTheNotificationArea_showsTheMainWindow()
{
    makeForm();
    invoke("TrayBox_Click");
    control<QAction>("FMTray")->trigger();
    QVERIFY(m_form->isVisible());
    QVERIFY(!m_form->isMinimized());
    QVERIFY(!m_form->isEnabled());
    QVERIFY(!iconShown());
    QVERIFY(shownWindow("FolderManager"));
    QTest::keyClick(shownWindow("FolderManager"), Qt::Key_Escape);
    QVERIFY(m_form->isEnabled());
    QVERIFY(m_form->isVisible());
}

void TestWindowCommands::exit_unloadsTheOpenSecondaryWindows()
{
    makeForm();
    invoke("FMM_Click");
    invoke("Quit1_Click");
    QVERIFY(!anyWindowOf("FolderManager"));
    QVERIFY(!anyWindowOf("SoundForm"));
}

void TestWindowCommands::folderChooser_okStoresTheOpenFolder_otherwiseNothing_data()
{
    QTest::addColumn<QString>("leaveBy");
    QTest::addColumn<bool>("taken");
    QTest::newRow("OK") << "OK" << true;
    QTest::newRow("Cancel") << "Cancel" << false;
    QTest::newRow("Esc") << "Esc" << false;
}

void TestWindowCommands::folderChooser_okStoresTheOpenFolder_otherwiseNothing()
{
    QFETCH(QString, leaveBy);
    QFETCH(bool, taken);
    const QString shots = m_root->filePath("shots");
    const QString chosen = shots + "/2026";
    QVERIFY(QDir().mkpath(chosen));
    storeSetting("CapturePath", "Folder", shots);
    makeForm();

    invoke("Image1_Click");
    QVERIFY(!m_form->isEnabled());
    QWidget *chooser = shownWindow("NewFolder");
    QVERIFY(chooser);
    auto *ok = chooser->findChild<QPushButton *>("OK");
    if (!ok->isEnabled())
        QSKIP("the temporary folder is not on a hard or removable drive here");
    QCOMPARE(chooser->findChild<QLineEdit *>("CurrentPath")->text(), shots);
    chooser->findChild<FolderList *>("Dir")->setPath(chosen);

    if (leaveBy == "OK")
        ok->click();
    else if (leaveBy == "Cancel")
        chooser->findChild<QPushButton *>("Cancel")->click();
    else
        QTest::keyClick(chooser, Qt::Key_Escape);

    QVERIFY(m_form->isEnabled());
    QTRY_VERIFY(!anyWindowOf("NewFolder"));
    const QString expected = taken ? chosen : shots;
    QCOMPARE(control<QLineEdit>("CapturePath")->text(), expected);
    QCOMPARE(stored("CapturePath", "Folder"), expected);
    QCOMPARE(control<QToolButton>("OpenFolder")->toolTip(), "Open: [ " + expected + " ]");
    QVERIFY(m_dialogs->shown.isEmpty());
}

QTEST_MAIN(TestWindowCommands)
#include "tst_windowcommands.moc"
