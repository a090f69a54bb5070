// Capture latency: the time from xclip being started with a picture on the
// clipboard to Pictarro's complete capture file appearing, from 1280×720 to
// 7680×4320, for screenshot-like pictures and for incompressible ones
// (grainy photographs, noise): as bitmaps and JPEG files (quality 75) from
// a PNG offer, as PNG files kept as offered, and as PNG files Pictarro
// encodes itself from a bitmap offer. Beside them, in the same run, the bare
// clipboard transfer and decode of the same offers done by this program
// itself (QClipboard::image()), timed the same way: the floor.
//
// Needs an X server (run through bench/bench_capture.sh). Each Pictarro runs
// from a private copy of the program folder with private settings.
//
// With --handover: the time a program that quits waits on Pictarro, the
// clipboard manager, to read its PNG offer (its SAVE_TARGETS request to
// Pictarro's answer), sent whole as Qt sends it or in 256 KiB pieces as GTK
// does, beside the capture latency of the same offer from xclip, which
// stays, in the same run.
//
// With --paste: the capture latency with the clipboard keeping the capture
// ("Picture", "File") beside emptying it ("Empty"), and the time the first
// paste after each capture takes (image/png through Qt's clipboard, from
// the request to the whole file), in the same run.
//
//   bench_capture_latency [--runs N] [--bin-dir DIR] [--csv FILE] [--handover | --paste]
//                         [--sizes 720,1080,2160,4320] [--pictures screen,photo,noise]

#include "BenchPictures.h"
#include "Memory.h"

#include <QClipboard>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>
#include <stdexcept>
#include <sys/inotify.h>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

namespace {

constexpr int WaitMs = 60000;

[[noreturn]] void fail(const QString &why)
{
    throw std::runtime_error(why.toStdString());
}

struct Timing
{
    double coldMs = 0;
    std::vector<double> runsMs;

    void add(bool cold, double ms)
    {
        if (cold)
            coldMs = ms;
        else
            runsMs.push_back(ms);
    }

    double median() const
    {
        std::vector<double> sorted = runsMs;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t n = sorted.size();
        return n % 2 != 0 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }
    double best() const { return *std::min_element(runsMs.begin(), runsMs.end()); }
};

// An inotify watch on one folder, reporting names that appear in it.
// Pictarro's captures appear under their final name only when complete:
// linked into place from an unnamed file (IN_CREATE) or renamed into place
// (IN_MOVED_TO). IN_CLOSE_WRITE covers a writer that writes in place.
class FolderWatch
{
public:
    explicit FolderWatch(const QString &folder) : m_fd(inotify_init1(IN_CLOEXEC | IN_NONBLOCK))
    {
        if (m_fd < 0 || inotify_add_watch(m_fd, QFile::encodeName(folder).constData(),
                                          IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE) < 0)
            fail(QStringLiteral("cannot watch ") + folder);
    }
    ~FolderWatch() { ::close(m_fd); }
    FolderWatch(const FolderWatch &) = delete;
    FolderWatch &operator=(const FolderWatch &) = delete;

