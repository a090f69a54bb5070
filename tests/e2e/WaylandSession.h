// A Wayland compositor (sway, KWin, mutter or GNOME Shell) run headless for
// one test or measurement, with or without XWayland, or GNOME Shell on Xvfb,
// and the programs in its session.
//
// sway refuses to run as root: when the caller runs as root, the compositor
// and every program started in the session run as nobody, so everything
// they use must be reachable by nobody (Session::start() hands the
// installation's folder to that user).
#pragma once

#include "E2eSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <csignal>
#include <pwd.h>
#include <unistd.h>

namespace e2e {

// Whether a program has ended, or ends within the deadline (waitForFinished
// alone says no for one that ended already).
inline bool ended(const Child &child)
{
    return child->state() == QProcess::NotRunning || child->waitForFinished(WaitMs);
}

enum class Desktop
{
    Sway,
    Kwin,
    Mutter,
    GnomeShell, // Wayland, with XWayland
    GnomeXorg,  // an X11 window manager and compositor, on Xvfb
};

// The shell extension that lets a test run the shell's JavaScript over its
// D-Bus Eval method, as the shell's own tools do; and the notification area
// GNOME users add.
inline const QString GnomeTestExtension = QStringLiteral("pictarro-test@pictarro.invalid");
inline const QString GnomeAppIndicator = QStringLiteral("ubuntu-appindicators@ubuntu.com");

// One compositor run headless for one test case, and the programs in its
// session.
class Session
{
public:
    ~Session() { stop(); }

    // Starts the compositor; returns why it could not, or an empty text.
    QString start(Desktop desktop, bool xwayland, const Installation &install,
                  const QStringList &extensions = {})
    {
        m_install = &install;
        if (desktop == Desktop::GnomeShell || desktop == Desktop::GnomeXorg)
            return startGnome(desktop == Desktop::GnomeShell, extensions);
        m_log = install.path(QStringLiteral("compositor.log"));
        const QString envFile = install.path(QStringLiteral("runtime/session.env"));
        QProcessEnvironment env = install.environment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("XAUTHORITY"));
        // The session's first program tells its environment. mutter ends
        // with it: with XWayland an X client that lives as long as the X
        // server keeps it (and XWayland) running, without it a sleep that
        // stop() ends.
        const QString script = install.path(QStringLiteral("session.sh"));
        QFile scriptFile(script);
        m_keeperPid = install.path(QStringLiteral("runtime/keeper.pid"));
        QString keep;
        if (desktop == Desktop::Mutter)
            keep = xwayland ? QStringLiteral("exec xprop -root -spy >/dev/null 2>&1\n")
                            : QStringLiteral("echo $$ > '%1'\nexec sleep 600\n").arg(m_keeperPid);
        if (!scriptFile.open(QIODevice::WriteOnly) ||
            scriptFile.write(
                (QStringLiteral("#!/bin/sh\nenv > '%1'\n").arg(envFile) + keep).toUtf8()) < 0 ||
            !scriptFile.setPermissions(scriptFile.permissions() | QFile::ExeOwner |
                                       QFile::ExeOther))
            return QStringLiteral("cannot write ") + script;
        scriptFile.close();
        QString program;
        QStringList arguments;
        switch (desktop) {
        case Desktop::Sway: {
            program = QStringLiteral("sway");
            const QString config = install.path(QStringLiteral("sway.conf"));
            QFile file(config);
            if (!file.open(QIODevice::WriteOnly))
                return QStringLiteral("cannot write ") + config;
            file.write(
                QStringLiteral("xwayland %1\nexec env > '%2'\n")
                    .arg(xwayland ? QLatin1String("enable") : QLatin1String("disable"), envFile)
                    .toUtf8());
            file.close();
            arguments = {QStringLiteral("-c"), config};
            env.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
            env.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
            env.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
            break;
        }
        case Desktop::Kwin: {
            // Debian's kwin_wayland carries a file capability that a
            // container may refuse to execute: a plain copy under the same
            // name (Qt checks it) comes first in the wrapper's PATH.
            program = QStringLiteral("kwin_wayland_wrapper");
            const QString folder = install.path(QStringLiteral("kwin"));
            const QString system = QStandardPaths::findExecutable(QStringLiteral("kwin_wayland"));
            if (system.isEmpty() || !QDir().mkpath(folder) ||
                !QFile::copy(system, folder + QLatin1String("/kwin_wayland")))
                return QStringLiteral("kwin_wayland is not installed");
            env.insert(QStringLiteral("PATH"), folder + u':' + env.value(QStringLiteral("PATH")));
            arguments = {QStringLiteral("--virtual"), QStringLiteral("--width"),
                         QStringLiteral("1280"), QStringLiteral("--height"), QStringLiteral("800")};
            if (xwayland)
                arguments.append(QStringLiteral("--xwayland"));
            arguments.append(script);
            break;
        }
        case Desktop::Mutter:
            program = QStringLiteral("mutter");
            arguments = {QStringLiteral("--headless"),        QStringLiteral("--wayland"),
                         QStringLiteral("--virtual-monitor"), QStringLiteral("1280x800"),
                         QStringLiteral("--wayland-display"), QStringLiteral("wayland-pictarro")};
            if (!xwayland)
                arguments.append(QStringLiteral("--no-x11"));
            arguments += {QStringLiteral("--"), script};
            break;
        case Desktop::GnomeShell:
        case Desktop::GnomeXorg:
            break; // started above
        }
        const QString compositor = program;
        if (QStandardPaths::findExecutable(program).isEmpty())
            return program + QLatin1String(" is not installed");
        if (!chownToUser(install.path()))
            return QStringLiteral("cannot hand the test folder to the ordinary user");
        if (desktop == Desktop::Mutter) {
            // mutter needs a session bus; it gets one of its own, which
            // stops after it.
            m_bus = run(QStringLiteral("dbus-daemon"),
                        {QStringLiteral("--session"), QStringLiteral("--nofork"),
                         QStringLiteral("--print-address")},
                        env, {});
            if (!m_bus->waitForStarted(WaitMs) || !m_bus->waitForReadyRead(WaitMs))
                return QStringLiteral("dbus-daemon does not start");
            env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                       QString::fromUtf8(m_bus->readLine().trimmed()));
        }

