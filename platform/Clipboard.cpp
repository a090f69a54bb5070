#include "Clipboard.h"

#include <QImageReader>

namespace platform {

namespace {

// Qt's name for "a picture, in whatever format the owner has" (Qt's
// clipboard lists it beside the owner's own picture types).
const QString QtImageType = QStringLiteral("application/x-qt-image");

// The picture types Qt can decode, PNG first: a screenshot tool offers it
// losslessly and most offer it.
const QStringList &pictureTypes()
{
    static const QStringList types = [] {
        QStringList list{QStringLiteral("image/png")};
        const QList<QByteArray> supported = QImageReader::supportedMimeTypes();
        for (const QByteArray &type : supported) {
            const QString name = QString::fromLatin1(type);
            if (!list.contains(name))
                list.append(name);
        }
        list.append(QtImageType);
        return list;
    }();
    return types;
}

// The best picture type among the offered ones, or an empty text.
QString pictureType(const QStringList &offered)
{
    for (const QString &type : pictureTypes()) {
        if (offered.contains(type))
            return type;
    }
    return {};
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

Clipboard::Clipboard(QObject *parent) : QObject(parent), m_backend(createClipboardBackend())
{
    // Qt's own limit (128 MB) would turn away a single 8000×8000 screenshot.
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
    const QString type = pictureType(m_backend->formats());
    m_pictureRead = type.isEmpty() ? QImage() : QImage::fromData(m_backend->readHeld(type));
    return m_pictureRead;
}

bool Clipboard::offersPictureOnly() const
{
    const QStringList offered = m_backend->formats();
    return !pictureType(offered).isEmpty() && !offersText(offered);
}

Clipboard::Fingerprint Clipboard::fingerprint(const QImage &picture)
{
    // Pictures arrive as 32-bit RGB; one that comes back in another format
    // is compared in that one.
    const QImage rgb =
        picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
            ? picture
            : picture.convertToFormat(QImage::Format_RGB32);
    size_t hash = 0;
    const auto rowBytes = static_cast<size_t>(rgb.width()) * 4;
    for (int y = 0; y < rgb.height(); ++y)
        hash = qHashBits(rgb.constScanLine(y), rowBytes, hash);
    return {rgb.size(), hash};
}

bool Clipboard::isRefill(const QImage &picture)
{
    if (picture.isNull() || m_cleared.isEmpty() || m_offeredAfterClearMs < 0 ||
        m_offeredAfterClearMs > RefillWindowMs || !m_cleared.contains(fingerprint(picture)))
        return false;
    m_pictureRead = QImage();
    return true;
}

void Clipboard::clear()
{
    // The pictures taken lately, so that a manager's refill is known. A few,
    // not one: a manager that missed the last picture offers the one before.
    constexpr int Remembered = 8;
    if (!m_pictureRead.isNull()) {
        m_cleared.append(fingerprint(m_pictureRead));
        if (m_cleared.size() > Remembered)
            m_cleared.removeFirst();
        m_pictureRead = QImage();
        m_sinceClear.start();
        m_offeredAfterClearMs = 0;
    }
    m_backend->clear();
}

} // namespace platform