    // Blocks until `name` is completed or the deadline passes.
    bool waitFor(const QByteArray &name, const QDeadlineTimer &deadline)
    {
        alignas(inotify_event) char buffer[8192];
        while (!deadline.hasExpired()) {
            pollfd ready{m_fd, POLLIN, 0};
            const int timeout = static_cast<int>(qMin<qint64>(deadline.remainingTime(), 1000));
            if (::poll(&ready, 1, timeout) <= 0)
                continue;
            const ssize_t length = ::read(m_fd, buffer, sizeof buffer);
            for (ssize_t pos = 0; pos < length;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + pos);
                if (event->len > 0 && name == event->name)
                    return true;
                pos += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return false;
    }

private:
    int m_fd;
};

struct StopProcess
{
    void operator()(QProcess *process) const
    {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(5000)) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
        delete process;
    }
};
using Child = std::unique_ptr<QProcess, StopProcess>;

Child startXclip(const QString &file, const QString &mime, const QProcessEnvironment &environment)
{
    Child xclip(new QProcess);
    xclip->setProcessEnvironment(environment);
    xclip->setStandardOutputFile(QProcess::nullDevice());
    xclip->setStandardErrorFile(QProcess::nullDevice());
    xclip->start(QStringLiteral("xclip"),
                 {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                  mime, QStringLiteral("-i"), file, QStringLiteral("-quiet")});
    if (!xclip->waitForStarted(WaitMs))
        fail(QStringLiteral("xclip does not start"));
    return xclip;
}

void waitUntilCleared(QProcess &xclip)
{
    if (!xclip.waitForFinished(WaitMs))
        fail(QStringLiteral("the clipboard was not cleared"));
}

double elapsedMs(const QElapsedTimer &timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// One Pictarro in a private program folder with private settings.
class Sandbox
{
public:
    Sandbox(const QString &binDir, const QString &format, int quality,
            const QString &clipboard = QStringLiteral("Empty"))
    {
        if (!m_root.isValid())
            fail(QStringLiteral("no temporary folder"));
        const QDir root(m_root.path());
        for (const char *folder : {"program", "home", "config/Pictarro", "data", "runtime"})
            root.mkpath(QLatin1String(folder));
        QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        for (const char *binary : {"Pictarro", "libbmp2jpeg.so", "libPictarroPicBox.so"}) {
            if (!QFile::copy(binDir + u'/' + QLatin1String(binary),
                             root.filePath(QStringLiteral("program/")) + QLatin1String(binary)))
                fail(QStringLiteral("cannot copy ") + QLatin1String(binary) +
                     QStringLiteral(" from ") + binDir);
        }
        QFile settings(settingsFile());
        if (!settings.open(QIODevice::WriteOnly))
            fail(QStringLiteral("cannot write the settings"));
        const auto flag = [&format](const char *which) {
            return format == QLatin1String(which) ? QStringLiteral("True")
                                                  : QStringLiteral("False");
        };
        settings.write(QStringLiteral("[ImageExtensionJPG]\nSaveExtensionJPG=%1\n\n"
                                      "[ImageExtensionPNG]\nSaveExtensionPNG=%2\n\n"
                                      "[QualityValue]\nQualityValue=%3\n\n"
                                      "[ClipboardAfterCapture]\nMode=%4\n")
                           .arg(flag("jpg"), flag("png"))
                           .arg(quality)
                           .arg(clipboard)
                           .toUtf8());

        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        m_environment.insert(QStringLiteral("HOME"), root.filePath(QStringLiteral("home")));
        m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                             root.filePath(QStringLiteral("config")));
        m_environment.insert(QStringLiteral("XDG_DATA_HOME"),
                             root.filePath(QStringLiteral("data")));
        m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                             root.filePath(QStringLiteral("runtime")));
    }

    QString captureFolder() const
    {
        return m_root.filePath(QStringLiteral("program/Captured Screens"));
    }
    QString settingsFile() const
    {
        return m_root.filePath(QStringLiteral("config/Pictarro/1.ini"));
    }
    const QProcessEnvironment &environment() const { return m_environment; }

    void start()
    {
        m_pictarro.reset(new QProcess);
        m_pictarro->setProcessEnvironment(m_environment);
        m_pictarro->setProcessChannelMode(QProcess::ForwardedChannels);
        m_pictarro->start(m_root.filePath(QStringLiteral("program/Pictarro")), {});
        if (!m_pictarro->waitForStarted(WaitMs))
            fail(QStringLiteral("Pictarro does not start"));
        // Ready once it has stored its capture folder and created it.
        const QDeadlineTimer deadline(WaitMs);
        while (!isReady()) {
            if (deadline.hasExpired() || m_pictarro->state() != QProcess::Running)
                fail(QStringLiteral("Pictarro did not get ready"));
            QThread::msleep(10);
        }
    }

private:
    bool isReady() const
    {
        QFile settings(settingsFile());
        return settings.open(QIODevice::ReadOnly) && settings.readAll().contains("[CapturePath]") &&
               QFileInfo(captureFolder()).isDir();
    }

