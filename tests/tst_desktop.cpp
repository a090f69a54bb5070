// The desktop services: the wallpaper and display settings commands of
// each desktop, the root window wallpaper of a bare X server, and the
// wallpaper bitmap files.
#include "RecordingRunner.h"
#include "TestFiles.h"
#include "Wallpaper.h"
#include "WallpaperFiles.h"

#include <QtGui>
#include <QtTest>
#include <xcb/xcb.h>

using platform::Desktop;

namespace {

// A picture of four coloured quarters, so a wrong orientation or a wrong
// picture shows.
QImage quarters(QColor a, QColor b, QColor c, QColor d)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(a);
    QPainter painter(&image);
    painter.fillRect(32, 0, 32, 24, b);
    painter.fillRect(0, 24, 32, 24, c);
    painter.fillRect(32, 24, 32, 24, d);
    return image;
}

bool near(QRgb actual, QColor expected, int tolerance = 12)
{
    return qAbs(qRed(actual) - expected.red()) <= tolerance &&
           qAbs(qGreen(actual) - expected.green()) <= tolerance &&
           qAbs(qBlue(actual) - expected.blue()) <= tolerance;
}

const QString WallpaperFile =
    QStringLiteral("/home/ann/.local/share/Pictarro/Pictarro Wallpaper.bmp");
const QString WallpaperUri =
    QStringLiteral("file:///home/ann/.local/share/Pictarro/Pictarro%20Wallpaper.bmp");

QStringList gsettings(const QString &schema, const QString &key, const QString &value)
{
    return {"gsettings", "set", schema, key, value};
}

QStringList xfconf(const QString &property, const QString &type, const QString &value)
{
    return {"xfconf-query", "--channel", "xfce4-desktop", "--property", property, "--create",
            "--type",       type,        "--set",         value};
}

} // namespace

class TestDesktop : public QObject, private TempFolderFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void desktopFromName_data();
    void desktopFromName();
    void wallpaperCommands_data();
    void wallpaperCommands();
    void wallpaperCommands_xfceSetsEveryBackdrop();
    void wallpaperCommands_kdeScriptCarriesTheFileUri();
    void setWallpaper_runsTheCommandsWithinOneDeadline();
    void setWallpaper_xfceListsItsBackdropsFirst();
    void displaySettingsCommand_data();
    void displaySettingsCommand();
    void openDisplaySettings_startsDetached();
    void rootWindow_withoutXServer_fails();
    void rootWindow_onXvfb_showsThePicture();

    void change_jpegBecomesTheWallpaperBitmap();
    void change_twiceLeavesOneBitmapOfTheSecondPicture();
    void change_nullPicture_keepsTheOldWallpaper();
    void change_unwritableBitmap_keepsTheOldWallpaper();
    void change_wallpaperNameTaken_leavesNoBitmapBehind();
    void changeFromFile_unreadablePicture_keepsTheOldWallpaper();
    void change_handsTheBitmapToTheDesktop();
};

// --- wallpaper and display settings commands ------------------------------

void TestDesktop::desktopFromName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Desktop>("desktop");
    QTest::newRow("GNOME") << "GNOME" << Desktop::Gnome;
    QTest::newRow("Ubuntu") << "ubuntu:GNOME" << Desktop::Gnome;
    QTest::newRow("Unity") << "Unity" << Desktop::Gnome;
    QTest::newRow("Budgie") << "Budgie:GNOME" << Desktop::Gnome;
    QTest::newRow("Cinnamon") << "X-Cinnamon" << Desktop::Cinnamon;
    QTest::newRow("MATE") << "MATE" << Desktop::Mate;
    QTest::newRow("XFCE") << "XFCE" << Desktop::Xfce;
    QTest::newRow("KDE") << "KDE" << Desktop::Kde;
    QTest::newRow("LXQt") << "LXQt" << Desktop::Lxqt;
    QTest::newRow("case does not matter") << "kde" << Desktop::Kde;
    QTest::newRow("first known entry counts") << "i3:XFCE:GNOME" << Desktop::Xfce;
    QTest::newRow("unset") << "" << Desktop::Other;
    QTest::newRow("bare window manager") << "i3" << Desktop::Other;
}

