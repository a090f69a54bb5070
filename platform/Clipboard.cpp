#include "Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QtEndian>
#include <QtGui/qguiapplication_platform.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace platform {

namespace {

// The X connection when the program runs on X11, otherwise null.
xcb_connection_t *x11Connection()
{
    const auto *x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

struct FreeReply
{
    void operator()(void *reply) const { std::free(reply); }
};

xcb_atom_t clipboardAtom(xcb_connection_t *connection)
{
    static xcb_atom_t atom = XCB_ATOM_NONE;
    if (atom == XCB_ATOM_NONE) {
        const char name[] = "CLIPBOARD";
        const std::unique_ptr<xcb_intern_atom_reply_t, FreeReply> reply(xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr));
        if (reply)
            atom = reply->atom;
    }
    return atom;
}

// The size a PNG file's header gives, or none.
QSize pngSize(const QByteArray &png)
{
    if (png.size() < 24 || png.mid(12, 4) != "IHDR")
        return {};
    return {qFromBigEndian<qint32>(png.constData() + 16),
            qFromBigEndian<qint32>(png.constData() + 20)};
}

xcb_window_t selectionOwner(xcb_connection_t *connection, xcb_atom_t selection)
{
    const std::unique_ptr<xcb_get_selection_owner_reply_t, FreeReply> reply(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection),
                                      nullptr));
    return reply ? reply->owner : xcb_window_t{XCB_WINDOW_NONE};
}

} // namespace

Clipboard::Clipboard(QObject *parent) : QObject(parent)
{
    // Qt's own limit (128 MB) would turn away a single 8000×8000 screenshot.
    if (QImageReader::allocationLimit() < MaxPictureMegabytes)
        QImageReader::setAllocationLimit(MaxPictureMegabytes);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &Clipboard::ownerChanged);
}

void Clipboard::ownerChanged()
{
    // A new offer, even from the window that would not answer before, is
    // asked again.
    m_silentOwner = XCB_WINDOW_NONE;
    if (xcb_connection_t *connection = x11Connection())
        m_announcedOwner = selectionOwner(connection, clipboardAtom(connection));
    if (m_sinceClear.isValid())
        m_offeredAfterClearMs = m_sinceClear.elapsed();
    Q_EMIT changed();
}

const QMimeData *Clipboard::offer() const
{
    // Unannounced owners wait this long for their announcement before they
    // are asked anyway (announcements can go missing; they never take this
    // long to come).
    constexpr int AnnouncementMs = 500;

    const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    xcb_connection_t *connection = x11Connection();
    if (!connection || !data || QGuiApplication::clipboard()->ownsClipboard())
        return data;
    const xcb_window_t owner = selectionOwner(connection, clipboardAtom(connection));
    if (owner == XCB_WINDOW_NONE || owner == m_silentOwner)
        return nullptr;
    // An owner whose announcement is still queued is asked when it comes:
    // asked now, a silent owner would be asked again then.
    if (owner != m_announcedOwner) {
        if (owner != m_unannouncedOwner) {
            m_unannouncedOwner = owner;
            m_unannouncedSince.start();
        }
        if (m_unannouncedSince.elapsed() < AnnouncementMs)
            return nullptr;
    }
    // The list of formats is fetched once per owner and kept when there is
    // one; an owner that gave none would be asked again on every read.
    if (data->formats().isEmpty()) {
        m_silentOwner = owner;
        return nullptr;
    }
    return data;
}

QString Clipboard::text() const
{
    const QMimeData *data = offer();
    return data ? data->text() : QString();
}

QImage Clipboard::image()
{
    if (xcb_connection_t *connection = x11Connection())
        m_pictureOwner = selectionOwner(connection, clipboardAtom(connection));
    const QMimeData *data = offer();
    m_pictureRead = data ? qvariant_cast<QImage>(data->imageData()) : QImage();
    m_pngRead.clear();
    return m_pictureRead;
}

Clipboard::PngOffer Clipboard::png()
{
    if (xcb_connection_t *connection = x11Connection())
        m_pictureOwner = selectionOwner(connection, clipboardAtom(connection));
    const QMimeData *data = offer();
    m_pngRead = data ? data->data(QStringLiteral("image/png")) : QByteArray();
    m_pictureRead = mayBeRefill(pngSize(m_pngRead)) ? QImage::fromData(m_pngRead, "PNG") : QImage();
    return {m_pngRead, m_pictureRead};
}

bool Clipboard::offersPictureOnly() const
{
    const QMimeData *data = offer();
    return data && data->hasImage() && !data->hasText();
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

bool Clipboard::mayBeRefill(QSize size) const
{
    return m_offeredAfterClearMs >= 0 && m_offeredAfterClearMs <= RefillWindowMs &&
           std::any_of(m_cleared.cbegin(), m_cleared.cend(),
                       [size](const Cleared &cleared) { return cleared.size == size; });
}

bool Clipboard::isRefill(const QImage &picture)
{
    if (picture.isNull() || !mayBeRefill(picture.size()))
        return false;
    const Fingerprint print = fingerprint(picture);
    if (std::none_of(m_cleared.cbegin(), m_cleared.cend(),
                     [&print](const Cleared &cleared) { return cleared.print.get() == print; }))
        return false;
    m_pictureRead = QImage();
    m_pngRead.clear();
    return true;
}

void Clipboard::clear()
{
    // The pictures taken lately, so that a manager's refill is known. A few,
    // not one: a manager that missed the last picture offers the one before.
    constexpr int Remembered = 8;
    if (!m_pictureRead.isNull() || !m_pngRead.isEmpty()) {
        // Off the capture's way: a PNG file is decoded only now, beside
        // whatever comes next.
        const QSize size = m_pictureRead.isNull() ? pngSize(m_pngRead) : m_pictureRead.size();
        const auto print = [picture = m_pictureRead, png = m_pngRead] {
            return fingerprint(picture.isNull() ? QImage::fromData(png, "PNG") : picture);
        };
        m_cleared.append({size, std::async(std::launch::async | std::launch::deferred, print)});
        if (m_cleared.size() > Remembered)
            m_cleared.removeFirst();
        m_pictureRead = QImage();
        m_pngRead.clear();
        m_sinceClear.start();
        m_offeredAfterClearMs = 0;
    }

    xcb_connection_t *connection = x11Connection();
    if (!connection) {
        QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
        return;
    }
    // Qt stamps its request with the time of the last event it handled; when
    // the new owner's announcement is still queued, that stamp is older than
    // the owner's claim and the server ignores the request, so the picture
    // would stay and be saved twice. Drop the owner as of now instead, but
    // only the one the picture came from: the server is held while we look,
    // so a newer offer cannot slip in between and be lost.
    const xcb_atom_t selection = clipboardAtom(connection);
    xcb_grab_server(connection);
    const xcb_window_t owner = selectionOwner(connection, selection);
    if (owner != XCB_WINDOW_NONE && (m_pictureOwner == XCB_WINDOW_NONE || owner == m_pictureOwner))
        xcb_set_selection_owner(connection, XCB_WINDOW_NONE, selection, XCB_CURRENT_TIME);
    xcb_ungrab_server(connection);
    xcb_flush(connection);
    m_pictureOwner = XCB_WINDOW_NONE;
}

} // namespace platform