    QTemporaryDir m_root{QDir::tempPath() + QLatin1String("/pictarro-bench-XXXXXX")};
    QProcessEnvironment m_environment;
    Child m_pictarro;
};

// files: one picture a run, each different, since Pictarro takes the same
// picture offered again at once for a clipboard manager's refill. format:
// "bmp", "jpg" or "png", the capture files' extension. apartMs: a pause
// before each run, so that it comes after the refill window of the run
// before, as a user's next screenshot usually does. clipboard: what the
// clipboard keeps; paste: also the time the first paste here takes, from
// the request to the whole PNG file (once the picture's owner lost the
// clipboard, so the capture is offered).
Timing timePictarro(const QString &binDir, const QStringList &files, const QString &mime,
                    const QString &format, int runs, int apartMs = 0,
                    const QString &clipboard = QStringLiteral("Empty"), Timing *paste = nullptr)
{
    Sandbox sandbox(binDir, format, 75, clipboard);
    sandbox.start();
    // A capture's flush to disk must not also pay for the pictures this
    // program has just written (ext4 commits them with it).
    ::sync();
    FolderWatch watch(sandbox.captureFolder());
    Timing timing;
    // Run 0 is the cold one: the encoder library is loaded on first use.
    for (int run = 0; run <= runs; ++run) {
        const QString name = QStringLiteral("Pictarro %1.%2").arg(run + 1).arg(format);
        if (run > 0)
            QThread::msleep(static_cast<unsigned long>(apartMs));
        QElapsedTimer timer;
        timer.start();
        const Child xclip = startXclip(files.at(run), mime, sandbox.environment());
        if (!watch.waitFor(QFile::encodeName(name), QDeadlineTimer(WaitMs)))
            fail(QStringLiteral("no capture ") + name);
        const double ms = elapsedMs(timer);
        timing.add(run == 0, ms);
        waitUntilCleared(*xclip);
        if (paste) {
            QElapsedTimer asked;
            asked.start();
            const QMimeData *offered = QGuiApplication::clipboard()->mimeData();
            const QByteArray pasted =
                offered ? offered->data(QStringLiteral("image/png")) : QByteArray();
            paste->add(run == 0, elapsedMs(asked));
            if (QImage::fromData(pasted).isNull())
                fail(QStringLiteral("nothing to paste after ") + name);
        }
        QFile::remove(sandbox.captureFolder() + u'/' + name);
    }
    return timing;
}

// The bare transfer: this program sees the new owner announced, fetches and
// decodes the picture, then clears the clipboard as Pictarro does.
Timing timeFetch(const QString &file, const QString &mime, const QSize expected, int runs)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    Timing timing;
    for (int run = 0; run <= runs; ++run) {
        QEventLoop loop;
        QTimer timeout;
        timeout.setSingleShot(true);
        QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
        QImage fetched;
        QElapsedTimer timer;
        double ms = 0;
        // Owner changes announced while this program was not listening (the
        // Pictarro runs) are still queued: let them pass before timing.
        QCoreApplication::processEvents();
        const auto connection = QObject::connect(clipboard, &QClipboard::dataChanged, &loop, [&] {
            if (!fetched.isNull())
                return; // announcements delivered in one batch: one fetch
            const QMimeData *data = clipboard->mimeData();
            if (!data || !data->hasImage() || data->hasText())
                return;
            fetched = clipboard->image();
            ms = elapsedMs(timer);
            loop.quit();
        });
        timer.start();
        const Child xclip = startXclip(file, mime, environment);
        timeout.start(WaitMs);
        loop.exec();
        QObject::disconnect(connection);
        if (fetched.size() != expected)
            fail(QStringLiteral("the fetched picture is missing or of the wrong size"));
        timing.add(run == 0, ms);
        clipboard->clear();
        waitUntilCleared(*xclip);
    }
    return timing;
}

