#include "Wallpaper.h"

#include "Xcb.h"

#include <QDeadlineTimer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSysInfo>
#include <QUrl>
#include <QtEndian>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace platform {

namespace {

// All outside programs of one wallpaper change share this much time.
constexpr int ChangeTimeoutMs = 5000;

CommandRunner *installedRunner = nullptr;

QString fileUri(const QString &path)
{
    return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
}

// A GVariant string literal, as gsettings reads its value argument.
QString gvariantString(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    quoted.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// A JavaScript string literal for Plasma's desktop scripting.
QString javaScriptString(const QString &text)
{
    QString quoted;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
            quoted += QLatin1Char('\\');
        if (c == QLatin1Char('\n'))
            quoted += QLatin1String("\\n");
        else if (c == QLatin1Char('\r'))
            quoted += QLatin1String("\\r");
        else
            quoted += c;
    }
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QStringList gsettingsSet(const QString &schema, const QString &key, const QString &value)
{
    return {QStringLiteral("gsettings"), QStringLiteral("set"), schema, key, value};
}

QList<QStringList> gnomeCommands(const QString &schema, const QString &path)
{
    const QString uri = gvariantString(path.isEmpty() ? QString() : fileUri(path));
    const QString options =
        gvariantString(path.isEmpty() ? QStringLiteral("none") : QStringLiteral("zoom"));
    QList<QStringList> commands{gsettingsSet(schema, QStringLiteral("picture-options"), options),
                                gsettingsSet(schema, QStringLiteral("picture-uri"), uri)};
    // GNOME 42 and later show picture-uri-dark with the dark style.
    if (schema == QLatin1String("org.gnome.desktop.background"))
        commands << gsettingsSet(schema, QStringLiteral("picture-uri-dark"), uri);
    return commands;
}

QList<QStringList> mateCommands(const QString &path)
{
    const QString schema = QStringLiteral("org.mate.background");
    const QString options =
        gvariantString(path.isEmpty() ? QStringLiteral("none") : QStringLiteral("zoom"));
    return {gsettingsSet(schema, QStringLiteral("picture-options"), options),
            gsettingsSet(schema, QStringLiteral("picture-filename"), gvariantString(path))};
}

// The backdrops ("/backdrop/screen0/monitorHDMI-1/workspace0") among XFCE's
// desktop property names, in the order first seen.
QStringList xfceBackdrops(const QStringList &properties)
{
    static const QRegularExpression backdrop(
        QStringLiteral("^(/backdrop/screen\\d+/[^/]+/workspace\\d+)/"));
    QStringList backdrops;
    for (const QString &property : properties) {
        const QRegularExpressionMatch match = backdrop.match(property.trimmed());
        if (match.hasMatch() && !backdrops.contains(match.captured(1)))
            backdrops << match.captured(1);
    }
    if (backdrops.isEmpty())
        backdrops << QStringLiteral("/backdrop/screen0/monitor0/workspace0");
    return backdrops;
}

QStringList xfconfSet(const QString &property, const QString &type, const QString &value)
{
    return {QStringLiteral("xfconf-query"),
            QStringLiteral("--channel"),
            QStringLiteral("xfce4-desktop"),
            QStringLiteral("--property"),
            property,
            QStringLiteral("--create"),
            QStringLiteral("--type"),
            type,
            QStringLiteral("--set"),
            value};
}

QList<QStringList> xfceCommands(const QString &path, const QStringList &properties)
{
    // image-style 0 shows no picture, 5 fills the screen with it.
    const QString style = path.isEmpty() ? QStringLiteral("0") : QStringLiteral("5");
    QList<QStringList> commands;
    for (const QString &backdrop : xfceBackdrops(properties)) {
        if (!path.isEmpty())
            commands << xfconfSet(backdrop + QLatin1String("/last-image"), QStringLiteral("string"),
                                  path);
        commands << xfconfSet(backdrop + QLatin1String("/image-style"), QStringLiteral("int"),
                              style);
    }
    return commands;
}

QList<QStringList> kdeCommands(const QString &path)
{
    QString script;
    if (path.isEmpty()) {
        script = QStringLiteral("var all = desktops();"
                                "for (var i = 0; i < all.length; ++i) {"
                                " all[i].wallpaperPlugin = \"org.kde.color\";"
                                "}");
    } else {
        script = QStringLiteral("var all = desktops();"
                                "for (var i = 0; i < all.length; ++i) {"
                                " var d = all[i];"
                                " d.wallpaperPlugin = \"org.kde.image\";"
                                " d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\","
                                " \"General\"];"
                                " d.writeConfig(\"Image\", %1);"
                                "}")
                     .arg(javaScriptString(fileUri(path)));
    }
    return {{QStringLiteral("dbus-send"), QStringLiteral("--session"),
             QStringLiteral("--print-reply"), QStringLiteral("--dest=org.kde.plasmashell"),
             QStringLiteral("--type=method_call"), QStringLiteral("/PlasmaShell"),
             QStringLiteral("org.kde.PlasmaShell.evaluateScript"),
             QStringLiteral("string:") + script}};
}

QList<QStringList> lxqtCommands(const QString &path)
{
    if (path.isEmpty())
        return {{QStringLiteral("pcmanfm-qt"), QStringLiteral("--wallpaper-mode=color")}};
    return {{QStringLiteral("pcmanfm-qt"), QStringLiteral("--set-wallpaper=") + path,
             QStringLiteral("--wallpaper-mode=zoom")}};
}

// --- the X root window ---------------------------------------------------

template <typename Reply> using ReplyPtr = XcbPtr<Reply>;

struct Disconnect
{
    void operator()(xcb_connection_t *connection) const { xcb_disconnect(connection); }
};

xcb_pixmap_t pixmapProperty(xcb_connection_t *connection, xcb_window_t root, xcb_atom_t atom)
{
    const ReplyPtr<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, root, atom, XCB_ATOM_PIXMAP, 0, 1), nullptr));
    if (!reply || reply->type != XCB_ATOM_PIXMAP || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) < 4)
        return XCB_PIXMAP_NONE;
    xcb_pixmap_t pixmap = XCB_PIXMAP_NONE;
    std::memcpy(&pixmap, xcb_get_property_value(reply.get()), sizeof pixmap);
    return pixmap;
}

