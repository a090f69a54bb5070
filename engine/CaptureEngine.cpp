#include "CaptureEngine.h"

#include "CaptureCounter.h"
#include "CaptureOffer.h"
#include "CaptureWriter.h"
#include "Clipboard.h"
#include "FileSystem.h"
#include "JpegEncoder.h"
#include "Memory.h"
#include "OfferedPicture.h"
#include "PngFile.h"
#include "Steps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QScopedValueRollback>
#include <future>
#include <optional>

namespace {

// The folder itself when it exists, and the nearest existing folder above
// it: its parent, unless that is gone too. A change in either may mean the
// folder went.
QStringList foldersToWatch(const QString &folder)
{
    QStringList watched;
    if (!CaptureNaming::isFolderPath(folder))
        return watched;
    QString path = QDir::cleanPath(folder);
    if (QFileInfo(path).isDir())
        watched << path;
    for (QString above = QFileInfo(path).path(); above != path;
         path = above, above = QFileInfo(path).path()) {
        if (QFileInfo(above).isDir()) {
            watched << above;
            break;
        }
    }
    return watched;
}

// Whether a bitmap of `picture` holds the very pixels of `png`, the PNG file
// it was decoded from: 8-bit RGB without transparency, as screenshots are.
bool samePixelsAsBitmap(const QByteArray &png, const QImage &picture)
{
    constexpr int BitDepth = 24; // in the header chunk, after the signature
    constexpr int ColourType = 25;
    constexpr char Rgb = 2;
    return png.size() > ColourType && png.at(BitDepth) == 8 && png.at(ColourType) == Rgb &&
           !picture.hasAlphaChannel();
}

// The saved capture as the PNG file the clipboard offers, made off the
// window thread once the file is complete: the file's very bytes for a PNG
// capture, else the file's pixels encoded (a bitmap's are the picture's; a
// JPEG file's are read back, as they differ from the picture's).
std::shared_future<QByteArray> offeredPng(CaptureNaming::Format format, const QString &file,
                                          const QImage &picture, const QByteArray &png)
{
    if ((format == CaptureNaming::Format::Png && !png.isEmpty()) ||
        (format == CaptureNaming::Format::Bitmap && samePixelsAsBitmap(png, picture))) {
        std::promise<QByteArray> ready;
        ready.set_value(png);
        return ready.get_future().share();
    }
    // Fast rather than small: the paste waits for it.
    constexpr int PasteLevel = 1;
    std::function<QByteArray()> make;
    if (format == CaptureNaming::Format::Png)
        make = [file] {
            QFile saved(file);
            return saved.open(QIODevice::ReadOnly) ? saved.readAll() : QByteArray();
        };
    else if (format == CaptureNaming::Format::Jpeg)
        make = [file] {
            return PngFile::encode(QImage(file), PasteLevel);
        };
    else
        make = [picture] {
            return PngFile::encode(picture, PasteLevel);
        };
    try {
        return std::async(std::launch::async, make).share();
    } catch (const std::system_error &) {
        return std::async(std::launch::deferred, make).share(); // made when first asked for
    }
}

} // namespace

CaptureEngine::CaptureEngine(platform::Clipboard &clipboard, const QString &programFolder,
                             SettingsReader settings, QObject *parent)
    : QObject(parent), m_clipboard(clipboard), m_settings(std::move(settings)),
      m_defaultFolder(CaptureNaming::defaultFolder(programFolder)),
      m_encoder(std::make_unique<platform::JpegEncoder>(programFolder))
{
    setObjectName(QStringLiteral("CaptureEngine"));
    // Every offer is announced (on X11 through XFixes, for every new owner),
    // so the clipboard is never polled.
    connect(&m_clipboard, &platform::Clipboard::changed, this, &CaptureEngine::Clipboard_Changed);
    connect(&m_clipboard, &platform::Clipboard::fetched, this, &CaptureEngine::Clipboard_Fetched);
    // The memory of the pictures read serves the next capture of a burst;
    // a while after the last one it goes back to the system. This timer
    // runs once per burst, never while nothing is captured.
    constexpr int BurstMs = 10000;
    m_burstOver.setSingleShot(true);
    m_burstOver.setInterval(BurstMs);
    connect(&m_burstOver, &QTimer::timeout, this, &platform::Memory::releaseFreed);
}

CaptureEngine::~CaptureEngine() = default;

void CaptureEngine::switchedOn()
{
    scheduleTick();
}

// ------------------------------------------------------ clipboard watcher

void CaptureEngine::Clipboard_Changed()
{
    m_refillLeft = false;
    if (m_settings().enabled)
        scheduleTick();
}

void CaptureEngine::scheduleTick()
{
    if (m_tickQueued)
        return;
    m_tickQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_tickQueued = false;
            CaptureTimer_Timer();
        },
        Qt::QueuedConnection);
}