        m_compositor = run(program, arguments, env, m_log);
        if (!m_compositor->waitForStarted(WaitMs))
            return compositor + QLatin1String(" does not start: ") + m_compositor->errorString();
        const bool ready = pollUntil([&] {
            return m_compositor->state() != QProcess::Running || sessionReady(envFile, xwayland);
        });
        if (!ready || m_compositor->state() != QProcess::Running)
            return compositor + QLatin1String(" did not come up here:\n") + log();
        return {};
    }

    void stop()
    {
        QFile keeper(m_keeperPid);
        if (!m_keeperPid.isEmpty() && keeper.open(QIODevice::ReadOnly)) {
            const pid_t pid = keeper.readAll().trimmed().toInt();
            if (pid > 0)
                ::kill(pid, SIGTERM);
        }
        m_compositor.reset();
        m_xserver.reset();
        m_systemBus.reset();
        m_bus.reset();
    }

    QString log() const
    {
        QFile file(m_log);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll().right(3000))
                                              : QString();
    }

    QProcessEnvironment environment() const { return m_env; }
    qint64 compositorPid() const { return m_compositor ? m_compositor->processId() : 0; }

    // Starts a program in the session, as nobody when this test runs as
    // root, reading `input` when given.
    Child start(const QString &program, const QStringList &arguments,
                const QProcessEnvironment &env, const QString &input = {}) const
    {
        return run(program, arguments, env, {}, input);
    }

    // Runs a program in the session to its end; returns its exit code, or
    // -1 when it did not finish in time.
    int execute(const QString &program, const QStringList &arguments, QByteArray *out = nullptr,
                const QProcessEnvironment &extra = {}) const
    {
        QProcessEnvironment env = m_env;
        env.insert(extra);
        Child child = start(program, arguments, env);
        if (!child->waitForFinished(WaitMs))
            return -1;
        if (out)
            *out = child->readAllStandardOutput();
        return child->exitStatus() == QProcess::NormalExit ? child->exitCode() : -1;
    }

    // Runs JavaScript inside GNOME Shell; returns what its Eval method
    // answered, as gdbus prints it ("(true, '...')"), or empty.
    QString shellEval(const QString &script) const
    {
        QByteArray out;
        if (execute(QStringLiteral("gdbus"),
                    {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                     QStringLiteral("org.gnome.Shell"), QStringLiteral("--object-path"),
                     QStringLiteral("/org/gnome/Shell"), QStringLiteral("--method"),
                     QStringLiteral("org.gnome.Shell.Eval"), script},
                    &out) != 0)
            return {};
        return QString::fromUtf8(out.trimmed());
    }

