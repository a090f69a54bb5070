// Pictarro under sway, run headless with XWayland: the time from wl-copy
// being started with a 1920×1080 PNG on the clipboard to Pictarro's
// complete capture file appearing, with Pictarro watching the clipboard
// through the data-control protocol (its choice there) and through
// XWayland's X clipboard (PICTARRO_CLIPBOARD=x11). Beside them, the bare
// fetch of the same picture by wl-paste (data-control) and by xclip
// (XWayland), and this program's decode of it. Then the idle cost of a
// hidden Pictarro: its processor time and sway's over a quiet window.
//
//   bench_wayland_latency [--runs N] [--idle SECONDS]
//
// Runs as nobody when started as root (sway refuses root), like the
// end-to-end test it shares its session code with.

#include "../tests/e2e/WaylandSession.h"
#include "ScreenLikePicture.h"
#include "Timing.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <unistd.h>

namespace {

using e2e::Child;

// User plus system time of a process, in seconds.
double cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return static_cast<double>(fields.at(11).toLongLong() + fields.at(12).toLongLong()) /
           static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// The process that setpriv became (it execs the program, so it is the same).
qint64 pidOf(const Child &child)
{
    return child->processId();
}

class Bench
{
public:
    Bench(int runs, int idleSeconds) : m_runs(runs), m_idleSeconds(idleSeconds) {}