void TestDesktop::desktopFromName()
{
    QFETCH(QString, name);
    QFETCH(Desktop, desktop);
    QCOMPARE(platform::desktopFromName(name), desktop);
}

void TestDesktop::wallpaperCommands_data()
{
    QTest::addColumn<Desktop>("desktop");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<QStringList>>("commands");
    const QString gnome = "org.gnome.desktop.background";
    const QString uri = "'" + WallpaperUri + "'";
    QTest::newRow("GNOME sets the light and the dark picture")
        << Desktop::Gnome << WallpaperFile
        << QList<QStringList>{gsettings(gnome, "picture-options", "'zoom'"),
                              gsettings(gnome, "picture-uri", uri),
                              gsettings(gnome, "picture-uri-dark", uri)};
    QTest::newRow("GNOME without wallpaper")
        << Desktop::Gnome << QString()
        << QList<QStringList>{gsettings(gnome, "picture-options", "'none'"),
                              gsettings(gnome, "picture-uri", "''"),
                              gsettings(gnome, "picture-uri-dark", "''")};
    QTest::newRow("GNOME quotes a quote")
        << Desktop::Gnome << "/home/ann/it's.bmp"
        << QList<QStringList>{
               gsettings(gnome, "picture-options", "'zoom'"),
               gsettings(gnome, "picture-uri", "'file:///home/ann/it\\'s.bmp'"),
               gsettings(gnome, "picture-uri-dark", "'file:///home/ann/it\\'s.bmp'")};
    const QString cinnamon = "org.cinnamon.desktop.background";
    QTest::newRow("Cinnamon") << Desktop::Cinnamon << WallpaperFile
                              << QList<QStringList>{
                                     gsettings(cinnamon, "picture-options", "'zoom'"),
                                     gsettings(cinnamon, "picture-uri", uri)};
    QTest::newRow("MATE takes a path")
        << Desktop::Mate << WallpaperFile
        << QList<QStringList>{
               gsettings("org.mate.background", "picture-options", "'zoom'"),
               gsettings("org.mate.background", "picture-filename", "'" + WallpaperFile + "'")};
    QTest::newRow("MATE without wallpaper")
        << Desktop::Mate << QString()
        << QList<QStringList>{gsettings("org.mate.background", "picture-options", "'none'"),
                              gsettings("org.mate.background", "picture-filename", "''")};
    const QString backdrop = "/backdrop/screen0/monitor0/workspace0";
    QTest::newRow("XFCE with no backdrop known")
        << Desktop::Xfce << WallpaperFile
        << QList<QStringList>{xfconf(backdrop + "/last-image", "string", WallpaperFile),
                              xfconf(backdrop + "/image-style", "int", "5")};
    QTest::newRow("XFCE without wallpaper")
        << Desktop::Xfce << QString()
        << QList<QStringList>{xfconf(backdrop + "/image-style", "int", "0")};
    QTest::newRow("LXQt") << Desktop::Lxqt << WallpaperFile
                          << QList<QStringList>{{"pcmanfm-qt", "--set-wallpaper=" + WallpaperFile,
                                                 "--wallpaper-mode=zoom"}};
    QTest::newRow("LXQt without wallpaper")
        << Desktop::Lxqt << QString()
        << QList<QStringList>{{"pcmanfm-qt", "--wallpaper-mode=color"}};
    QTest::newRow("another desktop uses the root window")
        << Desktop::Other << WallpaperFile << QList<QStringList>{};
}

void TestDesktop::wallpaperCommands()
{
    QFETCH(Desktop, desktop);
    QFETCH(QString, file);
    QFETCH(QList<QStringList>, commands);
    QCOMPARE(platform::wallpaperCommands(desktop, file), commands);
}