// True when the root window takes 32-bit pixels with 8 bits of red, green
// and blue, the layout of QImage::Format_RGB32.
bool takesRgb32(xcb_connection_t *connection, const xcb_screen_t *screen)
{
    bool pixelsOf32 = false;
    const xcb_setup_t *setup = xcb_get_setup(connection);
    for (xcb_format_iterator_t it = xcb_setup_pixmap_formats_iterator(setup); it.rem;
         xcb_format_next(&it)) {
        if (it.data->depth == screen->root_depth)
            pixelsOf32 = it.data->bits_per_pixel == 32;
    }
    if (!pixelsOf32)
        return false;
    for (xcb_depth_iterator_t depth = xcb_screen_allowed_depths_iterator(screen); depth.rem;
         xcb_depth_next(&depth)) {
        for (xcb_visualtype_iterator_t visual = xcb_depth_visuals_iterator(depth.data); visual.rem;
             xcb_visualtype_next(&visual)) {
            if (visual.data->visual_id == screen->root_visual)
                return visual.data->red_mask == 0xff0000 && visual.data->green_mask == 0xff00 &&
                       visual.data->blue_mask == 0xff;
        }
    }
    return false;
}

// The picture scaled to cover the whole screen, centred, the rest cut off.
QImage screenFilling(const QImage &picture, int width, int height)
{
    const QImage scaled =
        picture.scaled(width, height, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    return scaled.copy((scaled.width() - width) / 2, (scaled.height() - height) / 2, width, height)
        .convertToFormat(QImage::Format_RGB32);
}

// The previous wallpaper pixmap is freed by ending the client that kept it,
// but only when both properties name it: then a setter like us left it.
void freePreviousPixmap(xcb_connection_t *connection, xcb_window_t root, xcb_atom_t rootPmap,
                        xcb_atom_t esetrootPmap)
{
    const xcb_pixmap_t shown = pixmapProperty(connection, root, rootPmap);
    const xcb_pixmap_t kept = pixmapProperty(connection, root, esetrootPmap);
    if (kept != XCB_PIXMAP_NONE && kept == shown)
        xcb_kill_client(connection, kept);
}

bool putPicture(xcb_connection_t *connection, const xcb_screen_t *screen, xcb_pixmap_t pixmap,
                QImage image)
{
    const bool serverBigEndian =
        xcb_get_setup(connection)->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    if (serverBigEndian != (QSysInfo::ByteOrder == QSysInfo::BigEndian)) {
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<quint32 *>(image.scanLine(y));
            std::transform(line, line + image.width(), line,
                           [](quint32 pixel) { return qbswap(pixel); });
        }
    }

    const xcb_gcontext_t gc = xcb_generate_id(connection);
    xcb_create_gc(connection, gc, pixmap, 0, nullptr);
    const auto lineBytes = static_cast<uint32_t>(image.bytesPerLine());
    const uint32_t requestBytes = xcb_get_maximum_request_length(connection) * 4 - 64;
    const int linesPerRequest = std::max<int>(1, static_cast<int>(requestBytes / lineBytes));
    xcb_void_cookie_t last{};
    for (int y = 0; y < image.height(); y += linesPerRequest) {
        const int lines = std::min(linesPerRequest, image.height() - y);
        last = xcb_put_image_checked(
            connection, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, static_cast<uint16_t>(image.width()),
            static_cast<uint16_t>(lines), 0, static_cast<int16_t>(y), 0, screen->root_depth,
            lineBytes * static_cast<uint32_t>(lines), image.constScanLine(y));
    }
    xcb_free_gc(connection, gc);
    const ReplyPtr<xcb_generic_error_t> error(xcb_request_check(connection, last));
    return !error;
}

} // namespace

