#include "Clipboard.h"

#include "CaptureOffer.h"
#include "OfferedPicture.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QtEndian>
#include <algorithm>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform {

namespace {

// The picture types among the offered ones that are read, best first. Qt's
// platforms without a desktop (offscreen, minimal) keep their clipboard
// within this process.
QStringList pictureTypes(const QStringList &offered)
{
    static const bool withinProcess = [] {
        const QString platform = QGuiApplication::platformName();
        return platform != QLatin1String("xcb") && !platform.startsWith(u"wayland");
    }();
    return OfferedPicture::chosenTypes(offered, withinProcess);
}

} // namespace

// The types left to read, and the transfer on its way.
struct Clipboard::Fetching
{
    Fetch what = Fetch::Picture;
    QStringList types;         // still to be read, best first
    bool ownerChanged = false; // the offer went while it was read
    std::future<void> running; // a question or a transfer, on another thread
};

static_assert(qint64{Clipboard::MaxPictureMegabytes} << 20 >= OfferedPicture::MaxDecodedBytes,
              "Qt's limit must not turn away a picture within the ceiling");

Clipboard::Clipboard(QObject *parent)
    : QObject(parent), m_backend(createClipboardBackend()),
      m_cancel(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    // Qt's own limit (128 MB) would turn away a single 8000×8000 screenshot;
    // what a picture may cost is bounded before Qt sees it.
    if (QImageReader::allocationLimit() < MaxPictureMegabytes)
        QImageReader::setAllocationLimit(MaxPictureMegabytes);
    connect(m_backend.get(), &ClipboardBackend::changed, this, &Clipboard::ownerChanged);
    // A repeat taken off the clipboard counts as the latest emptying: a
    // manager's refill after it is known for one.
    connect(m_backend.get(), &ClipboardBackend::repeatDropped, this, [this] {
        m_sinceClear.start();
        m_offeredAfterClearMs = 0;
    });
}

Clipboard::~Clipboard()
{
    // A transfer under way is given up and waited for: it uses the backend.
    if (m_fetch && m_fetch->running.valid()) {
        eventfd_write(m_cancel, 1);
        m_fetch->running.wait();
    }
    m_fetch.reset();
    if (m_cancel >= 0)
        ::close(m_cancel);
}

QString Clipboard::backendName() const
{
    return m_backend->name();
}

void Clipboard::ownerChanged()
{
    // A transfer of an offer that is gone is not waited for. (On X11 the
    // reader sees the new owner itself; a late announcement of the owner
    // being read must not end its transfer halfway.)
    if (m_fetch) {
        m_fetch->ownerChanged = true;
        if (!m_backend->transfersEndOnChange())
            eventfd_write(m_cancel, 1);
    }
    if (m_sinceClear.isValid())
        m_offeredAfterClearMs = m_sinceClear.elapsed();
    Q_EMIT changed();
}

QString Clipboard::text() const
{
    return m_backend->text();
}

void Clipboard::fetch(Fetch what)
{
    Q_ASSERT(!m_fetch);
    m_pictureRead = QImage();
    m_pngRead.clear();
    m_pngOfImage.clear();
    m_refusedSize = QSize();
    m_textRead.clear();
    m_captureOffered = false;
    m_fetch = std::make_unique<Fetching>();
    m_fetch->what = what;
    // A transfer is wanted until the clipboard changes hands.
    eventfd_t unwanted = 0;
    eventfd_read(m_cancel, &unwanted);
    // Done is always told later, never from inside this call.
    ClipboardBackend::Question question = m_backend->beginAsk();
    if (!question) {
        QMetaObject::invokeMethod(this, &Clipboard::lookAtOffer, Qt::QueuedConnection);
        return;
    }
    elsewhere([this, question = std::move(question), cancel = m_cancel] {
        const bool answered = question(cancel);
        QMetaObject::invokeMethod(
            this,
            [this, answered] {
                m_fetch->running.get();
                m_backend->endAsk(answered);
                lookAtOffer();
            },
            Qt::QueuedConnection);
    });
}

void Clipboard::elsewhere(std::function<void()> job)
{
    try {
        m_fetch->running = std::async(std::launch::async, job);
    } catch (const std::system_error &) {
        // No thread to be had: run here, and told later all the same.
        std::promise<void> done;
        done.set_value();
        m_fetch->running = done.get_future();
        job();
    }
}

void Clipboard::lookAtOffer()
{
    // A capture offered to paste is saved already; text, perhaps beside a
    // picture, is left alone.
    if (!m_fetch->ownerChanged) {
        m_captureOffered = offersCapture();
        if (!m_captureOffered)
            m_textRead = text();
    }
    if (!m_fetch->ownerChanged && !m_captureOffered && m_textRead.isEmpty()) {
        m_backend->holdOffer();
        m_fetch->types = pictureTypes(m_backend->formats());
    }
    readNextType();
}

void Clipboard::readNextType()
{
    // Another type of an offer that went would be read from its successor.
    if (m_fetch->types.isEmpty() || m_fetch->ownerChanged) {
        m_fetch.reset();
        Q_EMIT fetched();
        return;
    }
    const QString type = m_fetch->types.takeFirst();
    ClipboardBackend::Transfer transfer = m_backend->beginRead(type);
    elsewhere([this, transfer = std::move(transfer), type, what = m_fetch->what,
               cancel = m_cancel]() mutable {
        std::optional<QByteArray> bytes = transfer(cancel);
        transfer = nullptr; // what it holds (a pipe, say) goes now
        OfferedPicture::Read decoded;
        if (bytes && what == Fetch::PngFile && type == QLatin1String("image/png"))
            decoded = OfferedPicture::keepPng(*bytes);
        // A PNG file that is not kept as it is may still be read as a picture.
        if (bytes && decoded.outcome == OfferedPicture::Outcome::Unreadable)
            decoded = OfferedPicture::read(*bytes, type);
        QMetaObject::invokeMethod(
            this,
            [this, type, bytes = std::move(bytes), decoded = std::move(decoded)]() mutable {
                m_fetch->running.get();
                typeRead(type, std::move(bytes), std::move(decoded));
            },
            Qt::QueuedConnection);
    });
}

