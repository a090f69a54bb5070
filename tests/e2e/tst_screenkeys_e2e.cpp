// PrintScreen and Alt+PrintScreen on a real X server: the keys pressed with
// xdotool as a person would, the pictures compared with what ImageMagick's
// `import` reads off the same screen, another program's window shown by
// ImageMagick's `display`, and a real window manager (openbox) for the
// window frame. Beside them, the desktops' own screenshot tools, which copy
// the screen and quit at once.
//
// Run under tests/e2e/with-xvfb.sh, which provides DISPLAY.

#include "E2eSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

using e2e::Child;
using e2e::firstDifference;
using e2e::listing;
using e2e::pollUntil;
using e2e::WaitMs;

namespace {

// Starting a program that draws a window can take long on a loaded machine.
constexpr int SlowMs = 3 * WaitMs;

// Runs a tool to its end; its standard output, or nothing when it failed.
std::optional<QByteArray> run(const QProcessEnvironment &env, const QString &program,
                              const QStringList &arguments)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!process.waitForFinished(WaitMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

// One number of xwininfo's or xprop's text, after `label`.
int numberAfter(const QByteArray &text, const QString &label)
{
    const QRegularExpression pattern(QRegularExpression::escape(label) +
                                     QStringLiteral(R"(\s*(-?\d+))"));
    const QRegularExpressionMatch match = pattern.match(QString::fromUtf8(text));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QString differenceText(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return QStringLiteral("sizes differ: %1×%2 and %3×%4")
            .arg(a.width())
            .arg(a.height())
            .arg(b.width())
            .arg(b.height());
    const std::optional<QPoint> at = firstDifference(a, b);
    return at ? QStringLiteral("first differing pixel at %1,%2").arg(at->x()).arg(at->y())
              : QString();
}

// Whether a process has ended, or ends in time. (waitForFinished() alone
// says false for one whose end the event loop has already seen.)
bool ended(QProcess &process)
{
    return process.state() == QProcess::NotRunning || process.waitForFinished(WaitMs);
}

bool darkRed(QRgb pixel)
{
    return qRed(pixel) > 150 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
}

} // namespace

class tst_ScreenKeysE2e : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void screenKey_data();
    void screenKey();
    void screenshotTool_copiesAndQuits_data();
    void screenshotTool_copiesAndQuits();

private:
    QString tool(const char *name) const { return QStandardPaths::findExecutable(name); }
    void xdotool(const QStringList &arguments);
    QString findWindow(const QString &name);
    void startPictarro();
    QImage rootPicture(const QString &window = QStringLiteral("root"));
    QSize screenSize();
    QRect windowRect(const QString &window, bool withFrame);
    void switchCaptureOff(const QString &pictarroWindow);
    static QImage shownPicture() { return e2e::testPicture(QSize(320, 200)); }
    void showPicture(QString *window);

    e2e::Installation m_install;
    Child m_pictarro;
    Child m_windowManager;
    Child m_shown;  // another program's window
    Child m_holder; // a screenshot tool that holds PrintScreen
    bool m_numLockOn = false;
    bool m_rootPropertiesLeft = false; // a window manager's word set by the case
};

void tst_ScreenKeysE2e::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"),
             "needs an X server: run through tests/e2e/with-xvfb.sh");
    for (const char *name : {"xdotool", "xclip", "xwininfo", "xprop", "import", "display"})
        QVERIFY2(!tool(name).isEmpty(), name);
}

void tst_ScreenKeysE2e::init()
{
    const QString failed = m_install.create(QStringLiteral("keys"),
                                            QStringLiteral(PICTARRO_BIN_DIR), e2e::PictarroFiles);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
}