struct FreeReply
{
    void operator()(void *reply) const { std::free(reply); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeReply>;

// A program that copies a PNG file and quits, on the bare protocol: it owns
// the clipboard, asks the clipboard manager to save its offer and serves
// the manager, whole or in pieces. It does not really quit, so that one
// connection serves every run.
class Quitter
{
public:
    Quitter()
    {
        m_connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_connection))
            fail(QStringLiteral("no X display"));
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_window = xcb_generate_id(m_connection);
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &events);
    }
    ~Quitter() { xcb_disconnect(m_connection); }
    Quitter(const Quitter &) = delete;
    Quitter &operator=(const Quitter &) = delete;

    // Copies `png` and asks for it to be saved; returns the milliseconds
    // until the manager answered. pieceBytes 0: sent whole.
    double copyAndQuit(const QByteArray &png, qsizetype pieceBytes)
    {
        const xcb_atom_t clipboard = atom("CLIPBOARD");
        const xcb_atom_t targets = atom("TARGETS");
        const xcb_atom_t pngAtom = atom("image/png");
        const xcb_atom_t incr = atom("INCR");
        xcb_set_selection_owner(m_connection, m_window, clipboard, XCB_CURRENT_TIME);
        QElapsedTimer timer;
        timer.start();
        xcb_convert_selection(m_connection, m_window, atom("CLIPBOARD_MANAGER"),
                              atom("SAVE_TARGETS"), atom("_BENCH_SAVE"), XCB_CURRENT_TIME);
        xcb_flush(m_connection);
        qsizetype sent = -1; // of a transfer in pieces
        xcb_window_t requestor = XCB_WINDOW_NONE;
        xcb_atom_t property = XCB_ATOM_NONE;
        const QDeadlineTimer deadline(WaitMs);
        while (!deadline.hasExpired()) {
            xcb_generic_event_t *raw = xcb_poll_for_event(m_connection);
            if (!raw) {
                pollfd ready{xcb_get_file_descriptor(m_connection), POLLIN, 0};
                ::poll(&ready, 1, 100);
                continue;
            }
            const Reply<xcb_generic_event_t> event(raw);
            const int type = event->response_type & 0x7f;
            if (type == XCB_SELECTION_NOTIFY) {
                const double ms = elapsedMs(timer);
                if (reinterpret_cast<xcb_selection_notify_event_t *>(raw)->property ==
                    XCB_ATOM_NONE)
                    fail(QStringLiteral("the clipboard manager did not save the offer"));
                return ms;
            }
            if (type == XCB_PROPERTY_NOTIFY && sent >= 0) {
                const auto *change = reinterpret_cast<xcb_property_notify_event_t *>(raw);
                if (change->window != requestor || change->atom != property ||
                    change->state != XCB_PROPERTY_DELETE)
                    continue;
                const qsizetype piece = std::min(pieceBytes, png.size() - sent);
                xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, requestor, property,
                                    pngAtom, 8, static_cast<uint32_t>(piece),
                                    png.constData() + sent);
                xcb_flush(m_connection);
                sent = piece == 0 ? -1 : sent + piece;
                continue;
            }
            if (type != XCB_SELECTION_REQUEST)
                continue;
            const auto request = *reinterpret_cast<xcb_selection_request_event_t *>(raw);
            xcb_atom_t answered = request.property;
            if (request.target == targets) {
                const xcb_atom_t offered[] = {targets, pngAtom};
                xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor,
                                    request.property, XCB_ATOM_ATOM, 32, 2, offered);
            } else if (request.target == pngAtom && (pieceBytes == 0 || png.size() <= pieceBytes)) {
                xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor,
                                    request.property, pngAtom, 8, static_cast<uint32_t>(png.size()),
                                    png.constData());
            } else if (request.target == pngAtom) {
                const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
                xcb_change_window_attributes(m_connection, request.requestor, XCB_CW_EVENT_MASK,
                                             &mask);
                const auto total = static_cast<uint32_t>(png.size());
                xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor,
                                    request.property, incr, 32, 1, &total);
                requestor = request.requestor;
                property = request.property;
                sent = 0;
            } else {
                answered = XCB_ATOM_NONE;
            }
            xcb_selection_notify_event_t notify{};
            notify.response_type = XCB_SELECTION_NOTIFY;
            notify.time = request.time;
            notify.requestor = request.requestor;
            notify.selection = request.selection;
            notify.target = request.target;
            notify.property = answered;
            xcb_send_event(m_connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                           reinterpret_cast<const char *>(&notify));
            xcb_flush(m_connection);
        }
        fail(QStringLiteral("the clipboard manager never answered"));
    }

    // Waits until Pictarro has emptied the clipboard after the capture, as
    // the runs from xclip wait for xclip to lose it.
    void waitUntilEmpty()
    {
        const QDeadlineTimer deadline(WaitMs);
        while (!deadline.hasExpired()) {
            const Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
                m_connection, xcb_get_selection_owner(m_connection, atom("CLIPBOARD")), nullptr));
            if (owner && owner->owner == XCB_WINDOW_NONE)
                return;
            QThread::msleep(2);
        }
        fail(QStringLiteral("the clipboard was not emptied"));
    }