private:
    static bool asRoot() { return ::geteuid() == 0; }

    static bool writeFile(const QString &path, const QByteArray &text)
    {
        QFile file(path);
        return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
               file.write(text) == text.size();
    }

    // A private bus, stopped with the session; returns its address or empty.
    QString startBus(Child &bus, const QProcessEnvironment &env) const
    {
        bus = run(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"),
                   QStringLiteral("--print-address")},
                  env, {});
        if (!bus->waitForStarted(WaitMs) || !bus->waitForReadyRead(WaitMs))
            return {};
        return QString::fromUtf8(bus->readLine().trimmed());
    }

    // GNOME Shell as a user runs it: on Wayland headless, its XWayland
    // started with it, or on an X server of its own. It asks the system bus
    // for the login manager and dies without one: a second private bus
    // stands in. Its settings come from a key file, which enables the test
    // extension and the ones asked for.
    QString startGnome(bool wayland, const QStringList &extensions)
    {
        const Installation &install = *m_install;
        m_log = install.path(QStringLiteral("compositor.log"));
        if (QStandardPaths::findExecutable(QStringLiteral("gnome-shell")).isEmpty())
            return QStringLiteral("gnome-shell is not installed");
        QStringList enabled{GnomeTestExtension};
        enabled += extensions;
        for (QString &uuid : enabled)
            uuid = u'\'' + uuid + u'\'';
        const QString extension =
            install.path(QStringLiteral("data/gnome-shell/extensions/")) + GnomeTestExtension;
        if (!writeFile(install.path(QStringLiteral("config/glib-2.0/settings/keyfile")),
                       "[org/gnome/shell]\nenabled-extensions=[" + enabled.join(u',').toUtf8() +
                           "]\ndisable-user-extensions=false\n") ||
            !writeFile(extension + QLatin1String("/metadata.json"),
                       "{\"uuid\": \"" + GnomeTestExtension.toUtf8() +
                           "\", \"name\": \"Pictarro test\", \"description\": \"Lets a test "
                           "run the shell's JavaScript\", \"shell-version\": [\"43\"]}\n") ||
            !writeFile(extension + QLatin1String("/extension.js"),
                       "function init() {}\n"
                       "function enable() { global.context.unsafe_mode = true; }\n"
                       "function disable() { global.context.unsafe_mode = false; }\n"))
            return QStringLiteral("cannot write the shell's settings");
        if (!chownToUser(install.path()))
            return QStringLiteral("cannot hand the test folder to the ordinary user");

        QProcessEnvironment env = install.environment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("XAUTHORITY"));
        const QString bus = startBus(m_bus, env);
        const QString systemBus = startBus(m_systemBus, env);
        if (bus.isEmpty() || systemBus.isEmpty())
            return QStringLiteral("dbus-daemon does not start");
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus);
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), systemBus);
        env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("keyfile"));
        env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("GNOME"));
        env.insert(QStringLiteral("XDG_SESSION_TYPE"),
                   wayland ? QStringLiteral("wayland") : QStringLiteral("x11"));
        QStringList arguments;
        if (wayland) {
            arguments = {QStringLiteral("--headless"), QStringLiteral("--wayland"),
                         QStringLiteral("--virtual-monitor"), QStringLiteral("1920x1080"),
                         QStringLiteral("--wayland-display=wayland-pictarro")};
        } else {
            if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
                return QStringLiteral("Xvfb is not installed");
            m_xserver =
                run(QStringLiteral("Xvfb"),
                    {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                     QStringLiteral("0"), QStringLiteral("1920x1080x24"),
                     QStringLiteral("-nolisten"), QStringLiteral("tcp")},
                    env, {});
            if (!m_xserver->waitForStarted(WaitMs) || !m_xserver->waitForReadyRead(WaitMs))
                return QStringLiteral("Xvfb does not start");
            env.insert(QStringLiteral("DISPLAY"),
                       u':' + QString::fromUtf8(m_xserver->readLine().trimmed()));
            arguments = {QStringLiteral("--x11")};
        }
        m_compositor = run(QStringLiteral("gnome-shell"), arguments, env, m_log);
        if (!m_compositor->waitForStarted(WaitMs))
            return QStringLiteral("gnome-shell does not start: ") + m_compositor->errorString();

        // Up once its XWayland is known and the test extension answers. The
        // shell takes its time on a loaded machine.
        constexpr int ShellStartMs = 90000;
        m_env = env;
        const QRegularExpression display(QStringLiteral("Using public X11 display (:\\d+)"));
        const bool ready = pollUntil(
            [&] {
                if (m_compositor->state() != QProcess::Running)
                    return true;
                if (wayland && !m_env.contains(QStringLiteral("XAUTHORITY"))) {
                    QFile file(m_log);
                    const QRegularExpressionMatch found = display.match(
                        file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll())
                                                       : QString());
                    const QStringList auth =
                        QDir(install.path(QStringLiteral("runtime")))
                            .entryList({QStringLiteral(".mutter-Xwaylandauth.*")},
                                       QDir::Files | QDir::Hidden);
                    if (!found.hasMatch() || auth.isEmpty())
                        return false;
                    m_env.insert(QStringLiteral("WAYLAND_DISPLAY"),
                                 QStringLiteral("wayland-pictarro"));
                    m_env.insert(QStringLiteral("DISPLAY"), found.captured(1));
                    m_env.insert(QStringLiteral("XAUTHORITY"),
                                 install.path(QStringLiteral("runtime/")) + auth.first());
                }
                return shellEval(QStringLiteral("global.context.unsafe_mode")) ==
                       QLatin1String("(true, 'true')");
            },
            ShellStartMs);
        if (!ready || m_compositor->state() != QProcess::Running)
            return QStringLiteral("gnome-shell did not come up here:\n") + log();
        return {};
    }

    static bool chownToUser(const QString &path)
    {
        if (!asRoot())
            return true;
        return QProcess::execute(QStringLiteral("chown"),
                                 {QStringLiteral("-R"), QStringLiteral("nobody:"), path}) == 0;
    }

    Child run(const QString &program, const QStringList &arguments, const QProcessEnvironment &env,
              const QString &log, const QString &input = {}) const
    {
        Child child(new QProcess);
        if (!input.isEmpty())
            child->setStandardInputFile(input);
        child->setProcessEnvironment(env);
        child->setWorkingDirectory(m_install->path(QStringLiteral("work")));
        if (!log.isEmpty())
            child->setStandardOutputFile(log);
        if (!log.isEmpty())
            child->setStandardErrorFile(log);
        if (asRoot()) {
            const passwd *nobody = ::getpwnam("nobody");
            const QString uid = QString::number(nobody ? nobody->pw_uid : 65534);
            const QString gid = QString::number(nobody ? nobody->pw_gid : 65534);
            child->setProgram(QStringLiteral("setpriv"));
            child->setArguments(
                QStringList{QStringLiteral("--reuid=") + uid, QStringLiteral("--regid=") + gid,
                            QStringLiteral("--clear-groups"), QStringLiteral("--"), program} +
                arguments);
        } else {
            child->setProgram(program);
            child->setArguments(arguments);
        }
        child->start();
        return child;
    }

    // The session is up once its first program has written its environment
    // (and, with XWayland, knows the X display).
    bool sessionReady(const QString &envFile, bool xwayland)
    {
        QFile file(envFile);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        QProcessEnvironment env = m_install->environment();
        const QList<QByteArray> lines = file.readAll().split('\n');
        for (const QByteArray &line : lines) {
            const qsizetype eq = line.indexOf('=');
            const QString name = QString::fromUtf8(line.left(eq));
            if (eq > 0 &&
                (name == QLatin1String("WAYLAND_DISPLAY") || name == QLatin1String("DISPLAY") ||
                 name == QLatin1String("XAUTHORITY") || name == QLatin1String("SWAYSOCK")))
                env.insert(name, QString::fromUtf8(line.mid(eq + 1)));
        }
        if (!env.contains(QStringLiteral("WAYLAND_DISPLAY")) ||
            (xwayland && !env.contains(QStringLiteral("DISPLAY"))))
            return false;
        m_env = env;
        return true;
    }

    const Installation *m_install = nullptr;
    QString m_log;
    QString m_keeperPid;
    Child m_bus;
    Child m_systemBus; // GNOME Shell's stand-in for the system bus
    Child m_xserver;   // GNOME Shell's on Xorg
    Child m_compositor;
    QProcessEnvironment m_env;
};

} // namespace e2e
