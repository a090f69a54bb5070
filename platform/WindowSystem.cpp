#include "WindowSystem.h"

#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>
#include <cstdio>

namespace platform {

namespace {

bool qtCanRunOnWayland()
{
    return QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                             QLatin1String("/platforms/libqwayland-generic.so"));
}

} // namespace

QString chooseWindowSystem(const std::function<bool()> &offersDataControl)
{
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return {}; // an X11 session, or none: Qt says so itself
    const bool xwayland = !qEnvironmentVariableIsEmpty("DISPLAY");
    const QString chosen = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (!chosen.isEmpty() && !chosen.startsWith(u"wayland"))
        return {};
    if (chosen.isEmpty() && xwayland) {
        qputenv("QT_QPA_PLATFORM", "xcb");
        return {};
    }
    if (offersDataControl()) {
        if (chosen.isEmpty() && !qtCanRunOnWayland())
            return QStringLiteral(
                "Pictarro cannot start on this Wayland desktop: Qt's Wayland support (the "
                "qt6-wayland package) is not installed, and there is no XWayland to run on "
                "instead.");
        return {};
    }
    if (xwayland) {
        std::fprintf(stderr, "Pictarro runs through XWayland: this desktop lets no hidden "
                             "Wayland program watch the clipboard.\n");
        qputenv("QT_QPA_PLATFORM", "xcb");
        return {};
    }
    return QStringLiteral(
        "Pictarro cannot watch the clipboard on this desktop. The compositor lets no program "
        "watch the clipboard in the background (it offers no data-control protocol), and it "
        "runs no XWayland, through which Pictarro could watch it as an X11 program. Turn on "
        "XWayland for this session, or use a desktop that offers data-control (KDE Plasma, "
        "sway and the other wlroots desktops do).");
}

int explainClipboardUnavailable(const QString &reason, int &argc, char **argv)
{
    std::fprintf(stderr, "%s\n", qPrintable(reason));
    if (qtCanRunOnWayland()) {
        qputenv("QT_QPA_PLATFORM", "wayland");
        const QApplication app(argc, argv);
        QMessageBox::critical(nullptr, QStringLiteral("Pictarro"), reason);
    }
    return 1;
}

} // namespace platform