private:
    xcb_atom_t atom(const char *name)
    {
        const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            m_connection,
            xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
            nullptr));
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }

    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_window = XCB_WINDOW_NONE;
};

// How long a program that copies and quits waits on Pictarro, the clipboard
// manager, for each of `files` (PNG); every picture is then captured.
// toFile: also the time from the request to save to the complete capture.
Timing timeHandover(const QString &binDir, const QStringList &files, qsizetype pieceBytes, int runs,
                    Timing *toFile = nullptr)
{
    Sandbox sandbox(binDir, QStringLiteral("bmp"), 75);
    sandbox.start();
    ::sync();
    FolderWatch watch(sandbox.captureFolder());
    Quitter quitter;
    Timing timing;
    for (int run = 0; run <= runs; ++run) {
        QFile file(files.at(run));
        if (!file.open(QIODevice::ReadOnly))
            fail(QStringLiteral("cannot read ") + file.fileName());
        const QString name = QStringLiteral("Pictarro %1.bmp").arg(run + 1);
        const QByteArray png = file.readAll();
        QElapsedTimer sinceCopy;
        sinceCopy.start();
        timing.add(run == 0, quitter.copyAndQuit(png, pieceBytes));
        const bool captured = watch.waitFor(QFile::encodeName(name), QDeadlineTimer(WaitMs));
        if (toFile)
            toFile->add(run == 0, elapsedMs(sinceCopy));
        if (!captured)
            fail(QStringLiteral("no capture ") + name + QStringLiteral("; the folder holds ") +
                 QDir(sandbox.captureFolder()).entryList(QDir::Files).join(u','));
        quitter.waitUntilEmpty();
        QFile::remove(sandbox.captureFolder() + u'/' + name);
    }
    return timing;
}

QSize sizeOf(const QString &height)
{
    const int rows = height.toInt();
    return {rows * 16 / 9, rows};
}

// The picture saved once a run, each with a different first pixel, in the
// format given; the file names.
QStringList variants(const QImage &picture, const QString &folder, const QString &stem,
                     const char *format, int runs)
{
    QStringList files;
    for (int run = 0; run <= runs; ++run) {
        QImage variant = picture;
        variant.setPixel(0, 0, qRgb(run % 256, 255 - run % 256, 17));
        files << QStringLiteral("%1/%2-%3.%4")
                     .arg(folder, stem)
                     .arg(run)
                     .arg(QString::fromLatin1(format).toLower());
        if (!variant.save(files.last(), format))
            fail(QStringLiteral("cannot write ") + files.last());
    }
    return files;
}

} // namespace