void CaptureEngine::CaptureTimer_Timer()
{
    // Clearing the clipboard announces a change from inside the call, and a
    // message box runs its own event loop: neither may start a second tick,
    // nor may one start while a picture is on its way. A change announced
    // meanwhile is looked at once this tick is done.
    if (m_inTick || m_clipboard.fetching()) {
        m_tickPending = true;
        return;
    }
    if (!m_settings().enabled)
        return;
    {
        const QScopedValueRollback<bool> running(m_inTick, true);
        m_tickPending = false;
        WatchClipboard();
    }
    if (m_tickPending && !m_clipboard.fetching())
        scheduleTick();
}

void CaptureEngine::Clipboard_Fetched()
{
    {
        const QScopedValueRollback<bool> running(m_inTick, true);
        PictureFetched();
    }
    if (m_tickPending)
        scheduleTick();
}

void CaptureEngine::setTextClipboard(const QString &text)
{
    if (text == TextClipboard)
        return;
    TextClipboard = text;
    Q_EMIT textClipboardChanged(TextClipboard);
}

void CaptureEngine::WatchClipboard()
{
    if (m_refillLeft)
        return; // the clipboard still offers the manager's refill: nothing new
    // The picture is read without waiting for it here (Clipboard_Fetched).
    // A PNG capture keeps a sound PNG file offered as it is: no decode, no
    // encode. The refill guard decodes it only as far as it needs to tell.
    m_fetchedFormat = m_settings().format;
    m_clipboard.fetch(m_fetchedFormat == CaptureNaming::Format::Png
                          ? platform::Clipboard::Fetch::PngFile
                          : platform::Clipboard::Fetch::Picture);
}

void CaptureEngine::PictureFetched()
{
    if (m_clipboard.captureOffered())
        return; // a capture offered to paste, saved already
    setTextClipboard(m_clipboard.textOffered());
    if (!TextClipboard.isEmpty())
        return; // text, perhaps beside a picture: left alone
    // The settings as they stand now, for this one capture, in the format
    // the picture was read for.
    CaptureSettings settings = m_settings();
    settings.format = m_fetchedFormat;
    ClipboardPng = m_clipboard.png();
    ClipboardImage = m_clipboard.image();
    ClipboardImagePng = m_clipboard.pngOfImage();
    const bool nothing =
        ClipboardImage.isNull() && ClipboardPng.isEmpty() && m_clipboard.refusedSize().isEmpty();
    // Switched off meanwhile, the picture stays where it is; an offer that
    // went while it was read, the newer one is looked at in its turn.
    if (!settings.enabled || (nothing && m_tickPending)) {
        dropScratch();
        return;
    }
    // A picture too large to read is reported as one that cannot be saved,
    // and dropped.
    const QSize refused = m_clipboard.refusedSize();
    if (!refused.isEmpty())
        m_refused = platform::OfferedPicture::tooLargeReason(refused);
    if (!ClipboardImage.isNull() || !ClipboardPng.isEmpty())
        m_burstOver.start();
    if (ClipboardImage.isNull() && ClipboardPng.isEmpty() && m_refused.isEmpty()) {
        setTextClipboard(QString());
        return;
    }
    if (m_clipboard.isRefill()) {
        // A clipboard manager offers the picture just taken once more. It
        // is saved (or was reported) already; taking it again would only
        // make the manager offer it again. It stays on the clipboard and is
        // not looked at again until the clipboard changes.
        dropScratch();
        m_refillLeft = true;
        return;
    }
    TakeCapture(settings);
}

bool CaptureEngine::takePicture(const QImage &picture)
{
    if (m_inTick || m_clipboard.fetching() || picture.isNull() || !m_settings().enabled)
        return false;
    {
        const QScopedValueRollback<bool> running(m_inTick, true);
        CaptureSettings settings = m_settings();
        ClipboardImage = picture;
        ClipboardPng.clear();
        ClipboardImagePng.clear();
        m_burstOver.start();
        TakeCapture(settings);
    }
    if (m_tickPending)
        scheduleTick();
    return true;
}

void CaptureEngine::TakeCapture(CaptureSettings &settings)
{
    CreateFolder();
    if (!platform::isFolder(settings.folder)) {
        Q_EMIT folderMissing(settings.folder);
        m_clipboard.clear();
        ClipboardImage = QImage();
        ClipboardPng.clear();
        ClipboardImagePng.clear();
        m_refused.clear();
        return;
    }

    if (settings.counter == CaptureCounter::WrapValue)
        setCounter(settings, QStringLiteral("0"));
    SaveCapture(settings);
}

// --------------------------------------------------------- capture writer

void CaptureEngine::setCounter(CaptureSettings &settings, const QString &counter)
{
    settings.counter = counter;
    Q_EMIT counterChanged(counter);
}

