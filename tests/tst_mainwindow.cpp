// The main window as a desktop program on the offscreen platform: its menus
// and shortcuts, the header strip, the moves between shown, minimised and
// hidden behind the notification-area icon, launch at logon, the settings
// restore, the wallpaper commands and the outside links.
#include "FolderList.h"
#include "MainForm.h"
#include "MediaPlayer.h"
#include "RecordingLauncher.h"
#include "ScriptedDialogs.h"
#include "SettingsStore.h"
#include "ShellOpen.h"
#include "TarnwellSoftware.h"
#include "TrayIcon.h"
#include "Wallpaper.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// How long a test waits for what it expects: generous, as a loaded machine
// may be slow; a wait ends as soon as the expectation holds.
constexpr int WaitMs = 20000;

using Icon = platform::Dialogs::Icon;
using Answer = platform::Dialogs::Answer;

struct RecordingRunner : platform::CommandRunner
{
    RecordingRunner() { setInstance(this); }
    ~RecordingRunner() override { setInstance(nullptr); }
    RecordingRunner(const RecordingRunner &) = delete;
    RecordingRunner &operator=(const RecordingRunner &) = delete;

    Result run(const QStringList &command, int) override
    {
        commands << command;
        return {true, {}};
    }
    bool startDetached(const QStringList &command) override
    {
        commands << command;
        return true;
    }
    QList<QStringList> commands;
};

QImage testPicture(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QWidget *shownWindow(const QString &className)
{
    for (QWidget *topLevel : QApplication::topLevelWidgets()) {
        if (QLatin1String(topLevel->metaObject()->className()) == className &&
            topLevel->isVisible())
            return topLevel;
    }
    return nullptr;
}

bool anyWindowOf(const QString &className)
{
    const QWidgetList all = QApplication::topLevelWidgets();
    return std::any_of(all.begin(), all.end(), [&](QWidget *widget) {
        return QLatin1String(widget->metaObject()->className()) == className;
    });
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void menuItems_haveTheirCaptionsAndShortcuts_data();
    void menuItems_haveTheirCaptionsAndShortcuts();
    void shortcuts_areUnique();
    void notificationMenu_isInOrder();
    void hoverCaption_namesTheButtonUnderThePointer_data();
    void hoverCaption_namesTheButtonUnderThePointer();
    void switchCaptions_keepTheirBlanks();

    void trayBox_hides_andDoubleClickRestoresNormal();
    void notifications_otherThanDoubleClick_changeNothing_data();
    void notifications_otherThanDoubleClick_changeNothing();
    void sendToNotificationArea_keepsTheWindowState();
    void configuration_bringsTheWindowBack();
    void minimise_leavesNoIcon();
    void noNotificationArea_hidingMinimisesInstead_data();
    void noNotificationArea_hidingMinimisesInstead();
    void notificationAreaGone_whileHidden_windowComesBackMinimised();
    void startHidden_data();
    void startHidden();
    void miniCheck_isStoredAtOnce_andChangesNothingElse();
    void exitCommands_unloadTheWindow_iconFirst_data();
    void exitCommands_unloadTheWindow_iconFirst();

    void startUp_tickAndUntick_writeAndRemoveTheEntry();
    void startUp_storedTicked_rewritesTheEntryAtEveryStart();
    void startUp_emptyStore_removesAStaleEntry_storesNothing();
    void startUp_unwritableMachineFolder_usesTheUserFolder();

    void restore_onNo_changesNothing_data();
    void restore_onNo_changesNothing();
    void restore_onYes_putsEverythingBack_data();
    void restore_onYes_putsEverythingBack();

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

private:
    MainForm &makeForm();
    void storeSetting(const QString &section, const QString &key, const QString &value);
    QString stored(const QString &section, const QString &key) const;
    template <typename T> T *control(const char *name) const
    {
        auto *object = m_form->findChild<T *>(QLatin1String(name));
        if (!object)
            qFatal("no control %s", name);
        return object;
    }
    void invoke(const char *handler) { QVERIFY(QMetaObject::invokeMethod(m_form.get(), handler)); }
    void notify(int code)
    {
        QVERIFY(QMetaObject::invokeMethod(m_form.get(), "TrayIcon_Notify", Q_ARG(int, code)));
    }
    platform::TrayIcon *trayIcon() const { return m_form->findChild<platform::TrayIcon *>(); }
    bool iconShown() const;
    QString autostartEntry(const QString &folder, const QString &name) const
    {
        return QDir(folder).filePath(QStringLiteral("autostart/") + name + ".desktop");
    }

    std::unique_ptr<QTemporaryDir> m_root;
    MainForm::Environment m_env;
    QString m_machineConfig; // stands for /etc/xdg
    QString m_userConfig;    // stands for ~/.config
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<RecordingLauncher> m_launcher;
    std::unique_ptr<MainForm> m_form;
};

void TestMainWindow::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    m_env.programFolder = m_root->filePath("program folder");
    m_env.settingsFile = m_root->filePath("config/Pictarro/1.ini");
    m_env.userDataFolder = m_root->filePath("data/Pictarro");
    m_env.executableName = QStringLiteral("Pictarro");
    m_machineConfig = m_root->filePath("etc-xdg");
    m_userConfig = m_root->filePath("config");
    for (const QString &folder : {m_env.programFolder, m_env.userDataFolder, m_machineConfig})
        QVERIFY(QDir().mkpath(folder));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_machineConfig));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_userConfig));
    qunsetenv("XDG_CURRENT_DESKTOP");
    platform::TrayIcon::setAvailableForTesting(true);
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_launcher = std::make_unique<RecordingLauncher>();
}

