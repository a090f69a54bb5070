// The main window as a desktop program on the offscreen platform: its menus
// and shortcuts, the header strip, the moves between shown, minimised and
// hidden behind the notification-area icon, and launch at logon.
#include "MainWindowFixture.h"

#include <QtTest>
#include <QtWidgets>

class TestMainWindow : public QObject, private MainWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

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
};

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
        {"CaptureOptionsMenu", "Capture Options...", "Ctrl+O"},
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
        {"SysOptions", "Capture Options...", ""},
        {"DisEna", "Vantler", ""},
        {"RecentCapturesItem", "Recent Captures", ""},
        {"OpenLastCapture", "Open Last Capture", ""},
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
    QCOMPARE(seen.size(), 16);

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
    QCOMPARE(order, (QStringList{"ShowPictarro", "SysLine1", "FMTray", "SysOptions", "DisEna",
                                 "SysCapture", "RecentCapturesItem", "OpenLastCapture", "SysLine2",
                                 "SysContact", "SysAbout", "SysLine3", "ExitSys"}));
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

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