    int run()
    {
        m_root = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/pictarro-bench-XXXXXX"));
        QFile::setPermissions(m_root->path(), QFile::ReadOwner | QFile::WriteOwner |
                                                  QFile::ExeOwner | QFile::ReadOther |
                                                  QFile::ExeOther);
        qputenv("PICTARRO_TEST_ROOT", m_root->path().toUtf8());
        std::printf("%-44s %9s %9s\n", "1920x1080 PNG, ms", "best", "median");
        if (!latency(QStringLiteral("data-control")) || !latency(QStringLiteral("x11")))
            return 1;
        return idle() ? 0 : 1;
    }

private:
    // Starts sway and Pictarro in a fresh installation; false on failure.
    bool startSession(const QString &backend, bool hidden)
    {
        m_pictarro.reset();
        m_session = std::make_unique<e2e::Session>();
        m_install = std::make_unique<e2e::Installation>();
        const QString failed = m_install->create(
            QStringLiteral("bench"), QStringLiteral(PICTARRO_BIN_DIR), e2e::PictarroFiles);
        if (!failed.isEmpty())
            return report(failed);
        m_png = m_install->path(QStringLiteral("screen.png"));
        const QImage picture =
            screenLikePicture().scaled(1920, 1080, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_pixels = picture.size();
        if (!picture.save(m_png, "PNG"))
            return report(QStringLiteral("cannot write the picture"));
        if (hidden) {
            QDir().mkpath(QFileInfo(m_install->settingsFile()).absolutePath());
            QFile ini(m_install->settingsFile());
            if (!ini.open(QIODevice::WriteOnly) ||
                ini.write("[PictarroMinimized]\nMinimized=1\n") < 0)
                return report(QStringLiteral("cannot write the settings"));
        }
        const QString notStarted = m_session->start(e2e::Desktop::Sway, true, *m_install);
        if (!notStarted.isEmpty())
            return report(notStarted);
        QProcessEnvironment env = m_session->environment();
        env.insert(QStringLiteral("PICTARRO_CLIPBOARD"), backend);
        m_pictarro =
            m_session->start(m_install->programFolder() + QLatin1String("/Pictarro"), {}, env);
        const QString folder = m_install->defaultCaptureFolder();
        if (!e2e::pollUntil([&] { return QFileInfo(folder).isDir(); }))
            return report(QStringLiteral("Pictarro did not start"));
        m_captures = 0;
        return true;
    }

    bool report(const QString &why)
    {
        std::fprintf(stderr, "bench_wayland_latency: %s\n", qPrintable(why));
        if (m_session)
            std::fprintf(stderr, "%s\n", qPrintable(m_session->log()));
        if (m_pictarro)
            std::fprintf(stderr, "%s\n", m_pictarro->readAllStandardError().constData());
        return false;
    }

    Child offer()
    {
        Child owner = m_session->start(
            QStringLiteral("wl-copy"),
            {QStringLiteral("--foreground"), QStringLiteral("--type"), QStringLiteral("image/png")},
            m_session->environment(), m_png);
        return owner;
    }

    // Waits for the next capture file, at a fine step: the figure is the
    // time to the file.
    bool nextCapture()
    {
        const QString file = m_install->defaultCaptureFolder() +
                             QStringLiteral("/Pictarro %1.bmp").arg(++m_captures);
        QElapsedTimer waited;
        waited.start();
        while (!QFileInfo::exists(file)) {
            if (waited.elapsed() > e2e::WaitMs)
                return false;
            QThread::usleep(500);
        }
        return true;
    }

    void print(const char *label, const bench::Timing &timing)
    {
        if (timing.failed())
            std::printf("%-44s %9s\n", label, "failed");
        else
            std::printf("%-44s %9.1f %9.1f\n", label, timing.best, timing.median);
        std::fflush(stdout);
    }

    bool latency(const QString &backend)
    {
        if (!startSession(backend, false))
            return false;
        const bench::Timing capture = bench::measure(m_runs, [&] {
            Child owner = offer();
            if (!nextCapture())
                return false;
            return owner->waitForFinished(e2e::WaitMs); // emptied
        });
        print(backend == QLatin1String("x11") ? "Pictarro, through XWayland (X11 clipboard)"
                                              : "Pictarro, through data-control",
              capture);
        if (capture.failed())
            return report(QStringLiteral("a capture did not arrive"));

        // The bare fetch the same way, with Pictarro stopped so that the
        // picture stays on the clipboard.
        m_pictarro.reset();
        Child owner = offer();
        QByteArray png;
        const bool dataControl = backend != QLatin1String("x11");
        const bench::Timing fetch = bench::measure(m_runs, [&] {
            return dataControl
                       ? m_session->execute(QStringLiteral("wl-paste"),
                                            {QStringLiteral("--type"), QStringLiteral("image/png")},
                                            &png) == 0
                       : m_session->execute(QStringLiteral("xclip"),
                                            {QStringLiteral("-o"), QStringLiteral("-selection"),
                                             QStringLiteral("clipboard"), QStringLiteral("-t"),
                                             QStringLiteral("image/png")},
                                            &png) == 0;
        });
        print(dataControl ? "bare fetch, wl-paste (data-control)" : "bare fetch, xclip (XWayland)",
              fetch);
        if (dataControl) {
            const bench::Timing decode = bench::measure(
                m_runs, [&] { return QImage::fromData(png, "PNG").size() == m_pixels; });
            print("decode of the fetched PNG", decode);
        }
        return !fetch.failed();
    }

    bool idle()
    {
        if (!startSession(QString(), true))
            return false;
        const qint64 pictarro = pidOf(m_pictarro);
        const qint64 sway = m_session->compositorPid();
        // Let the start-up settle.
        QThread::sleep(2);
        const double p0 = cpuSeconds(pictarro);
        const double s0 = cpuSeconds(sway);
        QElapsedTimer window;
        window.start();
        QThread::sleep(static_cast<unsigned long>(m_idleSeconds));
        const double p1 = cpuSeconds(pictarro);
        const double s1 = cpuSeconds(sway);
        const double seconds = static_cast<double>(window.nsecsElapsed()) / 1e9;
        std::printf("\nIdle, hidden Pictarro under sway (data-control), %.0f s window:\n", seconds);
        std::printf("  Pictarro: %.3f s of processor time, %.4f%% of one core\n", p1 - p0,
                    100 * (p1 - p0) / seconds);
        std::printf("  sway:     %.3f s of processor time, %.4f%% of one core\n", s1 - s0,
                    100 * (s1 - s0) / seconds);
        return p0 >= 0 && p1 >= 0;
    }

    const int m_runs;
    const int m_idleSeconds;
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<e2e::Installation> m_install;
    std::unique_ptr<e2e::Session> m_session;
    Child m_pictarro;
    QString m_png;
    QSize m_pixels;
    int m_captures = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption runs(QStringLiteral("runs"), QStringLiteral("Timed runs."),
                                  QStringLiteral("N"), QStringLiteral("10"));
    const QCommandLineOption idle(QStringLiteral("idle"), QStringLiteral("Idle window."),
                                  QStringLiteral("SECONDS"), QStringLiteral("30"));
    parser.addOptions({runs, idle});
    parser.process(app);
    Bench bench(qMax(1, parser.value(runs).toInt()), qMax(1, parser.value(idle).toInt()));
    return bench.run();
}