void TestMainWindow::cleanup()
{
    m_form.reset();
    m_launcher.reset();
    m_dialogs.reset();
    platform::TrayIcon::setAvailableForTesting(std::nullopt);
}

MainForm &TestMainWindow::makeForm()
{
    m_form = std::make_unique<MainForm>(m_env);
    m_form->Form_Load();
    return *m_form;
}

void TestMainWindow::storeSetting(const QString &section, const QString &key, const QString &value)
{
    platform::SettingsStore(m_env.settingsFile).setValue(section, key, value);
}

QString TestMainWindow::stored(const QString &section, const QString &key) const
{
    return platform::SettingsStore(m_env.settingsFile).value(section, key);
}

bool TestMainWindow::iconShown() const
{
    return trayIcon() && trayIcon()->isPresent();
}

// ------------------------------------------------------------------- menus

void TestMainWindow::menuItems_haveTheirCaptionsAndShortcuts_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shortcut");
    const QList<std::array<const char *, 3>> items = {
        {"FMM", "Folder Manager", "Ctrl+F"},
        {"SAM", "Sound Assignment", "Ctrl+S"},
        {"Minitask", "Minimize To Taskbar", "Ctrl+T"},
        {"SysTrayMenu", "Send To The Notification Area", "Ctrl+N"},
        {"Quit1", "Exit Pictarro", "Ctrl+Q"},
        {"RestoreSet", "Restore Pictarro Settings", "Ctrl+R"},
        {"ConverterMenu", "Vantler", "Ctrl+J"},
        {"DisplayOptions", "Open Display Properties", "Ctrl+D"},
        {"changewall", "Change..", "Ctrl+F1"},
        {"Removewallpaper", "Remove..", "Ctrl+F2"},
        {"LicenseAgreement", "License Agreement", "Ctrl+L"},
        {"Contact", "Contact Tarnwell Software", "Ctrl+E"},
        {"LikeIt", "I Like Pictarro...", "Ctrl+I"},
        {"OnWeb", "Pictarro on the Web", "Ctrl+W"},
        {"AboutMenu", "About Pictarro...", "Ctrl+B"},
        {"ShowPictarro", "Configuration...", ""},
        {"FMTray", "Folder Manager", ""},
        {"DisEna", "Vantler", ""},
        {"SysContact", "Contact Tarnwell Software", ""},
        {"SysAbout", "About Pictarro...", ""},
        {"ExitSys", "Exit Pictarro", ""},
    };
    for (const auto &[item, caption, shortcut] : items)
        QTest::newRow(item) << item << caption << shortcut;
}