void TestDesktop::wallpaperCommands_xfceSetsEveryBackdrop()
{
    const QStringList properties{"/backdrop/screen0/monitorHDMI-1/workspace0/color-style",
                                 "/backdrop/screen0/monitorHDMI-1/workspace0/last-image",
                                 "/backdrop/screen0/monitorHDMI-1/workspace1/last-image",
                                 "/backdrop/screen0/monitoreDP-1/workspace0/image-style",
                                 "/backdrop/single-workspace-mode",
                                 "/desktop-icons/style"};
    const QList<QStringList> commands =
        platform::wallpaperCommands(Desktop::Xfce, WallpaperFile, properties);
    QStringList set;
    for (const QStringList &command : commands)
        set << command.at(4) + "=" + command.last();
    QCOMPARE(set,
             (QStringList{"/backdrop/screen0/monitorHDMI-1/workspace0/last-image=" + WallpaperFile,
                          "/backdrop/screen0/monitorHDMI-1/workspace0/image-style=5",
                          "/backdrop/screen0/monitorHDMI-1/workspace1/last-image=" + WallpaperFile,
                          "/backdrop/screen0/monitorHDMI-1/workspace1/image-style=5",
                          "/backdrop/screen0/monitoreDP-1/workspace0/last-image=" + WallpaperFile,
                          "/backdrop/screen0/monitoreDP-1/workspace0/image-style=5"}));
}

void TestDesktop::wallpaperCommands_kdeScriptCarriesTheFileUri()
{
    const QList<QStringList> commands =
        platform::wallpaperCommands(Desktop::Kde, "/home/ann/a \"b\".bmp");
    QCOMPARE(commands.size(), 1);
    const QStringList command = commands.first();
    QCOMPARE(
        command.mid(0, 7),
        (QStringList{"dbus-send", "--session", "--print-reply", "--dest=org.kde.plasmashell",
                     "--type=method_call", "/PlasmaShell", "org.kde.PlasmaShell.evaluateScript"}));
    const QString script = command.at(7);
    QVERIFY(script.startsWith("string:"));
    QVERIFY2(script.contains("d.writeConfig(\"Image\", \"file:///home/ann/a%20%22b%22.bmp\")"),
             qPrintable(script));
    QVERIFY(script.contains("\"org.kde.image\""));

    const QString removal = platform::wallpaperCommands(Desktop::Kde, {}).first().at(7);
    QVERIFY(removal.contains("\"org.kde.color\""));
    QVERIFY(!removal.contains("writeConfig(\"Image\""));
}

void TestDesktop::setWallpaper_runsTheCommandsWithinOneDeadline()
{
    RecordingRunner runner;
    QVERIFY(platform::setWallpaper(Desktop::Gnome, WallpaperFile));
    QCOMPARE(runner.ran, platform::wallpaperCommands(Desktop::Gnome, WallpaperFile));
    for (const int timeout : runner.timeouts)
        QVERIFY2(timeout > 0 && timeout <= 5000, qPrintable(QString::number(timeout)));
}

void TestDesktop::setWallpaper_xfceListsItsBackdropsFirst()
{
    RecordingRunner runner;
    runner.listOutput = "/backdrop/screen0/monitorVGA-1/workspace0/last-image\n"
                        "/backdrop/screen0/monitorVGA-1/workspace3/last-image\n";
    QVERIFY(platform::setWallpaper(Desktop::Xfce, WallpaperFile));
    QVERIFY(!runner.ran.isEmpty());
    QCOMPARE(runner.ran.first(), platform::xfceListCommand());
    QCOMPARE(runner.ran.size(), 1 + 4);
    QCOMPARE(runner.ran.at(3).at(4),
             QStringLiteral("/backdrop/screen0/monitorVGA-1/workspace3/last-image"));
}

void TestDesktop::displaySettingsCommand_data()
{
    QTest::addColumn<Desktop>("desktop");
    QTest::addColumn<QStringList>("command");
    QTest::newRow("GNOME") << Desktop::Gnome << QStringList{"gnome-control-center", "display"};
    QTest::newRow("KDE") << Desktop::Kde << QStringList{"systemsettings", "kcm_kscreen"};
    QTest::newRow("XFCE") << Desktop::Xfce << QStringList{"xfce4-display-settings"};
    QTest::newRow("Cinnamon") << Desktop::Cinnamon << QStringList{"cinnamon-settings", "display"};
    QTest::newRow("MATE") << Desktop::Mate << QStringList{"mate-display-properties"};
    QTest::newRow("LXQt") << Desktop::Lxqt << QStringList{"lxqt-config-monitor"};
    QTest::newRow("other") << Desktop::Other << QStringList{};
}

void TestDesktop::displaySettingsCommand()
{
    QFETCH(Desktop, desktop);
    QFETCH(QStringList, command);
    QCOMPARE(platform::displaySettingsCommand(desktop), command);
}