void tst_ScreenKeysE2e::cleanup()
{
    if (m_pictarro && QTest::currentTestFailed()) {
        qWarning("Pictarro's output:\n%s%s", m_pictarro->readAllStandardOutput().constData(),
                 m_pictarro->readAllStandardError().constData());
        qWarning("Capture folder: %s", qPrintable(listing(m_install.defaultCaptureFolder())));
    }
    // Pictarro first: its grabs go with it, before the next case starts.
    m_pictarro.reset();
    m_holder.reset();
    m_shown.reset();
    if (m_windowManager || m_rootPropertiesLeft) {
        m_windowManager.reset();
        m_rootPropertiesLeft = false;
        // The server outlives the cases: a window manager's word on the
        // active window would outlive it too, naming a window number the
        // next case's windows may be given again.
        for (const char *property : {"_NET_ACTIVE_WINDOW", "_NET_SUPPORTING_WM_CHECK"})
            QProcess::execute(tool("xprop"), {QStringLiteral("-root"), QStringLiteral("-remove"),
                                              QLatin1String(property)});
    }
    // The key locks stay with the server: NumLock back off.
    if (m_numLockOn)
        QProcess::execute(tool("xdotool"), {QStringLiteral("key"), QStringLiteral("Num_Lock")});
    m_numLockOn = false;
    m_install.remove();
}

void tst_ScreenKeysE2e::xdotool(const QStringList &arguments)
{
    QVERIFY2(run(m_install.environment(), tool("xdotool"), arguments),
             qPrintable(QLatin1String("xdotool ") + arguments.join(u' ')));
}

QString tst_ScreenKeysE2e::findWindow(const QString &name)
{
    // Asked again until it shows: xdotool gives up on the whole search when
    // some other window goes while it looks.
    QString found;
    pollUntil(
        [&] {
            const std::optional<QByteArray> ids =
                run(m_install.environment(), tool("xdotool"),
                    {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                     QStringLiteral("--name"), name});
            if (ids && !ids->trimmed().isEmpty())
                found = QString::fromUtf8(ids->trimmed().split('\n').first());
            return !found.isEmpty();
        },
        SlowMs);
    return found;
}

void tst_ScreenKeysE2e::startPictarro()
{
    m_pictarro = m_install.start(m_install.programFolder() + QLatin1String("/Pictarro"), {});
    QVERIFY2(m_pictarro->waitForStarted(WaitMs), qPrintable(m_pictarro->errorString()));
    // Its window shows once the keys are grabbed and the folder is made.
    QVERIFY2(!findWindow(QStringLiteral("^Pictarro$")).isEmpty(), "Pictarro's window did not show");
    QVERIFY(pollUntil([&] { return QFileInfo(m_install.defaultCaptureFolder()).isDir(); }));
}

QImage tst_ScreenKeysE2e::rootPicture(const QString &window)
{
    const QString file = m_install.path(QStringLiteral("root.png"));
    QFile::remove(file);
    const bool made = run(m_install.environment(), tool("import"),
                          {QStringLiteral("-silent"), QStringLiteral("-window"), window,
                           QLatin1String("png:") + file})
                          .has_value();
    return made ? QImage(file).convertToFormat(QImage::Format_RGB32) : QImage();
}

QSize tst_ScreenKeysE2e::screenSize()
{
    // As the X server says, not as the picture read off it says.
    const std::optional<QByteArray> size =
        run(m_install.environment(), tool("xdotool"), {QStringLiteral("getdisplaygeometry")});
    const QList<QByteArray> numbers = size ? size->trimmed().split(' ') : QList<QByteArray>();
    return numbers.size() == 2 ? QSize(numbers[0].toInt(), numbers[1].toInt()) : QSize();
}

