// A Wayland compositor (sway, KWin or mutter) run headless for one test or
// measurement, with or without XWayland, and the programs in its session.
//
// sway refuses to run as root: when the caller runs as root, the compositor
// and every program started in the session run as nobody, so everything
// they use must be reachable by nobody (Session::start() hands the
// installation's folder to that user).
#pragma once

#include "E2eSupport.h"

#include <QDir>
#include <QFile>
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
};

// One compositor run headless for one test case, and the programs in its
// session.
class Session
{
public:
    ~Session() { stop(); }

    // Starts the compositor; returns why it could not, or an empty text.
    QString start(Desktop desktop, bool xwayland, const Installation &install)
    {
        m_install = &install;
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
        if (keeper.open(QIODevice::ReadOnly)) {
            const pid_t pid = keeper.readAll().trimmed().toInt();
            if (pid > 0)
                ::kill(pid, SIGTERM);
        }
        m_compositor.reset();
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

private:
    static bool asRoot() { return ::geteuid() == 0; }

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
    Child m_compositor;
    QProcessEnvironment m_env;
};

} // namespace e2e