void TestDesktop::openDisplaySettings_startsDetached()
{
    const QByteArray saved = qgetenv("XDG_CURRENT_DESKTOP");
    auto restore = qScopeGuard([&] { qputenv("XDG_CURRENT_DESKTOP", saved); });
    qputenv("XDG_CURRENT_DESKTOP", "KDE");
    RecordingRunner runner;
    runner.succeed = false; // not installed here: ignored
    platform::openDisplaySettings();
    QCOMPARE(runner.started, (QList<QStringList>{{"systemsettings", "kcm_kscreen"}}));
    QVERIFY(runner.ran.isEmpty());
}

void TestDesktop::rootWindow_withoutXServer_fails()
{
    const QByteArray saved = qgetenv("DISPLAY");
    auto restore = qScopeGuard([&] { qputenv("DISPLAY", saved); });
    qunsetenv("DISPLAY");
    const QString picture = path("p.bmp");
    QVERIFY(quarters(Qt::red, Qt::green, Qt::blue, Qt::white).save(picture, "BMP"));
    QVERIFY(!platform::setRootWindowWallpaper(picture));
    QVERIFY(!platform::setRootWindowWallpaper(path("missing.bmp")));
}

namespace {

xcb_pixmap_t rootPixmap(xcb_connection_t *c, xcb_window_t root, const char *name)
{
    xcb_intern_atom_reply_t *atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, uint16_t(strlen(name)), name), nullptr);
    if (!atom)
        return XCB_PIXMAP_NONE;
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, atom->atom, XCB_ATOM_PIXMAP, 0, 1), nullptr);
    free(atom);
    xcb_pixmap_t pixmap = XCB_PIXMAP_NONE;
    if (reply && xcb_get_property_value_length(reply) == 4)
        memcpy(&pixmap, xcb_get_property_value(reply), 4);
    free(reply);
    return pixmap;
}

// The pixel of a pixmap at a point, as 0xRRGGBB.
quint32 pixelAt(xcb_connection_t *c, xcb_pixmap_t pixmap, int x, int y)
{
    xcb_get_image_reply_t *reply = xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, int16_t(x), int16_t(y), 1, 1, ~0u),
        nullptr);
    quint32 pixel = 0xdeadbeef;
    if (reply && xcb_get_image_data_length(reply) >= 4)
        memcpy(&pixel, xcb_get_image_data(reply), 4);
    free(reply);
    return pixel & 0xffffff;
}

} // namespace

void TestDesktop::rootWindow_onXvfb_showsThePicture()
{
    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    if (xvfb.isEmpty())
        QSKIP("Xvfb is not installed");
    QProcess server;
    server.start(xvfb, {"-displayfd", "1", "-screen", "0", "320x240x24", "-nolisten", "tcp"});
    auto stop = qScopeGuard([&] {
        server.terminate();
        server.waitForFinished(5000);
    });
    QByteArray number;
    QDeadlineTimer deadline(20000);
    while (!number.contains('\n') && !deadline.hasExpired() &&
           server.state() != QProcess::NotRunning) {
        server.waitForReadyRead(200);
        number += server.readAllStandardOutput();
    }
    if (!number.contains('\n'))
        QSKIP("Xvfb did not start");
    const QByteArray display = ":" + number.trimmed();
    const QByteArray saved = qgetenv("DISPLAY");
    auto restore = qScopeGuard([&] { qputenv("DISPLAY", saved); });
    qputenv("DISPLAY", display);

    // Quarters red, green / blue, white, stretched over 320x240 (same shape).
    const QString first = path("first.bmp");
    QVERIFY(quarters(Qt::red, Qt::green, Qt::blue, Qt::white).save(first, "BMP"));
    QVERIFY(platform::setRootWindowWallpaper(first));

    xcb_connection_t *c = xcb_connect(display.constData(), nullptr);
    auto disconnect = qScopeGuard([&] { xcb_disconnect(c); });
    QVERIFY(!xcb_connection_has_error(c));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_pixmap_t shown = rootPixmap(c, root, "_XROOTPMAP_ID");
    QVERIFY(shown != XCB_PIXMAP_NONE);
    QCOMPARE(rootPixmap(c, root, "ESETROOT_PMAP_ID"), shown);
    QCOMPARE(pixelAt(c, shown, 40, 40), 0xff0000u);
    QCOMPARE(pixelAt(c, shown, 280, 40), 0x00ff00u);
    QCOMPARE(pixelAt(c, shown, 40, 200), 0x0000ffu);
    QCOMPARE(pixelAt(c, shown, 280, 200), 0xffffffu);

    // A second picture replaces the first; the first pixmap is freed.
    const QString second = path("second.bmp");
    QVERIFY(quarters(Qt::yellow, Qt::yellow, Qt::yellow, Qt::yellow).save(second, "BMP"));
    QVERIFY(platform::setRootWindowWallpaper(second));
    const xcb_pixmap_t replaced = rootPixmap(c, root, "_XROOTPMAP_ID");
    QVERIFY(replaced != shown);
    QCOMPARE(pixelAt(c, replaced, 160, 120), 0xffff00u);
    QCOMPARE(pixelAt(c, shown, 160, 120), 0xdeadbeef & 0xffffffu);

    // No wallpaper: the announcement goes, and so does the pixmap.
    QVERIFY(platform::setRootWindowWallpaper(QString()));
    QCOMPARE(rootPixmap(c, root, "_XROOTPMAP_ID"), xcb_pixmap_t(XCB_PIXMAP_NONE));
    QCOMPARE(rootPixmap(c, root, "ESETROOT_PMAP_ID"), xcb_pixmap_t(XCB_PIXMAP_NONE));
    QCOMPARE(pixelAt(c, replaced, 160, 120), 0xdeadbeef & 0xffffffu);
}