void Clipboard::typeRead(const QString &type, std::optional<QByteArray> bytes,
                         OfferedPicture::Read read)
{
    const bool arrived = bytes && !bytes->isEmpty();
    QByteArray held = m_backend->endRead(std::move(bytes));
    // The backend may drop the bytes after all (a repeat of the last picture).
    if (arrived && held.isEmpty())
        read = OfferedPicture::Read{};
    switch (read.outcome) {
    case OfferedPicture::Outcome::Picture:
        if (read.picture.isNull()) { // a PNG file kept as it is
            held.truncate(read.length);
            m_pngRead = std::move(held);
        } else {
            m_pictureRead = std::move(read.picture);
            if (type == QLatin1String("image/png"))
                m_pngOfImage = std::move(held);
        }
        m_fetch->types.clear();
        break;
    case OfferedPicture::Outcome::TooLarge:
        m_refusedSize = read.size;
        m_fetch->types.clear();
        break;
    case OfferedPicture::Outcome::Unreadable:
        break; // the next type, if another is offered
    }
    readNextType();
}

QSize Clipboard::refusedSize() const
{
    return m_refusedSize;
}

QSize Clipboard::sizeRead() const
{
    return m_pictureRead.isNull() ? PictureRows::pngSize(m_pngRead) : m_pictureRead.size();
}

bool Clipboard::mayBeRefill(QSize size) const
{
    return m_offeredAfterClearMs >= 0 && m_offeredAfterClearMs <= RefillWindowMs &&
           std::any_of(m_cleared.cbegin(), m_cleared.cend(),
                       [size](const Cleared &cleared) { return cleared.size == size; });
}

bool Clipboard::isRefill()
{
    const QSize size = sizeRead();
    if (size.isEmpty() || !mayBeRefill(size))
        return false;
    // The pictures cleared that this one could still be, narrowed row by
    // row; a print still being made is waited for only as far as needed.
    std::vector<const PictureRows::GrowingPrint *> alike;
    for (const Cleared &cleared : m_cleared) {
        if (cleared.size == size)
            alike.push_back(cleared.print.get());
    }
    const auto narrow = [&alike](int row, PictureRows::RowHash hash) {
        alike.erase(std::remove_if(alike.begin(), alike.end(),
                                   [&](const PictureRows::GrowingPrint *print) {
                                       return print->row(row) != hash;
                                   }),
                    alike.end());
        return !alike.empty();
    };
    if (alike.empty())
        return false;
    const PictureRows::Scan scanned = m_pictureRead.isNull()
                                          ? PictureRows::scan(m_pngRead, narrow)
                                          : PictureRows::scan(m_pictureRead, narrow);
    if (scanned != PictureRows::Scan::Done || alike.empty())
        return false;
    m_pictureRead = QImage();
    m_pngOfImage.clear();
    m_pngRead.clear();
    return true;
}

void Clipboard::rememberTaken(const QImage &picture)
{
    // The pictures taken lately, so that a manager's refill is known. A few,
    // not one: a manager that missed the last picture offers the one before.
    constexpr int Remembered = 8;
    if (m_pictureRead.isNull() && m_pngRead.isEmpty())
        m_pictureRead = picture;
    if (!m_pictureRead.isNull() || !m_pngRead.isEmpty()) {
        // Off the capture's way, on another thread: a PNG file is decoded
        // only now, beside whatever comes next. The job holds the picture
        // only while it runs.
        const QSize size = sizeRead();
        auto print = std::make_shared<PictureRows::GrowingPrint>(size);
        auto make = [print, picture = m_pictureRead, png = m_pngRead]() mutable {
            if (picture.isNull())
                print->make(png);
            else
                print->make(picture);
            picture = QImage();
            png = QByteArray();
        };
        Cleared cleared{size, print, {}};
        try {
            // A copy: should no thread be had, `make` is still whole here.
            cleared.making = std::async(std::launch::async, make);
        } catch (const std::system_error &) {
            make(); // no thread to be had: made here and now
        }
        m_cleared.push_back(std::move(cleared));
        if (m_cleared.size() > Remembered)
            m_cleared.pop_front();
        m_pictureRead = QImage();
        m_pngRead.clear();
        m_sinceClear.start();
        m_offeredAfterClearMs = 0;
    }
    m_pngOfImage.clear(); // the engine has its own copy, if it needs one
    m_refusedSize = QSize();
}

void Clipboard::clear()
{
    rememberTaken(QImage());
    m_backend->clear();
}

void Clipboard::offerCapture(std::shared_ptr<const CaptureOffer> offer, const QImage &picture)
{
    // A picture not read from the clipboard (a screenshot key's) goes over
    // whatever is offered, whichever offer was looked at last.
    const bool read = !m_pictureRead.isNull() || !m_pngRead.isEmpty();
    rememberTaken(picture);
    m_backend->offerCapture(std::move(offer), read);
}

bool Clipboard::offersCapture() const
{
    return m_backend->formats().contains(CaptureOffer::markerType());
}

} // namespace platform
