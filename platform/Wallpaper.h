#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace platform {

// The desktops whose wallpaper and display settings Pictarro knows how to
// reach. Other stands for any X session without one of them (a bare window
// manager), where the root window's background is the wallpaper.
enum class Desktop
{
    Gnome, // also Unity and Budgie, which keep GNOME's background settings
    Cinnamon,
    Mate,
    Xfce,
    Kde,
    Lxqt,
    Other
};

// The desktop named by $XDG_CURRENT_DESKTOP, a colon-separated list whose
// first known entry counts ("ubuntu:GNOME" is GNOME).
Desktop desktopFromName(const QString &currentDesktop);
Desktop currentDesktop();

// The command lines that make the picture file the wallpaper (an empty path:
// no wallpaper), in the order they run. XFCE keeps one backdrop per monitor
// and workspace: every backdrop found among its property names (as
// xfceListCommand() prints them) is set, or the first one when none is
// known. Other has no commands.
QList<QStringList> wallpaperCommands(Desktop desktop, const QString &path,
                                     const QStringList &xfceProperties = {});

// Prints XFCE's desktop property names, one a line.
QStringList xfceListCommand();

// The command that opens the desktop's display settings; empty for Other.
QStringList displaySettingsCommand(Desktop desktop);

// Runs outside programs. Replaceable so tests see the commands without a
// desktop.
class CommandRunner
{
public:
    struct Result
    {
        bool ok = false;   // started, and ended by itself with exit code 0
        QByteArray output; // what it wrote to its standard output
    };

    virtual ~CommandRunner() = default;

    // Runs the command and waits for it, at most timeoutMs milliseconds; a
    // command still running then is killed and counts as failed.
    virtual Result run(const QStringList &command, int timeoutMs);

    // Starts the command and does not wait for it.
    virtual bool startDetached(const QStringList &command);

    // The runner in use; tests install their own and restore nullptr.
    static CommandRunner &instance();
    static void setInstance(CommandRunner *runner);
};

// Makes the picture file the wallpaper of the current desktop, or removes the
// wallpaper for an empty path. Outside programs get a few seconds in all, so
// a hanging one never holds the window up for long. True when the desktop
// took the change.
bool setWallpaper(const QString &path);
bool setWallpaper(Desktop desktop, const QString &path);

// The fallback for any X server: draws the picture, scaled to fill the
// screen, into a pixmap that outlives the program, makes it the root
// window's background and announces it through _XROOTPMAP_ID and
// ESETROOT_PMAP_ID, as xsetroot and feh do. An empty path clears the
// background to black. False without an X server ($DISPLAY) or when the
// picture cannot be read.
bool setRootWindowWallpaper(const QString &path);

// Opens the desktop's display settings, detached; a failure is ignored.
// Elsewhere the first of the known display settings programs that is
// installed is started.
void openDisplaySettings();

} // namespace platform