// --- wallpaper bitmap files -----------------------------------------------

namespace {

struct SetCalls
{
    QStringList paths;
    WallpaperFiles::SetWallpaper setter()
    {
        return [this](const QString &path) {
            paths << path;
            return true;
        };
    }
};

} // namespace

void TestDesktop::change_jpegBecomesTheWallpaperBitmap()
{
    const QString folder = path("data");
    QVERIFY(QDir().mkpath(folder));
    const QString jpeg = path("holiday photo.jpg");
    QVERIFY(quarters(Qt::red, Qt::green, Qt::blue, Qt::white).save(jpeg, "JPG", 95));

    SetCalls calls;
    const WallpaperFiles::Result result =
        WallpaperFiles::changeFromFile(jpeg, folder, calls.setter());
    QVERIFY2(result.ok, qPrintable(result.error));
    QVERIFY(result.desktopAccepted);
    const QString wallpaper = folder + "/Pictarro Wallpaper.bmp";
    QCOMPARE(calls.paths, QStringList{wallpaper});
    QCOMPARE(entries(folder), QStringList{"Pictarro Wallpaper.bmp"});

    QVERIFY(readFile(wallpaper).startsWith("BM"));
    QImageReader reader(wallpaper);
    QCOMPARE(reader.format(), QByteArray("bmp"));
    const QImage bitmap = reader.read();
    QCOMPARE(bitmap.size(), QSize(64, 48));
    QVERIFY(near(bitmap.pixel(8, 8), Qt::red));
    QVERIFY(near(bitmap.pixel(56, 8), Qt::green));
    QVERIFY(near(bitmap.pixel(8, 40), Qt::blue));
    QVERIFY(near(bitmap.pixel(56, 40), Qt::white));
}

void TestDesktop::change_twiceLeavesOneBitmapOfTheSecondPicture()
{
    const QString folder = m_dir->path();
    SetCalls calls;
    QVERIFY(
        WallpaperFiles::change(quarters(Qt::red, Qt::red, Qt::red, Qt::red), folder, calls.setter())
            .ok);
    QVERIFY(WallpaperFiles::change(quarters(Qt::blue, Qt::blue, Qt::blue, Qt::white), folder,
                                   calls.setter())
                .ok);
    QCOMPARE(entries(folder), QStringList{"Pictarro Wallpaper.bmp"});
    const QImage bitmap(folder + "/Pictarro Wallpaper.bmp");
    QCOMPARE(bitmap.pixel(8, 8), qRgb(0, 0, 255));
    QCOMPARE(bitmap.pixel(56, 40), qRgb(255, 255, 255));
    QCOMPARE(calls.paths.size(), 2);
}