void TestMainWindow::menuItems_haveTheirCaptionsAndShortcuts()
{
    QFETCH(QString, item);
    QFETCH(QString, caption);
    QFETCH(QString, shortcut);
    makeForm();
    const auto *action = m_form->findChild<QAction *>(item);
    QVERIFY(action);
    QCOMPARE(action->text(), caption);
    QCOMPARE(action->shortcut().toString(QKeySequence::PortableText), shortcut);
}

void TestMainWindow::shortcuts_areUnique()
{
    makeForm();
    QSet<QString> seen;
    const auto actions = m_form->findChildren<QAction *>();
    for (const QAction *action : actions) {
        const QString keys = action->shortcut().toString();
        if (keys.isEmpty())
            continue;
        QVERIFY2(!seen.contains(keys), qPrintable(keys + " twice"));
        seen << keys;
    }
    QCOMPARE(seen.size(), 15);

    const QStringList titles = [&] {
        QStringList found;
        for (const QAction *top : m_form->findChild<QMenuBar *>()->actions())
            found << top->text();
        return found;
    }();
    QCOMPARE(titles, (QStringList{"&Main Menu", "&Miscellaneous Tools", "&Help and Support"}));
}

void TestMainWindow::notificationMenu_isInOrder()
{
    makeForm();
    QStringList order;
    for (const QAction *action : control<QMenu>("SysMenu")->actions())
        order << action->objectName();
    QCOMPARE(order, (QStringList{"ShowPictarro", "SysLine1", "FMTray", "DisEna", "SysCapture",
                                 "SysLine2", "SysContact", "SysAbout", "SysLine3", "ExitSys"}));
    QCOMPARE(control<QAction>("SysCapture")->text(),
             "Open: [ " + m_env.programFolder + "/Captured Screens ]");
}

void TestMainWindow::hoverCaption_namesTheButtonUnderThePointer_data()
{
    QTest::addColumn<QString>("over");
    QTest::addColumn<QString>("caption");
    QTest::newRow("TrayBox") << "TrayBox"
                             << "Send To The Notification Area";
    QTest::newRow("MiniBox") << "MiniBox"
                             << "Minimize To Taskbar";
    QTest::newRow("CloseBox") << "CloseBox"
                              << "Exit Pictarro";
}

void TestMainWindow::hoverCaption_namesTheButtonUnderThePointer()
{
    QFETCH(QString, over);
    QFETCH(QString, caption);
    makeForm();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    auto *tip = control<QLabel>("ControlBoxTip");
    QCOMPARE(tip->text(), "Version 1.4.1");

    auto *button = m_form->findChild<QWidget *>(over);
    QTest::mouseMove(button, button->rect().center());
    QTRY_COMPARE(tip->text(), caption);

    // Back over the strip itself, or a tray notification: the version again.
    auto *strip = control<QFrame>("Frame1");
    QTest::mouseMove(strip, QPoint(2, strip->height() - 2));
    QTRY_COMPARE(tip->text(), QStringLiteral("Version 1.4.1"));
    QTest::mouseMove(button, button->rect().center());
    QTRY_COMPARE(tip->text(), caption);
    notify(platform::TrayIcon::MouseMove);
    QCOMPARE(tip->text(), QStringLiteral("Version 1.4.1"));
}