QRect tst_ScreenKeysE2e::windowRect(const QString &window, bool withFrame)
{
    // xwininfo's corner is the border's; its size is without the border.
    const std::optional<QByteArray> info =
        run(m_install.environment(), tool("xwininfo"), {QStringLiteral("-id"), window});
    if (!info)
        return {};
    const int border = numberAfter(*info, QStringLiteral("Border width:"));
    const QRect rect(numberAfter(*info, QStringLiteral("Absolute upper-left X:")),
                     numberAfter(*info, QStringLiteral("Absolute upper-left Y:")),
                     numberAfter(*info, QStringLiteral("Width:")) + 2 * border,
                     numberAfter(*info, QStringLiteral("Height:")) + 2 * border);
    if (!withFrame)
        return rect;
    // The frame as the window manager says it drew it: left, right, top, bottom.
    const std::optional<QByteArray> extents =
        run(m_install.environment(), tool("xprop"),
            {QStringLiteral("-id"), window, QStringLiteral("_NET_FRAME_EXTENTS")});
    if (!extents)
        return {};
    const QStringList numbers =
        QString::fromUtf8(extents->mid(extents->indexOf('=') + 1)).split(u',');
    if (numbers.size() != 4)
        return {};
    return rect.adjusted(-numbers[0].trimmed().toInt(), -numbers[2].trimmed().toInt(),
                         numbers[1].trimmed().toInt(), numbers[3].trimmed().toInt());
}

void tst_ScreenKeysE2e::showPicture(QString *window)
{
    // Another program's window, with a picture whose every pixel is known.
    const QString file = m_install.path(QStringLiteral("shown.png"));
    QVERIFY(shownPicture().save(file));
    m_shown = m_install.start(tool("display"),
                              {QStringLiteral("-title"), QStringLiteral("Shown picture"),
                               QStringLiteral("-geometry"), QStringLiteral("+760+300"), file});
    *window = findWindow(QStringLiteral("^Shown picture$"));
    QVERIFY2(!window->isEmpty(), "the picture's window did not show");
}

void tst_ScreenKeysE2e::switchCaptureOff(const QString &pictarroWindow)
{
    // The "[ Click Here ]" that disables capturing is the lowest text drawn
    // in dark red; once clicked, "Disabled" is dark red too.
    const auto redPixels = [&](QPoint *lowest) {
        const QImage window = rootPicture(pictarroWindow);
        int count = 0;
        for (int y = 0; y < window.height(); ++y) {
            for (int x = 0; x < window.width(); ++x) {
                if (darkRed(window.pixel(x, y))) {
                    ++count;
                    if (lowest)
                        *lowest = QPoint(x, y);
                }
            }
        }
        return count;
    };
    QPoint link(-1, -1);
    const int before = redPixels(&link);
    QVERIFY2(link.x() >= 0, "no dark red link in Pictarro's window");
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), pictarroWindow,
             QString::number(link.x()), QString::number(link.y()), QStringLiteral("click"),
             QStringLiteral("1")});
    QVERIFY2(pollUntil([&] { return redPixels(nullptr) > before; }),
             "Pictarro does not show \"Disabled\"");
}

// ------------------------------------------------------------------ cases

void tst_ScreenKeysE2e::screenKey_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("numLock");
    // none, focused (no window manager), framed (openbox), stale (focused,
    // and a window manager that ended left its word on another window)
    QTest::addColumn<QString>("active");
    QTest::addColumn<bool>("printHeld"); // another program holds PrintScreen first
    QTest::addColumn<bool>("captureOn");
    QTest::addColumn<bool>("keepsPicture"); // the clipboard keeps each capture

    const QString print = QStringLiteral("Print");
    const QString altPrint = QStringLiteral("alt+Print");
    QTest::newRow("PrintScreen: the whole screen saved")
        << print << false << QStringLiteral("none") << false << true << false;
    QTest::newRow("PrintScreen with NumLock on")
        << print << true << QStringLiteral("none") << false << true << false;
    QTest::newRow("Alt+PrintScreen: the focused window, no window manager")
        << altPrint << false << QStringLiteral("focused") << false << true << false;
    QTest::newRow("Alt+PrintScreen: the focused window, a window manager's word left behind")
        << altPrint << false << QStringLiteral("stale") << false << true << false;
    QTest::newRow("Alt+PrintScreen: the active window with its frame")
        << altPrint << false << QStringLiteral("framed") << false << true << false;
    QTest::newRow("Alt+PrintScreen with NumLock on, PrintScreen held by another program")
        << altPrint << true << QStringLiteral("none") << true << true << false;
    QTest::newRow("capturing off: the screen stays on the clipboard")
        << print << false << QStringLiteral("none") << false << false << false;
    QTest::newRow("PrintScreen: the screen saved, then kept on the clipboard to paste")
        << print << false << QStringLiteral("none") << false << true << true;
}

