#include "Clipboard.h"

#include "CaptureOffer.h"
#include "OfferedPicture.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QtEndian>
#include <algorithm>

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

bool offersText(const QStringList &offered)
{
    for (const QString &type : offered) {
        if (plainTextTypes().contains(type) || type.startsWith(QLatin1String("text/plain;")))
            return true;
    }
    return false;
}

} // namespace

static_assert(qint64{Clipboard::MaxPictureMegabytes} << 20 >= OfferedPicture::MaxDecodedBytes,
              "Qt's limit must not turn away a picture within the ceiling");

Clipboard::Clipboard(QObject *parent) : QObject(parent), m_backend(createClipboardBackend())
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

Clipboard::~Clipboard() = default;

QString Clipboard::backendName() const
{
    return m_backend->name();
}

void Clipboard::ownerChanged()
{
    if (m_sinceClear.isValid())
        m_offeredAfterClearMs = m_sinceClear.elapsed();
    Q_EMIT changed();
}

QString Clipboard::text() const
{
    return m_backend->text();
}

QImage Clipboard::image()
{
    m_backend->holdOffer();
    // A file that is not sound may be offered beside a sound one of
    // another type.
    OfferedPicture::Read read;
    m_pngOfImage.clear();
    for (const QString &type : pictureTypes(m_backend->formats())) {
        QByteArray bytes = m_backend->readHeld(type);
        read = OfferedPicture::read(bytes, type);
        if (read.outcome == OfferedPicture::Outcome::Picture && type == QLatin1String("image/png"))
            m_pngOfImage = std::move(bytes);
        if (read.outcome != OfferedPicture::Outcome::Unreadable)
            break;
    }
    m_pictureRead = read.picture;
    m_refusedSize = read.outcome == OfferedPicture::Outcome::TooLarge ? read.size : QSize();
    m_pngRead.clear();
    return m_pictureRead;
}

QByteArray Clipboard::png()
{
    m_backend->holdOffer();
    const QString type = QStringLiteral("image/png");
    m_pngRead = m_backend->formats().contains(type) ? m_backend->readHeld(type) : QByteArray();
    const OfferedPicture::Read kept = OfferedPicture::keepPng(m_pngRead);
    m_pngRead = kept.outcome == OfferedPicture::Outcome::Picture ? m_pngRead.left(kept.length)
                                                                 : QByteArray();
    m_refusedSize = kept.outcome == OfferedPicture::Outcome::TooLarge ? kept.size : QSize();
    m_pictureRead = QImage();
    m_pngOfImage.clear();
    return m_pngRead;
}

bool Clipboard::offersPictureOnly() const
{
    const QStringList offered = m_backend->formats();
    return !pictureTypes(offered).isEmpty() && !offersText(offered);
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