QString CaptureEngine::freeCaptureFile(CaptureSettings &settings)
{
    // An earlier capture is never replaced: while the counter's name is
    // taken the counter moves on.
    constexpr int MaxTakenNames = 1000000;
    for (int i = 0; i < MaxTakenNames; ++i) {
        if (!CaptureNaming::isPlainFileName(settings.baseName, settings.counter))
            throw StepFailed("The name would lead out of the capture folder.");
        const QString file = CaptureNaming::captureFile(settings.folder, settings.baseName,
                                                        settings.counter, settings.format);
        if (!QFileInfo::exists(file) && !QFileInfo(file).isSymLink())
            return file;
        const std::optional<QString> next = CaptureCounter::advanced(settings.counter);
        if (!next)
            throw StepFailed("A file of that name already exists.");
        setCounter(settings, *next);
    }
    throw StepFailed("Every name the counter could move on to is taken.");
}

void CaptureEngine::SaveCapture(CaptureSettings &settings)
{
    attempt("advance the counter", [&] {
        const std::optional<QString> next = CaptureCounter::advanced(settings.counter);
        if (!next)
            throw StepFailed("the counter is not a number");
        setCounter(settings, *next);
    });

    QString file = CaptureNaming::captureFile(settings.folder, settings.baseName, settings.counter,
                                              settings.format);
    CaptureWriter::Result result;
    try {
        file = freeCaptureFile(settings);
        if (!m_refused.isEmpty())
            throw StepFailed(m_refused.toStdString());
        switch (settings.format) {
        case CaptureNaming::Format::Bitmap:
            result = CaptureWriter::writeBitmap(ClipboardImage, file);
            break;
        case CaptureNaming::Format::Jpeg:
            result = CaptureWriter::writeJpeg(ClipboardImage, file, settings.quality, *m_encoder);
            break;
        case CaptureNaming::Format::Png:
            result = ClipboardPng.isEmpty() ? CaptureWriter::writePng(ClipboardImage, file)
                                            : CaptureWriter::writePngFile(ClipboardPng, file);
            break;
        }
    } catch (const StepFailed &noName) {
        result.error = QString::fromUtf8(noName.what());
    }

    if (!result.ok) {
        // The picture is lost: say so, then drop it as a missing folder does.
        Q_EMIT captureFailed(file, result.error);
        AfterCapture();
        return;
    }

    if (settings.clipboard == ClipboardAfterCapture::Mode::Empty)
        AfterCapture();
    else
        OfferCapture(settings, file);
    Q_EMIT captured(file);
}

void CaptureEngine::OfferCapture(const CaptureSettings &settings, const QString &file)
{
    const QString path = QFileInfo(file).absoluteFilePath();
    ClipboardAfterCapture::Formats more;
    if (settings.clipboard == ClipboardAfterCapture::Mode::File)
        more = ClipboardAfterCapture::fileFormats(path);
    auto offer = std::make_shared<platform::CaptureOffer>(
        offeredPng(settings.format, path, ClipboardImage,
                   ClipboardPng.isEmpty() ? ClipboardImagePng : ClipboardPng),
        std::move(more));
    m_clipboard.offerCapture(std::move(offer), ClipboardImage);
    dropScratch();
}

void CaptureEngine::AfterCapture()
{
    m_clipboard.clear();
    dropScratch();
}

void CaptureEngine::dropScratch()
{
    setTextClipboard(QString());
    ClipboardImage = QImage();
    ClipboardPng.clear();
    ClipboardImagePng.clear();
    m_refused.clear();
}

// --------------------------------------------------------- capture folder

void CaptureEngine::CreateFolder()
{
    platform::createFolderLevel(m_defaultFolder);
    platform::createFolderLevel(m_settings().folder);
}

void CaptureEngine::keepFolders()
{
    if (!m_folderWatch) {
        m_folderWatch = new QFileSystemWatcher(this);
        m_folderWatch->setObjectName(QStringLiteral("CreateFolderWatch"));
        // A folder that went is made again, and the watch follows what now
        // exists. Nothing runs while the folders stay as they are.
        connect(m_folderWatch, &QFileSystemWatcher::directoryChanged, this,
                &CaptureEngine::keepFolders);
    }
    m_keepingFolders = true;
    CreateFolder();

    QStringList wanted = foldersToWatch(m_defaultFolder) + foldersToWatch(m_settings().folder);
    wanted.removeDuplicates();
    const QStringList watched = m_folderWatch->directories();
    QStringList gone;
    for (const QString &path : watched) {
        if (!wanted.contains(path))
            gone << path;
    }
    QStringList added;
    for (const QString &path : std::as_const(wanted)) {
        if (!watched.contains(path))
            added << path;
    }
    if (!gone.isEmpty())
        m_folderWatch->removePaths(gone);
    if (!added.isEmpty())
        m_folderWatch->addPaths(added);
}

void CaptureEngine::folderChanged()
{
    if (m_keepingFolders)
        keepFolders();
}
