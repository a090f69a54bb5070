// The real Pictarro on a private X server with a real notification area
// (trayer), driven from outside with xdotool as a person would: started in
// the notification area, brought back by a double click on its icon, and
// its keyboard shortcuts, one of which starts Vantler from beside it; and
// the notification of a capture, through a stand-in notification server
// and file manager on the session bus.
//
// Run under tests/e2e/with-xvfb.sh, which provides DISPLAY.

#include "E2eSupport.h"
#include "FakeFileManager.h"
#include "FakeNotifications.h"

#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using e2e::Child;
using e2e::pollUntil;

namespace {

// Runs a command to its end and returns what it printed.
QString output(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(e2e::WaitMs)) {
        process.kill();
        process.waitForFinished();
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

bool xdotool(const QStringList &arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

// The visible top-level windows whose title is exactly this.
QStringList visibleWindows(const QString &title)
{
    const QString found =
        output(QStringLiteral("xdotool"),
               {"search", "--onlyvisible", "--name",
                QLatin1Char('^') + QRegularExpression::escape(title) + QLatin1Char('$')});
    return found.isEmpty() ? QStringList() : found.split(QLatin1Char('\n'));
}

} // namespace

class TestTrayEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void startsInTheNotificationArea_andComesBackOnDoubleClick();
    void shortcuts_openWindows_restoreSettings_startVantler_andExit();
    void notification_saysWhereTheCaptureWent_andItsActionsAct();
    void recentCaptures_inTheIconMenu_followTheFolder();

private:
    // Puts a stand-in xdg-open into the folder, first in the environment's
    // PATH, which writes each address it is given as a line of the record.
    static bool recordingOpener(const QString &folder, const QString &record,
                                QProcessEnvironment &environment);
    // The files the stand-in opener was asked to open, in order.
    static QStringList openedFiles(const QString &record);
    void writeSettings(const QByteArray &ini);
    Child startPictarro(
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
    Child startTray();
    // The icon's window inside the notification area, if it is embedded there.
    QString embeddedIcon() const;

    std::unique_ptr<QTemporaryDir> m_program;
    QString m_settingsFile;
    QString m_trayPanel;
};

void TestTrayEndToEnd::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("needs an X server: run under tests/e2e/with-xvfb.sh");
    for (const char *tool : {"xdotool", "trayer", "xwininfo"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            QFAIL(qPrintable(QStringLiteral("%1 is missing: scripts/install-deps.sh installs it")
                                 .arg(QLatin1String(tool))));
    }
    m_settingsFile = qEnvironmentVariable("XDG_CONFIG_HOME") + "/Pictarro/1.ini";
}

void TestTrayEndToEnd::init()
{
    m_program = std::make_unique<QTemporaryDir>();
    QVERIFY(m_program->isValid());
    for (const QString &file :
         e2e::PictarroFiles +
             QStringList{QStringLiteral("Vantler"), QStringLiteral("libVantlerWindow.so")}) {
        QVERIFY(
            QFile::copy(QStringLiteral(PICTARRO_BIN_DIR "/") + file, m_program->filePath(file)));
    }
    for (const char *program : {"Pictarro", "Vantler"})
        QFile::setPermissions(m_program->filePath(QLatin1String(program)),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::remove(m_settingsFile);
}

void TestTrayEndToEnd::cleanup()
{
    m_program.reset();
}

void TestTrayEndToEnd::writeSettings(const QByteArray &ini)
{
    QVERIFY(QDir().mkpath(QFileInfo(m_settingsFile).path()));
    QFile file(m_settingsFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(ini);
}

Child TestTrayEndToEnd::startPictarro(const QProcessEnvironment &environment)
{
    Child pictarro(new QProcess);
    pictarro->setProcessChannelMode(QProcess::ForwardedChannels);
    pictarro->setProcessEnvironment(environment);
    pictarro->start(m_program->filePath("Pictarro"), {});
    if (!pictarro->waitForStarted())
        qWarning("Pictarro did not start");
    return pictarro;
}

Child TestTrayEndToEnd::startTray()
{
    Child tray(new QProcess);
    tray->start(QStringLiteral("trayer"), {"--edge", "top", "--align", "right", "--widthtype",
                                           "request", "--height", "32", "--SetDockType", "true"});
    pollUntil([&] {
        m_trayPanel = output(QStringLiteral("xdotool"), {"search", "--classname", "^panel$"});
        return !m_trayPanel.isEmpty();
    });
    return tray;
}

QString TestTrayEndToEnd::embeddedIcon() const
{
    const QStringList lines =
        output(QStringLiteral("xwininfo"), {"-tree", "-id", m_trayPanel}).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.contains(QLatin1String("\"Pictarro\"")))
            return line.trimmed().section(QLatin1Char(' '), 0, 0);
    }
    return {};
}

void TestTrayEndToEnd::startsInTheNotificationArea_andComesBackOnDoubleClick()
{
    writeSettings("[PictarroMinimized]\nMinimized=1\n");
    const Child tray = startTray();
    QVERIFY2(!m_trayPanel.isEmpty(), "trayer did not start");
    const Child pictarro = startPictarro();

    QVERIFY2(pollUntil([&] { return !embeddedIcon().isEmpty(); }),
             "the icon never appeared in the notification area");
    QVERIFY(visibleWindows("Pictarro").isEmpty());
    QCOMPARE(pictarro->state(), QProcess::Running);

    const QString icon = embeddedIcon();
    QVERIFY(xdotool(
        {"mousemove", "--window", icon, "5", "5", "click", "--repeat", "2", "--delay", "80", "1"}));
    QVERIFY2(pollUntil([] { return visibleWindows("Pictarro").size() == 1; }),
             "a double click on the icon did not bring the window back");
    QVERIFY2(pollUntil([&] { return embeddedIcon().isEmpty(); }),
             "the icon stayed while the window is shown");
}

void TestTrayEndToEnd::shortcuts_openWindows_restoreSettings_startVantler_andExit()
{
    writeSettings("[ImageName]\nSaveName=Holiday\n[CaptureCounter]\nCaptureCounter=41\n");
    const Child pictarro = startPictarro();
    QStringList windows;
    QVERIFY(pollUntil([&] {
        windows = visibleWindows("Pictarro");
        return windows.size() == 1;
    }));
    const QString main = windows.first();
    const auto press = [&](const QString &keys) {
        return xdotool({"windowfocus", "--sync", main, "key", keys});
    };

    // Ctrl+B: the about window; Esc closes it.
    QVERIFY(press("ctrl+b"));
    QVERIFY(pollUntil([] { return visibleWindows("About Pictarro").size() == 1; }));
    QVERIFY(xdotool({"key", "Escape"}));
    QVERIFY(pollUntil([] { return visibleWindows("About Pictarro").isEmpty(); }));

    // Ctrl+F, Ctrl+S: the folder manager and the sound window; Esc closes each
    // and the main window takes keys again.
    for (const auto &[keys, title] : {std::pair{"ctrl+f", "Pictarro - Folder Manager"},
                                      std::pair{"ctrl+s", "Sound Assignment"}}) {
        QVERIFY(press(QLatin1String(keys)));
        QVERIFY2(pollUntil([&] { return visibleWindows(QLatin1String(title)).size() == 1; }),
                 title);
        QVERIFY(xdotool({"key", "Escape"}));
        QVERIFY(pollUntil([&] { return visibleWindows(QLatin1String(title)).isEmpty(); }));
    }

    // Ctrl+R: asks, and restores on Yes.
    QVERIFY(press("ctrl+r"));
    QVERIFY(pollUntil([] { return visibleWindows("Confirm to restore settings").size() == 1; }));
    QVERIFY(xdotool({"key", "alt+y"}));
    QVERIFY(pollUntil([&] {
        return e2e::iniValue(m_settingsFile, "ImageName", "SaveName") == QStringLiteral("Pictarro");
    }));
    QCOMPARE(e2e::iniValue(m_settingsFile, "CaptureCounter", "CaptureCounter"),
             QStringLiteral("0"));
    // The success notice is a second window titled "Pictarro"; Return closes it.
    QVERIFY(pollUntil([] { return visibleWindows("Pictarro").size() == 2; }));
    QVERIFY(xdotool({"key", "Return"}));
    QVERIFY(pollUntil([] { return visibleWindows("Pictarro").size() == 1; }));

    // Ctrl+J: Vantler, found beside Pictarro.
    QVERIFY(press("ctrl+j"));
    QStringList converter;
    QVERIFY2(pollUntil([&] {
                 converter = visibleWindows("Pictarro - Vantler");
                 return converter.size() == 1;
             }),
             "Vantler did not start");
    QVERIFY(xdotool({"windowkill", converter.first()}));

    // Ctrl+Q: the program ends, without asking.
    QVERIFY(press("ctrl+q"));
    QVERIFY(pictarro->waitForFinished(e2e::WaitMs));
    QCOMPARE(pictarro->exitStatus(), QProcess::NormalExit);
    QCOMPARE(pictarro->exitCode(), 0);
}

void TestTrayEndToEnd::notification_saysWhereTheCaptureWent_andItsActionsAct()
{
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (address.isEmpty())
        QSKIP("needs a session bus: run under tests/e2e/with-xvfb.sh");
    FakeNotifications server;
    QString failed = server.start(address);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    FakeFileManager fileManager;
    failed = fileManager.join(address);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    QTemporaryDir tools;
    QVERIFY(tools.isValid());
    const QString opened = tools.filePath("opened");
    QProcessEnvironment environment;
    QVERIFY(recordingOpener(tools.path(), opened, environment));

    writeSettings("[CaptureNotification]\nNotify=1\n");
    const Child pictarro = startPictarro(environment);
    QVERIFY(pollUntil([] { return visibleWindows("Pictarro").size() == 1; }));

    // Two screenshots copied as a screenshot tool does; the second one's
    // notification takes the place of the first.
    QStringList files;
    for (int n = 1; n <= 2; ++n) {
        QImage picture(320, 200, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, qRgb(x % 256, y, n * 100));
        }
        const QString shot = tools.filePath(QStringLiteral("shot %1.png").arg(n));
        QVERIFY(picture.save(shot));
        const Child xclip = e2e::Child(new QProcess);
        xclip->start("xclip", {"-selection", "clipboard", "-t", "image/png", "-i", shot});
        QVERIFY(xclip->waitForStarted());
        files << m_program->filePath(QStringLiteral("Captured Screens/Pictarro %1.bmp").arg(n));
        QVERIFY2(pollUntil([&] { return server.service()->calls().size() == n; }),
                 "no notification for the capture");
        QCOMPARE(QImage(files.last()).convertToFormat(QImage::Format_RGB32), picture);
        const NotifyCall call = server.service()->calls().last();
        QCOMPARE(call.appName, "Pictarro");
        QVERIFY2(call.summary.contains(QFileInfo(files.last()).fileName()),
                 qPrintable(call.summary));
        QCOMPARE(call.hints.value("image-path").toString(),
                 QUrl::fromLocalFile(files.last()).toString(QUrl::FullyEncoded));
        QCOMPARE(call.replacesId, n == 1 ? 0u : server.service()->calls().first().id);
    }
    QCOMPARE(server.service()->open().size(), 1);
    const uint id = server.service()->calls().last().id;

    // "Show in folder": the file manager shows the last capture.
    server.service()->invoke(id, "show-in-folder");
    const QString uri = QUrl::fromLocalFile(files.last()).toString(QUrl::FullyEncoded);
    QVERIFY2(pollUntil([&] {
                 return fileManager.shown() == QList<QStringList>{{uri, ""}};
             }),
             "the file manager was not asked to show the capture");
    // "Open": the desktop's opener gets it.
    server.service()->invoke(id, "open");
    QVERIFY2(pollUntil([&] { return openedFiles(opened) == QStringList{files.last()}; }),
             qPrintable(openedFiles(opened).join(", ")));
}

void TestTrayEndToEnd::recentCaptures_inTheIconMenu_followTheFolder()
{
    QTemporaryDir tools;
    QVERIFY(tools.isValid());
    const QString opened = tools.filePath("opened");
    QProcessEnvironment environment;
    QVERIFY(recordingOpener(tools.path(), opened, environment));
    writeSettings("[PictarroMinimized]\nMinimized=1\n");
    const Child tray = startTray();
    QVERIFY2(!m_trayPanel.isEmpty(), "trayer did not start");
    const Child pictarro = startPictarro(environment);
    QVERIFY2(pollUntil([&] { return !embeddedIcon().isEmpty(); }),
             "the icon never appeared in the notification area");

    QStringList files;
    for (int n = 1; n <= 3; ++n) {
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(qRgb(n * 60, 0, 0));
        const QString shot = tools.filePath(QStringLiteral("shot %1.png").arg(n));
        QVERIFY(picture.save(shot));
        const Child xclip = e2e::Child(new QProcess);
        xclip->start("xclip", {"-selection", "clipboard", "-t", "image/png", "-i", shot});
        QVERIFY(xclip->waitForStarted());
        files << m_program->filePath(QStringLiteral("Captured Screens/Pictarro %1.bmp").arg(n));
        QVERIFY2(pollUntil([&] { return QFileInfo(files.last()).size() > 0; }),
                 qPrintable(files.last()));
    }
    // The newest deleted by hand, as in a file manager.
    QVERIFY(QFile::remove(files.last()));

    // The icon's menu, by the right button; "Open Last Capture" is its
    // seventh command (after "Configuration...", "Folder Manager", "Capture
    // Options...", "Vantler", "Open" the folder and "Recent Captures"),
    // reached with the keys.
    const auto popups = [] {
        return output(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--class", "Pictarro"})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
            .size();
    };
    const qsizetype before = popups();
    QVERIFY(xdotool({"mousemove", "--window", embeddedIcon(), "5", "5", "click", "3"}));
    QVERIFY2(pollUntil([&] { return popups() > before; }), "the icon's menu did not open");
    QVERIFY(xdotool({"key", "--delay", "50", "Down", "Down", "Down", "Down", "Down", "Down", "Down",
                     "Return"}));
    QVERIFY2(pollUntil([&] { return !openedFiles(opened).isEmpty(); }),
             "Open Last Capture opened nothing");
    QCOMPARE(openedFiles(opened), QStringList{files.at(1)});

    // Opened again: "Recent Captures" lists the two left, newest first; the
    // second is the first capture.
    QVERIFY2(pollUntil([&] { return popups() == before; }), "the icon's menu stayed open");
    QVERIFY(xdotool({"mousemove", "--window", embeddedIcon(), "5", "5", "click", "3"}));
    QVERIFY2(pollUntil([&] { return popups() > before; }), "the icon's menu did not open");
    QVERIFY(
        xdotool({"key", "--delay", "50", "Down", "Down", "Down", "Down", "Down", "Down", "Right"}));
    QVERIFY2(pollUntil([&] { return popups() > before + 1; }), "Recent Captures did not open");
    QVERIFY(xdotool({"key", "--delay", "50", "Down", "Return"}));
    QVERIFY2(pollUntil([&] { return openedFiles(opened).size() == 2; }),
             "the recent capture opened nothing");
    QCOMPARE(openedFiles(opened), (QStringList{files.at(1), files.at(0)}));
}

bool TestTrayEndToEnd::recordingOpener(const QString &folder, const QString &record,
                                       QProcessEnvironment &environment)
{
    // The desktop's opener, writing down what it is asked to open.
    QFile opener(QDir(folder).filePath("xdg-open"));
    if (!opener.open(QIODevice::WriteOnly))
        return false;
    opener.write("#!/bin/sh\nprintf '%s\\n' \"$@\" >> \"" + QFile::encodeName(record) + "\"\n");
    opener.close();
    if (!opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return false;
    environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PATH", folder + u':' + environment.value("PATH"));
    return true;
}

QStringList TestTrayEndToEnd::openedFiles(const QString &record)
{
    QFile file(record);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList files;
    const QStringList lines =
        QString::fromLocal8Bit(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    for (const QString &line : lines)
        files << QUrl::fromUserInput(line).toLocalFile();
    return files;
}

QTEST_GUILESS_MAIN(TestTrayEndToEnd)
#include "tst_tray_e2e.moc"