void TestMainWindow::switchCaptions_keepTheirBlanks()
{
    makeForm();
    QCOMPARE(control<QLabel>("Label12")->text(), "To" + QString(13, ' ') + "Pictarro");
    QCOMPARE(control<QLabel>("Label14")->text(), "To" + QString(14, ' ') + "Pictarro");
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    // Each verb lies between "To" and "Pictarro", a blank clear of each,
    // whatever the font.
    for (const auto &[captionName, verbName] :
         {std::pair{"Label12", "Label15"}, std::pair{"Label14", "Label13"}}) {
        const auto *caption = control<QLabel>(captionName);
        const auto *verb = control<QLabel>(verbName);
        const QFontMetrics metrics(caption->font());
        QVERIFY(verb->geometry().left() >= metrics.horizontalAdvance("To "));
        QVERIFY(verb->geometry().width() >= verb->fontMetrics().horizontalAdvance(verb->text()));
        QVERIFY(caption->contentsRect().right() >=
                verb->geometry().right() + metrics.horizontalAdvance(" Pictarro"));
    }
}

// ------------------------------------------------------------ presentation

void TestMainWindow::trayBox_hides_andDoubleClickRestoresNormal()
{
    makeForm();
    QVERIFY(m_form->isVisible());
    QVERIFY(!iconShown());
    QCOMPARE(trayIcon()->tip(), "Pictarro");

    invoke("TrayBox_Click");
    QVERIFY(!m_form->isVisible());
    QVERIFY(iconShown());

    notify(platform::TrayIcon::LeftDoubleClick);
    QVERIFY(m_form->isVisible());
    QVERIFY(!m_form->isMinimized());
    QVERIFY(!iconShown());
}

void TestMainWindow::notifications_otherThanDoubleClick_changeNothing_data()
{
    QTest::addColumn<int>("code");
    QTest::newRow("pointer moved") << int(platform::TrayIcon::MouseMove);
    QTest::newRow("right button") << int(platform::TrayIcon::RightButtonUp);
    QTest::newRow("single click") << 514;
}

void TestMainWindow::notifications_otherThanDoubleClick_changeNothing()
{
    QFETCH(int, code);
    makeForm();
    invoke("SysTrayMenu_Click");
    notify(code);
    QVERIFY(!m_form->isVisible());
    QVERIFY(iconShown());
}

void TestMainWindow::sendToNotificationArea_keepsTheWindowState()
{
    makeForm();
    control<QAction>("SysTrayMenu")->trigger();
    QVERIFY(!m_form->isVisible());
    QVERIFY(!m_form->isMinimized());
    QVERIFY(iconShown());
}

void TestMainWindow::configuration_bringsTheWindowBack()
{
    makeForm();
    invoke("TrayBox_Click");
    QVERIFY(m_form->isMinimized());
    control<QAction>("ShowPictarro")->trigger();
    QVERIFY(m_form->isVisible());
    QVERIFY(!m_form->isMinimized());
    QVERIFY(!iconShown());
}

void TestMainWindow::minimise_leavesNoIcon()
{
    makeForm();
    control<QAction>("Minitask")->trigger();
    QVERIFY(m_form->isMinimized());
    QVERIFY(!iconShown());
    m_form->showNormal();
    invoke("MiniBox_Click");
    QVERIFY(m_form->isMinimized());
    QVERIFY(!iconShown());
}

void TestMainWindow::noNotificationArea_hidingMinimisesInstead_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("TrayBox") << "TrayBox_Click";
    QTest::newRow("SysTrayMenu") << "SysTrayMenu_Click";
}

void TestMainWindow::noNotificationArea_hidingMinimisesInstead()
{
    QFETCH(QString, command);
    makeForm();
    platform::TrayIcon::setAvailableForTesting(false);
    invoke(command.toLatin1().constData());
    QVERIFY(m_form->isVisible());
    QVERIFY(m_form->isMinimized());
    QVERIFY(!iconShown());

    // A notification area that appears later is used again.
    platform::TrayIcon::setAvailableForTesting(true);
    m_form->showNormal();
    invoke(command.toLatin1().constData());
    QVERIFY(!m_form->isVisible());
    QVERIFY(iconShown());
}