Desktop desktopFromName(const QString &currentDesktop)
{
    const QStringList names = currentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &entry : names) {
        const QString name = entry.trimmed().toLower();
        if (name == QLatin1String("gnome") || name == QLatin1String("unity") ||
            name == QLatin1String("budgie") || name == QLatin1String("gnome-classic") ||
            name == QLatin1String("gnome-flashback"))
            return Desktop::Gnome;
        if (name == QLatin1String("x-cinnamon") || name == QLatin1String("cinnamon"))
            return Desktop::Cinnamon;
        if (name == QLatin1String("mate"))
            return Desktop::Mate;
        if (name == QLatin1String("xfce"))
            return Desktop::Xfce;
        if (name == QLatin1String("kde"))
            return Desktop::Kde;
        if (name == QLatin1String("lxqt"))
            return Desktop::Lxqt;
    }
    return Desktop::Other;
}

Desktop currentDesktop()
{
    return desktopFromName(qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
}

QList<QStringList> wallpaperCommands(Desktop desktop, const QString &path,
                                     const QStringList &xfceProperties)
{
    switch (desktop) {
    case Desktop::Gnome:
        return gnomeCommands(QStringLiteral("org.gnome.desktop.background"), path);
    case Desktop::Cinnamon:
        return gnomeCommands(QStringLiteral("org.cinnamon.desktop.background"), path);
    case Desktop::Mate:
        return mateCommands(path);
    case Desktop::Xfce:
        return xfceCommands(path, xfceProperties);
    case Desktop::Kde:
        return kdeCommands(path);
    case Desktop::Lxqt:
        return lxqtCommands(path);
    case Desktop::Other:
        break;
    }
    return {};
}

QStringList xfceListCommand()
{
    return {QStringLiteral("xfconf-query"), QStringLiteral("--channel"),
            QStringLiteral("xfce4-desktop"), QStringLiteral("--list")};
}

QStringList displaySettingsCommand(Desktop desktop)
{
    switch (desktop) {
    case Desktop::Gnome:
        return {QStringLiteral("gnome-control-center"), QStringLiteral("display")};
    case Desktop::Cinnamon:
        return {QStringLiteral("cinnamon-settings"), QStringLiteral("display")};
    case Desktop::Mate:
        return {QStringLiteral("mate-display-properties")};
    case Desktop::Xfce:
        return {QStringLiteral("xfce4-display-settings")};
    case Desktop::Kde:
        return {QStringLiteral("systemsettings"), QStringLiteral("kcm_kscreen")};
    case Desktop::Lxqt:
        return {QStringLiteral("lxqt-config-monitor")};
    case Desktop::Other:
        break;
    }
    return {};
}

CommandRunner::Result CommandRunner::run(const QStringList &command, int timeoutMs)
{
    Result result;
    if (command.isEmpty())
        return result;
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(command.first(), command.mid(1));
    if (!process.waitForFinished(std::max(timeoutMs, 0))) {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(1000);
        }
        return result;
    }
    result.ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    result.output = process.readAllStandardOutput();
    return result;
}

bool CommandRunner::startDetached(const QStringList &command)
{
    return !command.isEmpty() && QProcess::startDetached(command.first(), command.mid(1));
}

CommandRunner &CommandRunner::instance()
{
    static CommandRunner system;
    return installedRunner ? *installedRunner : system;
}

