// The main window as a desktop program: temporary machine-wide and user
// configuration folders for its logon entry, a notification area that is
// there unless a test takes it away, and the desktop's opener watched.
#pragma once

#include "MainFormFixture.h"
#include "RecordingLauncher.h"
#include "TrayIcon.h"

#include <QApplication>
#include <QFile>
#include <QWidget>
#include <algorithm>

// How long a test waits for what it expects: generous, as a loaded machine
// may be slow; a wait ends as soon as the expectation holds.
constexpr int WaitMs = 20000;

inline QWidget *shownWindow(const QString &className)
{
    for (QWidget *topLevel : QApplication::topLevelWidgets()) {
        if (QLatin1String(topLevel->metaObject()->className()) == className &&
            topLevel->isVisible())
            return topLevel;
    }
    return nullptr;
}

inline bool anyWindowOf(const QString &className)
{
    const QWidgetList all = QApplication::topLevelWidgets();
    return std::any_of(all.begin(), all.end(), [&](QWidget *widget) {
        return QLatin1String(widget->metaObject()->className()) == className;
    });
}

class MainWindowFixture : protected MainFormFixture
{
protected:
    void setUp()
    {
        setUpFolders(QStringLiteral("program folder"));
        if (QTest::currentTestFailed())
            return;
        m_env.executableName = QStringLiteral("Pictarro");
        m_machineConfig = m_root->filePath("etc-xdg");
        m_userConfig = m_root->filePath("config");
        QVERIFY(QDir().mkpath(m_machineConfig));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_machineConfig));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_userConfig));
        qunsetenv("XDG_CURRENT_DESKTOP");
        platform::TrayIcon::setAvailableForTesting(true);
        m_launcher = std::make_unique<RecordingLauncher>();
    }

    void tearDown()
    {
        m_form.reset();
        m_launcher.reset();
        tearDownForm();
        platform::TrayIcon::setAvailableForTesting(std::nullopt);
    }

    MainForm &makeForm() { return loadForm(); }
    void invoke(const char *handler) { QVERIFY(QMetaObject::invokeMethod(m_form.get(), handler)); }
    void notify(int code)
    {
        QVERIFY(QMetaObject::invokeMethod(m_form.get(), "TrayIcon_Notify", Q_ARG(int, code)));
    }
    platform::TrayIcon *trayIcon() const { return m_form->findChild<platform::TrayIcon *>(); }
    bool iconShown() const { return trayIcon() && trayIcon()->isPresent(); }
    QString autostartEntry(const QString &folder, const QString &name) const
    {
        return QDir(folder).filePath(QStringLiteral("autostart/") + name + ".desktop");
    }

    QString m_machineConfig; // stands for /etc/xdg
    QString m_userConfig;    // stands for ~/.config
    std::unique_ptr<RecordingLauncher> m_launcher;
};