void TestMainWindow::notificationAreaGone_whileHidden_windowComesBackMinimised()
{
    makeForm();
    invoke("SysTrayMenu_Click");
    invoke("KeepReachable");
    QVERIFY(!m_form->isVisible());
    QVERIFY(iconShown());

    platform::TrayIcon::setAvailableForTesting(false);
    QTRY_VERIFY_WITH_TIMEOUT(m_form->isVisible(), WaitMs);
    QVERIFY(m_form->isMinimized());
    QVERIFY(!iconShown());
}

void TestMainWindow::startHidden_data()
{
    QTest::addColumn<QString>("minimized");
    QTest::addColumn<bool>("trayAvailable");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("minimised");
    QTest::addColumn<bool>("icon");
    QTest::newRow("1") << "1" << true << false << false << true;
    QTest::newRow("0") << "0" << true << true << false << false;
    QTest::newRow("missing") << "" << true << true << false << false;
    QTest::newRow("not a number") << "yes" << true << true << false << false;
    QTest::newRow("1 without notification area") << "1" << false << true << true << false;
}

void TestMainWindow::startHidden()
{
    QFETCH(QString, minimized);
    QFETCH(bool, trayAvailable);
    QFETCH(bool, visible);
    QFETCH(bool, minimised);
    QFETCH(bool, icon);
    if (!minimized.isEmpty())
        storeSetting("PictarroMinimized", "Minimized", minimized);
    platform::TrayIcon::setAvailableForTesting(trayAvailable);
    makeForm();
    QCOMPARE(m_form->isVisible(), visible);
    QCOMPARE(m_form->isMinimized(), minimised);
    QCOMPARE(iconShown(), icon);
    QCOMPARE(control<QCheckBox>("MiniCheck")->isChecked(), minimized == "1");
    // Shown or hidden, capture on, nothing runs on a timer: the program
    // waits for the clipboard and the file system to announce changes.
    for (const QTimer *timer : m_form->findChildren<QTimer *>())
        QVERIFY2(!timer->isActive(), qPrintable(timer->objectName()));
}

void TestMainWindow::miniCheck_isStoredAtOnce_andChangesNothingElse()
{
    makeForm();
    auto *box = control<QCheckBox>("MiniCheck");
    QVERIFY(
        !platform::SettingsStore(m_env.settingsFile).contains("PictarroMinimized", "Minimized"));
    box->click();
    QCOMPARE(stored("PictarroMinimized", "Minimized"), "1");
    QVERIFY(m_form->isVisible());
    QVERIFY(!iconShown());
    box->click();
    QCOMPARE(stored("PictarroMinimized", "Minimized"), "0");
}

void TestMainWindow::exitCommands_unloadTheWindow_iconFirst_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("fromNotificationArea");
    QTest::newRow("ExitSys") << "ExitSys" << true;
    QTest::newRow("Quit1") << "Quit1" << false;
    QTest::newRow("CloseBox") << "CloseBox" << false;
    QTest::newRow("title bar") << "" << false;
}

void TestMainWindow::exitCommands_unloadTheWindow_iconFirst()
{
    QFETCH(QString, command);
    QFETCH(bool, fromNotificationArea);
    makeForm();
    if (fromNotificationArea)
        invoke("TrayBox_Click");
    bool iconGoneAtUnload = false;
    connect(m_form.get(), &MainForm::unloaded, this, [&] { iconGoneAtUnload = !iconShown(); });
    QSignalSpy unloaded(m_form.get(), &MainForm::unloaded);

    if (command.isEmpty())
        m_form->close();
    else if (auto *action = m_form->findChild<QAction *>(command))
        action->trigger();
    else
        QTest::mouseClick(m_form->findChild<QWidget *>(command), Qt::LeftButton);
    QCOMPARE(unloaded.count(), 1);
    QVERIFY(iconGoneAtUnload);
    QVERIFY(m_dialogs->shown.isEmpty()); // no confirmation
}

// ------------------------------------------------------ launch at start-up