void CommandRunner::setInstance(CommandRunner *runner)
{
    installedRunner = runner;
}

bool setWallpaper(const QString &path)
{
    return setWallpaper(currentDesktop(), path);
}

bool setWallpaper(Desktop desktop, const QString &path)
{
    if (desktop == Desktop::Other)
        return setRootWindowWallpaper(path);

    CommandRunner &runner = CommandRunner::instance();
    const QDeadlineTimer deadline(ChangeTimeoutMs);
    auto remaining = [&deadline] {
        return static_cast<int>(deadline.remainingTime());
    };

    QStringList xfceProperties;
    if (desktop == Desktop::Xfce) {
        const CommandRunner::Result listed = runner.run(xfceListCommand(), remaining());
        if (listed.ok)
            xfceProperties = QString::fromLocal8Bit(listed.output).split(QLatin1Char('\n'));
    }

    bool ok = true;
    for (const QStringList &command : wallpaperCommands(desktop, path, xfceProperties)) {
        if (deadline.hasExpired())
            return false;
        ok = runner.run(command, remaining()).ok && ok;
    }
    return ok;
}

bool setRootWindowWallpaper(const QString &path)
{
    QImage picture;
    if (!path.isEmpty() && !picture.load(path))
        return false;
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;

    int screenNumber = 0;
    const std::unique_ptr<xcb_connection_t, Disconnect> connection(
        xcb_connect(nullptr, &screenNumber));
    if (!connection || xcb_connection_has_error(connection.get()))
        return false;
    xcb_connection_t *const c = connection.get();
    const xcb_screen_t *const screen = screenOf(c, screenNumber);
    if (!screen)
        return false;
    const xcb_window_t root = screen->root;
    const xcb_atom_t rootPmap = internAtom(c, "_XROOTPMAP_ID");
    const xcb_atom_t esetrootPmap = internAtom(c, "ESETROOT_PMAP_ID");
    if (rootPmap == XCB_ATOM_NONE || esetrootPmap == XCB_ATOM_NONE)
        return false;

    if (picture.isNull()) {
        freePreviousPixmap(c, root, rootPmap, esetrootPmap);
        xcb_delete_property(c, root, rootPmap);
        xcb_delete_property(c, root, esetrootPmap);
        const ReplyPtr<xcb_generic_error_t> error(
            xcb_request_check(c, xcb_change_window_attributes_checked(c, root, XCB_CW_BACK_PIXEL,
                                                                      &screen->black_pixel)));
        xcb_clear_area(c, 0, root, 0, 0, 0, 0);
        xcb_flush(c);
        return !error;
    }

    if (!takesRgb32(c, screen))
        return false;
    const QImage image = screenFilling(picture, screen->width_in_pixels, screen->height_in_pixels);

    // The pixmap must outlive this connection: everything it creates is kept
    // when it closes, and the GC is freed before.
    xcb_set_close_down_mode(c, XCB_CLOSE_DOWN_RETAIN_PERMANENT);
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, screen->root_depth, pixmap, root, screen->width_in_pixels,
                      screen->height_in_pixels);
    if (!putPicture(c, screen, pixmap, image)) {
        xcb_free_pixmap(c, pixmap);
        xcb_flush(c);
        return false;
    }

    freePreviousPixmap(c, root, rootPmap, esetrootPmap);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, rootPmap, XCB_ATOM_PIXMAP, 32, 1, &pixmap);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, esetrootPmap, XCB_ATOM_PIXMAP, 32, 1,
                        &pixmap);
    const ReplyPtr<xcb_generic_error_t> error(xcb_request_check(
        c, xcb_change_window_attributes_checked(c, root, XCB_CW_BACK_PIXMAP, &pixmap)));
    xcb_clear_area(c, 0, root, 0, 0, 0, 0);
    xcb_flush(c);
    return !error;
}

void openDisplaySettings()
{
    QStringList command = displaySettingsCommand(currentDesktop());
    if (command.isEmpty()) {
        for (const Desktop desktop : {Desktop::Gnome, Desktop::Kde, Desktop::Xfce,
                                      Desktop::Cinnamon, Desktop::Mate, Desktop::Lxqt}) {
            const QStringList candidate = displaySettingsCommand(desktop);
            if (!QStandardPaths::findExecutable(candidate.first()).isEmpty()) {
                command = candidate;
                break;
            }
        }
    }
    CommandRunner::instance().startDetached(command);
}

} // namespace platform