int main(int argc, char *argv[])
{
    // The floor keeps the memory of one fetch for the next, as Pictarro
    // does within a burst of captures.
    platform::Memory::keepFreedBlocks();
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Pictarro capture latency"));
    parser.addHelpOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Timed runs each."),
                                        QStringLiteral("N"), QStringLiteral("5"));
    const QCommandLineOption binOption(QStringLiteral("bin-dir"),
                                       QStringLiteral("Folder holding Pictarro and its libraries."),
                                       QStringLiteral("DIR"));
    const QCommandLineOption csvOption(QStringLiteral("csv"),
                                       QStringLiteral("Also write the figures to FILE as CSV."),
                                       QStringLiteral("FILE"));
    const QCommandLineOption sizesOption(
        QStringLiteral("sizes"), QStringLiteral("Picture heights (16:9), comma-separated."),
        QStringLiteral("LIST"), QStringLiteral("720,1080,2160,4320"));
    const QCommandLineOption picturesOption(
        QStringLiteral("pictures"), QStringLiteral("Kinds of picture: screen, photo, noise."),
        QStringLiteral("LIST"), QStringLiteral("screen,photo,noise"));
    const QCommandLineOption handoverOption(
        QStringLiteral("handover"),
        QStringLiteral("Time the handover of a program that quits instead."));
    const QCommandLineOption pasteOption(
        QStringLiteral("paste"),
        QStringLiteral("Time the clipboard keeping each capture, and its first paste, instead."));
    parser.addOptions({runsOption, binOption, csvOption, sizesOption, picturesOption,
                       handoverOption, pasteOption});
    parser.process(app);
    const int runs = qMax(1, parser.value(runsOption).toInt());
    const QString binDir = parser.isSet(binOption)
                               ? parser.value(binOption)
                               : QCoreApplication::applicationDirPath() + QLatin1String("/../bin");
    const QString png = QStringLiteral("image/png");
    const QString bmp = QStringLiteral("image/bmp");

    try {
        QFile csv(parser.value(csvOption));
        if (parser.isSet(csvOption)) {
            if (!csv.open(QIODevice::WriteOnly | QIODevice::Truncate))
                fail(QStringLiteral("cannot write ") + csv.fileName());
            csv.write("picture,width,height,megapixels,path,offer_kib,cold_ms,median_ms,best_ms,"
                      "floor_median_ms,ratio\n");
        }
        std::printf("Capture latency: xclip started -> complete file (Pictarro) or decoded picture "
                    "(bare fetch)\n%d timed runs each after one cold run; times in ms; ratio: "
                    "median over the median of the bare fetch of the same offer\n\n",
                    runs);
        std::printf("%-7s %-10s %-36s %9s %8s %8s %8s %6s\n", "picture", "size", "path",
                    "offer KiB", "cold", "median", "best", "ratio");
        for (const QString &kind : parser.value(picturesOption).split(u',')) {
            for (const QString &height : parser.value(sizesOption).split(u',')) {
                const QSize size = sizeOf(height);
                const QImage picture = bench::picture(kind, size);
                const QTemporaryDir folder(QDir::tempPath() +
                                           QLatin1String("/pictarro-pictures-XXXXXX"));
                const QString stem = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
                const QStringList pngs = variants(picture, folder.path(), stem, "PNG", runs);
                const QStringList bmps = variants(picture, folder.path(), stem, "BMP", runs);
                const auto kib = [](const QString &file) {
                    return static_cast<double>(QFileInfo(file).size()) / 1024.0;
                };
                const auto row = [&](const char *path, const QString &offer, const Timing &timing,
                                     double floorMs) {
                    const double ratio = timing.median() / floorMs;
                    std::printf("%-7s %-10s %-36s %9.0f %8.1f %8.1f %8.1f %6.2f\n",
                                qPrintable(kind), qPrintable(stem), path, kib(offer), timing.coldMs,
                                timing.median(), timing.best(), ratio);
                    std::fflush(stdout);
                    if (csv.isOpen()) {
                        csv.write(QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,%9,%10,%11\n")
                                      .arg(kind)
                                      .arg(size.width())
                                      .arg(size.height())
                                      .arg(size.width() * size.height() / 1e6, 0, 'f', 2)
                                      .arg(QLatin1String(path))
                                      .arg(kib(offer), 0, 'f', 0)
                                      .arg(timing.coldMs, 0, 'f', 1)
                                      .arg(timing.median(), 0, 'f', 1)
                                      .arg(timing.best(), 0, 'f', 1)
                                      .arg(floorMs, 0, 'f', 1)
                                      .arg(ratio, 0, 'f', 2)
                                      .toUtf8());
                        csv.flush();
                    }
                };
                if (parser.isSet(pasteOption)) {
                    // Beside emptying the clipboard, in the same run; ratio:
                    // over the median of emptying it.
                    for (const char *format : {"bmp", "png"}) {
                        const QString what = QString::fromLatin1(format).toUpper();
                        const Timing empty = timePictarro(binDir, pngs, png, format, runs);
                        row(qPrintable(what + QLatin1String(", emptied")), pngs.first(), empty,
                            empty.median());
                        Timing paste;
                        for (const char *mode : {"Picture", "File"})
                            row(qPrintable(what + QLatin1String(", kept: ") + mode), pngs.first(),
                                timePictarro(binDir, pngs, png, format, runs, 0, mode, &paste),
                                empty.median());
                        row(qPrintable(what + QLatin1String(", first paste")), pngs.first(), paste,
                            empty.median());
                    }
                    continue;
                }
                if (parser.isSet(handoverOption)) {
                    // The capture latency of the same offers from an owner
                    // that stays is the measure here.
                    const Timing capture = timePictarro(binDir, pngs, png, "bmp", runs);
                    row("Pictarro BMP, owner stays", pngs.first(), capture, capture.median());
                    Timing toFile;
                    row("quit waits, offer sent whole", pngs.first(),
                        timeHandover(binDir, pngs, 0, runs, &toFile), capture.median());
                    row("handed over, to the file", pngs.first(), toFile, capture.median());
                    row("quit waits, 256 KiB pieces", pngs.first(),
                        timeHandover(binDir, pngs, 256 * 1024, runs), capture.median());
                    continue;
                }
                const Timing pngFloor = timeFetch(pngs.first(), png, size, runs);
                row("bare fetch+decode PNG", pngs.first(), pngFloor, pngFloor.median());
                row("Pictarro BMP", pngs.first(), timePictarro(binDir, pngs, png, "bmp", runs),
                    pngFloor.median());
                row("Pictarro JPEG q75", pngs.first(), timePictarro(binDir, pngs, png, "jpg", runs),
                    pngFloor.median());
                row("Pictarro PNG as offered", pngs.first(),
                    timePictarro(binDir, pngs, png, "png", runs), pngFloor.median());
                // Runs 3.5 s apart: no refill check, so no decode at all.
                row("Pictarro PNG as offered 3.5 s apart", pngs.first(),
                    timePictarro(binDir, pngs, png, "png", runs, 3500), pngFloor.median());
                const Timing bmpFloor = timeFetch(bmps.first(), bmp, size, runs);
                row("bare fetch+decode BMP", bmps.first(), bmpFloor, bmpFloor.median());
                row("Pictarro PNG encoded", bmps.first(),
                    timePictarro(binDir, bmps, bmp, "png", runs), bmpFloor.median());
            }
        }
    } catch (const std::exception &error) {
        std::fprintf(stderr, "bench_capture_latency: %s\n", error.what());
        return 1;
    }
    return 0;
}