void TestMainWindow::startUp_tickAndUntick_writeAndRemoveTheEntry()
{
    makeForm();
    const QString entry = autostartEntry(m_machineConfig, "Pictarro");
    control<QCheckBox>("StartUpCheck")->click();
    QVERIFY(QFileInfo::exists(entry));
    QCOMPARE(stored("PictarroStartUp", "StartUp"), "1");
    QSettings desktopEntry(entry, QSettings::IniFormat);
    const QString exec = desktopEntry.value("Desktop Entry/Exec").toString();
    QVERIFY2(exec.contains(m_env.programFolder + "/Pictarro"), qPrintable(exec));

    control<QCheckBox>("StartUpCheck")->click();
    QVERIFY(!QFileInfo::exists(entry));
    QCOMPARE(stored("PictarroStartUp", "StartUp"), "0");
}

void TestMainWindow::startUp_storedTicked_rewritesTheEntryAtEveryStart()
{
    storeSetting("PictarroStartUp", "StartUp", "1");
    const QString entry = autostartEntry(m_machineConfig, "Pictarro");
    QVERIFY(QDir().mkpath(QFileInfo(entry).path()));
    QFile stale(entry);
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write("[Desktop Entry]\nType=Application\nExec=/old/place/Pictarro\n");
    stale.close();

    makeForm();
    QVERIFY(control<QCheckBox>("StartUpCheck")->isChecked());
    QSettings desktopEntry(entry, QSettings::IniFormat);
    QVERIFY(desktopEntry.value("Desktop Entry/Exec").toString().contains(m_env.programFolder));
}

void TestMainWindow::startUp_emptyStore_removesAStaleEntry_storesNothing()
{
    const QString entry = autostartEntry(m_userConfig, "Pictarro");
    QVERIFY(QDir().mkpath(QFileInfo(entry).path()));
    QFile stale(entry);
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.close();

    makeForm();
    QVERIFY(!control<QCheckBox>("StartUpCheck")->isChecked());
    QVERIFY(!QFileInfo::exists(entry));
    const platform::SettingsStore store(m_env.settingsFile);
    QVERIFY(!store.contains("PictarroStartUp", "StartUp"));
    QVERIFY(!store.contains("PictarroMinimized", "Minimized"));
}

void TestMainWindow::startUp_unwritableMachineFolder_usesTheUserFolder()
{
    // A regular file where the machine-wide folder should be: it cannot
    // hold an autostart folder, whoever runs the test.
    const QString blocked = m_root->filePath("not-a-folder");
    QFile file(blocked);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(blocked));

    makeForm();
    control<QCheckBox>("StartUpCheck")->click();
    QVERIFY(QFileInfo::exists(autostartEntry(m_userConfig, "Pictarro")));
    control<QCheckBox>("StartUpCheck")->click();
    QVERIFY(!QFileInfo::exists(autostartEntry(m_userConfig, "Pictarro")));
}

// ------------------------------------------------------- settings restore

void TestMainWindow::restore_onNo_changesNothing_data()
{
    QTest::addColumn<int>("key"); // pressed in the real box; 0: answered No
    QTest::newRow("No") << 0;
    QTest::newRow("Escape") << int(Qt::Key_Escape);
}

void TestMainWindow::restore_onNo_changesNothing()
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

void TestMainWindow::restore_onYes_putsEverythingBack_data()
{
    QTest::addColumn<int>("key");        // pressed in the real box; 0: answered Yes
    QTest::addColumn<QString>("format"); // chosen before the restore
    QTest::newRow("Yes") << 0 << "JPG";
    QTest::newRow("Enter") << int(Qt::Key_Return) << "JPG";
    QTest::newRow("Yes, from PNG") << 0 << "PNG";
}

void TestMainWindow::restore_onYes_putsEverythingBack()
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
}

// ------------------------------------------------------------ outside links

void TestMainWindow::links_openTheirTargets_data()
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

void TestMainWindow::links_openTheirTargets()
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