void tst_ScreenKeysE2e::screenKey()
{
    QFETCH(const QString, key);
    QFETCH(const bool, numLock);
    QFETCH(const QString, active);
    QFETCH(const bool, printHeld);
    QFETCH(const bool, captureOn);
    QFETCH(const bool, keepsPicture);
    const QProcessEnvironment env = m_install.environment();
    if (keepsPicture) {
        QVERIFY(QDir().mkpath(QFileInfo(m_install.settingsFile()).path()));
        QFile settings(m_install.settingsFile());
        QVERIFY(settings.open(QIODevice::WriteOnly));
        QVERIFY(settings.write("[ClipboardAfterCapture]\nMode=Picture\n") > 0);
    }

    if (active == QLatin1String("framed")) {
        // Openbox's own configuration binds both keys to scrot: this one
        // binds no keys at all.
        const QString config = m_install.path(QStringLiteral("openbox.xml"));
        QFile rc(config);
        QVERIFY(rc.open(QIODevice::WriteOnly));
        rc.write("<?xml version=\"1.0\"?>\n<openbox_config xmlns=\"http://openbox.org/3.4/rc\">"
                 "<keyboard/></openbox_config>\n");
        rc.close();
        m_windowManager =
            m_install.start(tool("openbox"), {QStringLiteral("--sm-disable"),
                                              QStringLiteral("--config-file"), config});
        QVERIFY2(m_windowManager->waitForStarted(WaitMs), "openbox is not installed");
        QVERIFY2(pollUntil(
                     [&] {
                         const auto check = run(
                             env, tool("xprop"),
                             {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
                         return check && check->contains("window id");
                     },
                     SlowMs),
                 "openbox did not start");
    }
    if (printHeld) {
        m_holder = m_install.start(QStringLiteral(CLIPBOARD_AGENT), {QStringLiteral("hold-print")});
        QVERIFY(pollUntil([&] { return m_holder->canReadLine(); }));
        QCOMPARE(m_holder->readLine().trimmed(), QByteArray("holding"));
    }
    CHECKED(startPictarro());
    if (printHeld) {
        // Said once, on standard error, and only of the key held elsewhere.
        QByteArray said;
        QVERIFY2(pollUntil([&] {
                     said += m_pictarro->readAllStandardError();
                     return said.contains("already takes PrintScreen;");
                 }),
                 "Pictarro did not say which key it leaves");
        QVERIFY2(!said.contains("Alt+PrintScreen"), said.constData());
    }

    const QImage shown = shownPicture();
    QString shownWindow;
    CHECKED(showPicture(&shownWindow));
    if (active == QLatin1String("focused") || active == QLatin1String("stale"))
        CHECKED(xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), shownWindow}));
    if (active == QLatin1String("stale")) {
        // It names Pictarro's own window, which is not the focused one.
        m_rootPropertiesLeft = true;
        QVERIFY(
            run(env, QStringLiteral(CLIPBOARD_AGENT),
                {QStringLiteral("window-manager-gone"), findWindow(QStringLiteral("^Pictarro$"))}));
    }
    if (active == QLatin1String("framed"))
        CHECKED(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), shownWindow}));

    if (!captureOn) {
        CHECKED(switchCaptureOff(findWindow(QStringLiteral("^Pictarro$"))));
    }
    if (numLock) {
        CHECKED(xdotool({QStringLiteral("key"), QStringLiteral("Num_Lock")}));
        m_numLockOn = true;
    }

    // Text on the clipboard: after a capture the clipboard is empty.
    Child text =
        m_install.start(tool("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                        QStringLiteral("-quiet")});
    QVERIFY(text->waitForStarted(WaitMs));
    text->write("copied before\n");
    text->closeWriteChannel();
    QVERIFY(pollUntil([&] {
        const auto offered =
            run(env, tool("xclip"),
                {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
        return offered && offered->startsWith("copied before");
    }));

    // The screen as another program reads it, just before the key.
    const QImage screen = rootPicture();
    QVERIFY(!screen.isNull());
    QRect expectedRect = screen.rect();
    if (key == QLatin1String("alt+Print") && active != QLatin1String("none"))
        expectedRect = windowRect(shownWindow, active == QLatin1String("framed"));
    QVERIFY(!expectedRect.isEmpty());
    const QImage expected = screen.copy(expectedRect);
    if (active == QLatin1String("framed"))
        QVERIFY2(expectedRect.height() > shown.height() + 10, "openbox drew no title bar");

    if (printHeld) {
        // The key goes to the program that held it first, not to Pictarro.
        CHECKED(xdotool({QStringLiteral("key"), QStringLiteral("Print")}));
        QVERIFY2(pollUntil([&] { return m_holder->canReadLine(); }),
                 "the screenshot tool did not get PrintScreen");
        QCOMPARE(m_holder->readLine().trimmed(), QByteArray("pressed"));
    }
    CHECKED(xdotool({QStringLiteral("key"), key}));

    QImage captured;
    const QString file = m_install.defaultCaptureFolder() + QLatin1String("/Pictarro 1.bmp");
    if (captureOn) {
        QVERIFY2(pollUntil([&] { return QFileInfo::exists(file); }),
                 qPrintable(QLatin1String("no capture; the folder holds: ") +
                            listing(m_install.defaultCaptureFolder())));
        captured = QImage(file);
        // Saved once (the key held elsewhere saved nothing), and the
        // clipboard emptied, the text with it.
        QVERIFY(ended(*text));
        QCOMPARE(listing(m_install.defaultCaptureFolder()), QStringLiteral("Pictarro 1.bmp"));
        QImage pasted;
        if (keepsPicture)
            QVERIFY2(pollUntil([&] {
                         const auto png = run(env, tool("xclip"),
                                              {QStringLiteral("-o"), QStringLiteral("-selection"),
                                               QStringLiteral("clipboard"), QStringLiteral("-t"),
                                               QStringLiteral("image/png")});
                         pasted = png ? QImage::fromData(*png, "PNG") : QImage();
                         return !pasted.isNull() && differenceText(pasted, captured).isEmpty();
                     }),
                     "the capture is not on the clipboard to paste");
    } else {
        QVERIFY2(pollUntil([&] {
                     const auto png = run(env, tool("xclip"),
                                          {QStringLiteral("-o"), QStringLiteral("-selection"),
                                           QStringLiteral("clipboard"), QStringLiteral("-t"),
                                           QStringLiteral("image/png")});
                     if (png)
                         captured = QImage::fromData(*png, "PNG");
                     return !captured.isNull();
                 }),
                 "no picture on the clipboard");
        // Pictarro owns the clipboard now: the text's owner lost it.
        QVERIFY2(ended(*text),
                 run(env, tool("xclip"),
                     {QStringLiteral("-o"), QStringLiteral("-selection"),
                      QStringLiteral("clipboard"), QStringLiteral("-t"), QStringLiteral("TARGETS")})
                     .value_or("(no owner)")
                     .constData());
        QCOMPARE(listing(m_install.defaultCaptureFolder()), QString());
    }
    const QString difference = differenceText(captured, expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    if (active == QLatin1String("none"))
        QCOMPARE(captured.size(), screenSize());
    if (active != QLatin1String("none")) {
        // The other program's picture, pixel for pixel, inside the window.
        const std::optional<QByteArray> info =
            run(env, tool("xwininfo"), {QStringLiteral("-id"), shownWindow});
        QVERIFY(info);
        const int border = numberAfter(*info, QStringLiteral("Border width:"));
        const QPoint client =
            QPoint(numberAfter(*info, QStringLiteral("Absolute upper-left X:")) + border,
                   numberAfter(*info, QStringLiteral("Absolute upper-left Y:")) + border) -
            expectedRect.topLeft();
        const QString inside = differenceText(captured.copy(QRect(client, shown.size())),
                                              shown.convertToFormat(QImage::Format_RGB32));
        QVERIFY2(inside.isEmpty(), qPrintable(inside));
    }

    // Its grabs go when it ends: a screenshot tool started later gets the key.
    if (!printHeld) {
        m_pictarro.reset();
        m_holder = m_install.start(QStringLiteral(CLIPBOARD_AGENT), {QStringLiteral("hold-print")});
        QVERIFY(pollUntil([&] { return m_holder->canReadLine(); }));
        QCOMPARE(m_holder->readLine().trimmed(), QByteArray("holding"));
    }
}

void tst_ScreenKeysE2e::screenshotTool_copiesAndQuits_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("captureOn");
    const QStringList gnome{"-c"};
    const QStringList xfce{"-f", "-c"};
    QTest::newRow("gnome-screenshot -c") << "gnome-screenshot" << gnome << true;
    QTest::newRow("xfce4-screenshooter -f -c") << "xfce4-screenshooter" << xfce << true;
    QTest::newRow("capturing off: the tool's screen stays on the clipboard")
        << "gnome-screenshot" << gnome << false;
}

void tst_ScreenKeysE2e::screenshotTool_copiesAndQuits()
{
    // GTK 3 tools: the picture is copied, the tool quits at once and hands
    // it over to the clipboard manager, Pictarro, on its way out.
    QFETCH(const QString, program);
    QFETCH(const QStringList, arguments);
    QFETCH(const bool, captureOn);
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        QSKIP(qPrintable(program + QLatin1String(" is not installed")));
    const QProcessEnvironment env = m_install.environment();
    CHECKED(startPictarro());
    QString shownWindow;
    CHECKED(showPicture(&shownWindow));
    if (!captureOn)
        CHECKED(switchCaptureOff(findWindow(QStringLiteral("^Pictarro$"))));
    const auto clipboard = [&](const char *target) {
        return run(env, tool("xclip"),
                   {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                    QStringLiteral("-t"), QLatin1String(target)});
    };

    const QString folder = m_install.defaultCaptureFolder();
    for (int n = 1; n <= (captureOn ? 3 : 1); ++n) {
        // Pictarro's window shows the counter: the screen changes with
        // each capture, so it is read again before each.
        const QImage expected = rootPicture();
        QVERIFY(!expected.isNull());
        Child screenshot = m_install.start(path, arguments);
        QVERIFY2(screenshot->waitForFinished(SlowMs), qPrintable(program));
        QVERIFY2(screenshot->exitStatus() == QProcess::NormalExit && screenshot->exitCode() == 0,
                 screenshot->readAllStandardError().constData());
        if (!captureOn) {
            // Kept for pasting, as a clipboard manager keeps it.
            QImage pasted;
            QVERIFY2(pollUntil([&] {
                         const auto png = clipboard("image/png");
                         pasted = png ? QImage::fromData(*png, "PNG") : QImage();
                         return !pasted.isNull();
                     }),
                     "no picture on the clipboard");
            const QString difference =
                differenceText(pasted.convertToFormat(QImage::Format_RGB32), expected);
            QVERIFY2(difference.isEmpty(), qPrintable(difference));
            QCOMPARE(listing(folder), QString());
            return;
        }
        const QString file = folder + QStringLiteral("/Pictarro %1.bmp").arg(n);
        QVERIFY2(pollUntil([&] { return QFileInfo::exists(file); }),
                 qPrintable(QLatin1String("no capture; the folder holds: ") + listing(folder)));
        const QString difference = differenceText(QImage(file), expected);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        // Nothing stays behind on the clipboard.
        QVERIFY(pollUntil([&] { return !clipboard("TARGETS"); }));
    }
    QCOMPARE(listing(folder), QStringLiteral("Pictarro 1.bmp, Pictarro 2.bmp, Pictarro 3.bmp"));
}

QTEST_GUILESS_MAIN(tst_ScreenKeysE2e)
#include "tst_screenkeys_e2e.moc"