void TestDesktop::change_nullPicture_keepsTheOldWallpaper()
{
    const QString folder = m_dir->path();
    QVERIFY(writeFile(folder + "/Pictarro Wallpaper.bmp", "the old wallpaper"));
    SetCalls calls;
    const WallpaperFiles::Result result = WallpaperFiles::change(QImage(), folder, calls.setter());
    QVERIFY(!result.ok);
    QVERIFY(!result.error.isEmpty());
    QVERIFY(calls.paths.isEmpty());
    QCOMPARE(readFile(folder + "/Pictarro Wallpaper.bmp"), QByteArray("the old wallpaper"));
    QCOMPARE(entries(folder), QStringList{"Pictarro Wallpaper.bmp"});
}

void TestDesktop::change_unwritableBitmap_keepsTheOldWallpaper()
{
    // The temporary bitmap's name is taken by a folder: it cannot be
    // written, whoever runs the test.
    const QString folder = m_dir->path();
    QVERIFY(writeFile(folder + "/Pictarro Wallpaper.bmp", "the old wallpaper"));
    QVERIFY(QDir(folder).mkdir("JunkPic.bmp"));
    SetCalls calls;
    const WallpaperFiles::Result result = WallpaperFiles::change(
        quarters(Qt::red, Qt::red, Qt::red, Qt::red), folder, calls.setter());
    QVERIFY(!result.ok);
    QVERIFY2(result.error.contains("JunkPic.bmp"), qPrintable(result.error));
    QVERIFY(calls.paths.isEmpty());
    QCOMPARE(readFile(folder + "/Pictarro Wallpaper.bmp"), QByteArray("the old wallpaper"));
    QVERIFY(QFileInfo(folder + "/JunkPic.bmp").isDir());
}

void TestDesktop::change_wallpaperNameTaken_leavesNoBitmapBehind()
{
    // A folder holds the wallpaper's name: the new bitmap cannot take it.
    const QString folder = m_dir->path();
    QVERIFY(QDir(folder).mkpath("Pictarro Wallpaper.bmp/inside"));
    SetCalls calls;
    const WallpaperFiles::Result result = WallpaperFiles::change(
        quarters(Qt::red, Qt::red, Qt::red, Qt::red), folder, calls.setter());
    QVERIFY(!result.ok);
    QVERIFY2(result.error.contains("Pictarro Wallpaper.bmp"), qPrintable(result.error));
    QVERIFY(calls.paths.isEmpty());
    QCOMPARE(entries(folder), QStringList{"Pictarro Wallpaper.bmp"});
    QVERIFY(QFileInfo(folder + "/Pictarro Wallpaper.bmp/inside").isDir());
}

void TestDesktop::changeFromFile_unreadablePicture_keepsTheOldWallpaper()
{
    const QString folder = path("data");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(writeFile(folder + "/Pictarro Wallpaper.bmp", "the old wallpaper"));
    const QString notAPicture = path("notes.jpg");
    QVERIFY(writeFile(notAPicture, "these are words, not a picture"));
    SetCalls calls;
    for (const QString &file : {notAPicture, path("missing.bmp")}) {
        const WallpaperFiles::Result result =
            WallpaperFiles::changeFromFile(file, folder, calls.setter());
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(QFileInfo(file).fileName()), qPrintable(result.error));
    }
    QVERIFY(calls.paths.isEmpty());
    QCOMPARE(entries(folder), QStringList{"Pictarro Wallpaper.bmp"});
    QCOMPARE(readFile(folder + "/Pictarro Wallpaper.bmp"), QByteArray("the old wallpaper"));
}

void TestDesktop::change_handsTheBitmapToTheDesktop()
{
    const QByteArray saved = qgetenv("XDG_CURRENT_DESKTOP");
    auto restore = qScopeGuard([&] { qputenv("XDG_CURRENT_DESKTOP", saved); });
    qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
    RecordingRunner runner;
    const QString folder = m_dir->path();
    const WallpaperFiles::Result result =
        WallpaperFiles::change(quarters(Qt::red, Qt::red, Qt::red, Qt::red), folder);
    QVERIFY(result.ok);
    QVERIFY(result.desktopAccepted);
    QCOMPARE(runner.ran,
             platform::wallpaperCommands(Desktop::Gnome, WallpaperFiles::wallpaperPath(folder)));
}

QTEST_GUILESS_MAIN(TestDesktop)
#include "tst_desktop.moc"