void TestMainWindow::sysCapture_opensTheCurrentFolder()
{
    makeForm();
    const QString folder = m_root->filePath("other folder");
    QVERIFY(QDir().mkpath(folder));
    control<QLineEdit>("CapturePath")->setText(folder);
    control<QAction>("SysCapture")->trigger();
    QCOMPARE(m_launcher->targets(), QStringList{folder});
}

// ------------------------------------------------------ desktop wallpaper

void TestMainWindow::wallpaperChange_cancelled_changesNothing()
{
    makeForm();
    RecordingRunner runner;
    m_dialogs->chooseNext(QString());
    control<QAction>("changewall")->trigger();
    QCOMPARE(m_dialogs->fileDialogs.size(), 1);
    QCOMPARE(m_dialogs->fileDialogs[0][1], "Select your picture..");
    QVERIFY(QDir(m_env.userDataFolder).isEmpty());
    QVERIFY(runner.commands.isEmpty());
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestMainWindow::wallpaperChange_jpeg_becomesTheWallpaperBitmap()
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
    for (const QStringList &command : runner.commands)
        handedOver = handedOver || command.join(' ').contains("Pictarro%20Wallpaper.bmp") ||
                     command.join(' ').contains("Pictarro Wallpaper.bmp");
    QVERIFY(handedOver);
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestMainWindow::wallpaperChange_unreadablePicture_keepsTheOldWallpaper()
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
    QVERIFY(runner.commands.isEmpty());
}

void TestMainWindow::wallpaperRemove_onlyOnYes()
{
    makeForm();
    RecordingRunner runner;
    qputenv("XDG_CURRENT_DESKTOP", "GNOME");
    m_dialogs->answerNext(Answer::No);
    control<QAction>("Removewallpaper")->trigger();
    QVERIFY(runner.commands.isEmpty());
    m_dialogs->pressNext(Qt::Key_Return); // Enter answers Yes
    control<QAction>("Removewallpaper")->trigger();
    qunsetenv("XDG_CURRENT_DESKTOP");
    QVERIFY(!runner.commands.isEmpty());
    QCOMPARE(m_dialogs->shown.size(), 2);
    QCOMPARE(m_dialogs->shown[0].title, "Confirm to remove");
    QCOMPARE(m_dialogs->shown[0].text,
             "Are you sure you want to remove your current desktop wallpaper?");
}

// ------------------------------------------- about and appreciation windows

void TestMainWindow::secondaryWindows_disableTheMainWindow_untilClosed_data()
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
    QTest::newRow("SA") << "SA_Click"
                        << "SoundForm" << true;
    QTest::newRow("Image1") << "Image1_Click"
                            << "NewFolder" << true;
}

void TestMainWindow::secondaryWindows_disableTheMainWindow_untilClosed()
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

void TestMainWindow::sysAbout_fromTheNotificationArea_showsTheMainWindow()
{
    makeForm();
    invoke("TrayBox_Click");
    control<QAction>("SysAbout")->trigger();
    QVERIFY(m_form->isVisible());
    QVERIFY(!m_form->isMinimized());
    QVERIFY(!m_form->isEnabled());
    QVERIFY(!iconShown());
}

void TestMainWindow::folderManager_fromTheNotificationArea_showsTheMainWindow()
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

void TestMainWindow::exit_unloadsTheOpenSecondaryWindows()
{
    makeForm();
    invoke("FMM_Click");
    invoke("Quit1_Click");
    QVERIFY(!anyWindowOf("FolderManager"));
    QVERIFY(!anyWindowOf("SoundForm"));
}

void TestMainWindow::folderChooser_okStoresTheOpenFolder_otherwiseNothing_data()
{
    QTest::addColumn<QString>("leaveBy");
    QTest::addColumn<bool>("taken");
    QTest::newRow("OK") << "OK" << true;
    QTest::newRow("Cancel") << "Cancel" << false;
    QTest::newRow("Esc") << "Esc" << false;
}

void TestMainWindow::folderChooser_okStoresTheOpenFolder_otherwiseNothing()
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

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
