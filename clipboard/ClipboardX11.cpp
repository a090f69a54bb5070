#include "ClipboardX11.h"

#include "CaptureOffer.h"
#include "ClipboardManagerX11.h"
#include "ClipboardTakeover.h"
#include "OfferedPicture.h"
#include "SelectionReaderX11.h"
#include "Xcb.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLoggingCategory>
#include <QMimeData>
#include <QtGui/qguiapplication_platform.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <xcb/xcb.h>

namespace platform {

Q_LOGGING_CATEGORY(lcClipboardX11, "pictarro.clipboard.x11", QtWarningMsg)

namespace {

// The X connection when the program runs on X11, otherwise null.
xcb_connection_t *x11Connection()
{
    const auto *x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t clipboardAtom(xcb_connection_t *connection)
{
    static xcb_atom_t atom = XCB_ATOM_NONE;
    if (atom == XCB_ATOM_NONE) {
        atom = internAtom(connection, "CLIPBOARD");
    }
    return atom;
}

xcb_window_t selectionOwner(xcb_connection_t *connection, xcb_atom_t selection)
{
    const XcbPtr<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr));
    return reply ? reply->owner : xcb_window_t{XCB_WINDOW_NONE};
}

// Qt's name for "a picture, in whatever format the owner has".
const QString QtImageType = QStringLiteral("application/x-qt-image");

// How long an owner may stay silent, at the start of a transfer or between
// two of its pieces, as with Qt's own clipboard.
constexpr int AnswerMs = 5000;

// A capture on Qt's clipboard within this process (Qt's platforms without a
// desktop): its bytes are made when asked for, as on X11.
class CaptureMimeData final : public QMimeData
{
public:
    explicit CaptureMimeData(std::shared_ptr<const CaptureOffer> offer) : m_offer(std::move(offer))
    {
    }
    QStringList formats() const override { return m_offer->types(); }
    bool hasFormat(const QString &type) const override { return formats().contains(type); }

protected:
    QVariant retrieveData(const QString &type, QMetaType) const override
    {
        return m_offer->bytes(type);
    }

private:
    std::shared_ptr<const CaptureOffer> m_offer;
};

} // namespace

ClipboardX11::ClipboardX11(Emptying emptying)
{
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &ClipboardX11::ownerChanged);
    m_mayTakeOver = emptying == Emptying::TakeOverUnderMutter;
    if (x11Connection()) {
        // Its own connection counts every change of owner, so that emptying
        // the clipboard never takes a newer offer, even one from the window
        // the picture came from.
        m_takeover = ClipboardTakeover::create();
        m_reader = std::make_unique<SelectionReaderX11>();
        m_manager = std::make_unique<ClipboardManagerX11>();
        if (m_takeover && m_manager->started())
            m_takeover->setOwnManager(m_manager->window());
        if (m_manager->started())
            connect(m_manager.get(), &ClipboardManagerX11::changed, this,
                    &ClipboardX11::ownerChanged, Qt::QueuedConnection);
        else
            m_manager.reset();
    }
}

ClipboardX11::~ClipboardX11() = default;

const QMimeData *ClipboardX11::keptOffer() const
{
    const std::shared_ptr<const HandedOver> kept = m_keptHeld ? m_keptHeld : m_manager->kept();
    if (!kept)
        return nullptr;
    if (kept != m_keptShown) {
        m_keptOffer = std::make_unique<QMimeData>();
        if (kept->picture.isEmpty())
            m_keptOffer->setText(kept->text);
        else
            m_keptOffer->setData(kept->pictureType, kept->picture);
        m_keptShown = kept;
    }
    m_servedKept = kept;
    return m_keptOffer.get();
}

void ClipboardX11::ownerChanged()
{
    // A new offer, even from the window that would not answer before, is
    // asked again.
    m_silentOwner = XCB_WINDOW_NONE;
    m_refusedOwner = XCB_WINDOW_NONE;
    // Window numbers come back: an owner seen early next time waits for its
    // own announcement, not one long past.
    m_unannouncedOwner = XCB_WINDOW_NONE;
    m_answeredOwner = XCB_WINDOW_NONE;
    ++m_ownerChanges;
    if (xcb_connection_t *connection = x11Connection())
        m_announcedOwner = selectionOwner(connection, clipboardAtom(connection));
    qCDebug(lcClipboardX11, "announced owner %#x, held %#x", m_announcedOwner, m_pictureOwner);
    // A picture held and left (a refill, one that did not decode) stops
    // counting as the capture's once another offer came, be it from the
    // same window: else the manager would not keep that one either.
    if (m_manager && (m_announcedOwner != m_pictureOwner ||
                      (m_takeover && m_takeover->changesSeen() != m_heldChanges)))
        m_manager->setCaptureHolds(XCB_WINDOW_NONE);
    m_keptHeld.reset();
    Q_EMIT changed();
}

const QMimeData *ClipboardX11::offer() const
{
    // Unannounced owners wait this long for their announcement before they
    // are asked anyway (announcements can go missing; they never take this
    // long to come).
    constexpr int AnnouncementMs = 500;

    m_servedKept.reset();
    const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    xcb_connection_t *connection = x11Connection();
    if (!connection || !data || QGuiApplication::clipboard()->ownsClipboard())
        return data;
    const xcb_window_t owner = selectionOwner(connection, clipboardAtom(connection));
    qCDebug(lcClipboardX11, "offer of %#x (announced %#x, silent %#x, manager saving %#x)", owner,
            m_announcedOwner, m_silentOwner, m_manager ? m_manager->savingFrom() : 0u);
    // Our own empty offer, while it empties the clipboard, offers nothing.
    if (owner == XCB_WINDOW_NONE || owner == m_silentOwner ||
        (m_takeover && owner == m_takeover->window()))
        return nullptr;
    // What a program handed over on its way out is read from memory; its
    // offer is not read twice while the manager reads it (the manager
    // announces the end of the read).
    if (m_manager && owner == m_manager->window())
        return keptOffer();
    if (m_manager && owner == m_manager->savingFrom())
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

QStringList ClipboardX11::formats() const
{
    const QMimeData *data = offer();
    return data ? data->formats() : QStringList();
}

QString ClipboardX11::text() const
{
    // Qt knows every X text target and its encoding, and lists each as a
    // text/ type; asked for text that is not offered, it would still try
    // them all with the owner.
    const QMimeData *data = offer();
    if (!data)
        return {};
    const QStringList formats = data->formats();
    if (std::none_of(formats.cbegin(), formats.cend(),
                     [](const QString &type) { return type.startsWith(u"text/"); }))
        return {};
    return data->text();
}

void ClipboardX11::holdOffer()
{
    if (m_takeover)
        m_heldChanges = m_takeover->changesSeen();
    if (xcb_connection_t *connection = x11Connection())
        m_pictureOwner = selectionOwner(connection, clipboardAtom(connection));
    // What the manager keeps is held as it is now: a newer handover read
    // meanwhile is not taken for it, nor dropped in its place.
    m_keptHeld.reset();
    if (m_manager && m_pictureOwner != XCB_WINDOW_NONE && m_pictureOwner == m_manager->window())
        m_keptHeld = m_manager->kept();
}

QByteArray ClipboardX11::data(const QString &mimeType) const
{
    const QMimeData *data = offer();
    if (!data)
        return {};
    if (mimeType != QtImageType)
        return data->data(mimeType);
    // A picture held inside this process (Qt's platforms without a real
    // clipboard) has no bytes of its own: it is handed on as an
    // uncompressed PNG, which decodes to the same pixels.
    const auto picture = qvariant_cast<QImage>(data->imageData());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (picture.isNull() || !buffer.open(QIODevice::WriteOnly) ||
        !picture.save(&buffer, "PNG", 100))
        return {};
    return bytes;
}

ClipboardBackend::Question ClipboardX11::beginAsk()
{
    m_askedOwner = XCB_WINDOW_NONE;
    xcb_connection_t *connection = x11Connection();
    if (!connection || !m_reader || !*m_reader || QGuiApplication::clipboard()->ownsClipboard())
        return nullptr;
    // Qt asks an owner what it offers, and for its text, on the window
    // thread, waiting up to 5 s for an owner that hangs: whether it answers
    // at all is asked first, on the reader's connection.
    const xcb_window_t owner = selectionOwner(connection, clipboardAtom(connection));
    // An owner is asked once its announcement came (see offer()).
    if (owner == XCB_WINDOW_NONE || owner != m_announcedOwner || owner == m_answeredOwner ||
        owner == m_silentOwner || (m_takeover && owner == m_takeover->window()) ||
        (m_manager && (owner == m_manager->window() || owner == m_manager->savingFrom())))
        return nullptr;
    m_askedOwner = owner;
    m_askedChanges = m_ownerChanges;
    SelectionReaderX11 *reader = m_reader.get();
    return [reader](int cancel) {
        return reader->answers(AnswerMs, cancel);
    };
}

void ClipboardX11::endAsk(bool answered)
{
    if (m_askedOwner == XCB_WINDOW_NONE || m_askedChanges != m_ownerChanges)
        return; // the clipboard changed hands meanwhile: the newer owner is asked in its turn
    if (answered)
        m_answeredOwner = m_askedOwner;
    else
        m_silentOwner = m_askedOwner;
    m_askedOwner = XCB_WINDOW_NONE;
}

ClipboardBackend::Transfer ClipboardX11::beginRead(const QString &mimeType)
{
    m_read = Read{};
    if (!offer())
        return delivered({});
    m_read.servedKept = m_servedKept;
    m_read.changes = m_ownerChanges;
    // Another program's picture is read by Pictarro's own reader, checked
    // as it arrives, on the reader's own connection; what the manager
    // keeps, and Qt's own offer, are in memory already.
    if (!m_reader || !*m_reader || m_servedKept || QGuiApplication::clipboard()->ownsClipboard() ||
        mimeType == QtImageType || !OfferedPicture::types().contains(mimeType))
        return delivered(data(mimeType));
    xcb_connection_t *connection = x11Connection();
    m_read.owner = connection ? selectionOwner(connection, clipboardAtom(connection))
                              : xcb_window_t{XCB_WINDOW_NONE};
    // Bytes that were no picture are not asked for again (a PNG capture
    // asks for the file, then for the picture): the owner may still be
    // sending the rest of them to a reader long gone.
    if (m_read.owner == m_refusedOwner && mimeType == m_refusedType)
        return delivered({});
    m_read.byReader = true;
    m_read.type = mimeType;
    SelectionReaderX11 *reader = m_reader.get();
    return [reader, mimeType](int cancel) {
        return reader->read(mimeType, AnswerMs, cancel);
    };
}

QByteArray ClipboardX11::endRead(std::optional<QByteArray> read)
{
    const Read was = std::exchange(m_read, Read{});
    // What an owner did is remembered only while it still owns the
    // clipboard: a newer offer, even from the same window, is asked afresh.
    if (was.byReader && was.changes == m_ownerChanges) {
        if (!read) {
            // Asked once: until the clipboard changes hands it reads as empty.
            m_silentOwner = was.owner;
        } else if (read->isEmpty()) {
            m_refusedOwner = was.owner;
            m_refusedType = was.type;
        }
    }
    QByteArray bytes = read ? std::move(*read) : QByteArray();
    xcb_connection_t *connection = x11Connection();
    qCDebug(lcClipboardX11, "read %lld bytes held from %#x%s", qlonglong(bytes.size()),
            m_pictureOwner, was.servedKept ? " (kept copy)" : "");
    if (was.servedKept) {
        // The manager took over since the offer was held (window numbers
        // come back, so the held one may even own the clipboard again
        // soon): the bytes are the manager's copy, and that is what goes.
        m_pictureOwner = m_manager->window();
        m_keptHeld = was.servedKept;
    }
    // Once the bytes are here, a handover of the same offer is not kept
    // again (before, the program may quit before it answers this read).
    if (m_manager)
        m_manager->setCaptureHolds(bytes.isEmpty() ? xcb_window_t{XCB_WINDOW_NONE}
                                                   : m_pictureOwner);
    if (bytes.isEmpty() || !connection)
        return bytes;

    // The X server hands a request to whoever owns the clipboard when it
    // arrives, so an owner that took over while the held offer was read may
    // have served it. The bytes are kept either way: they may be the only
    // copy of the older owner's picture. The newer owner keeps its offer for
    // its own turn; if it then offers these very bytes, they were its own,
    // and its offer is taken off the clipboard instead of read as new.
    const bool fromDoubtfulOwner =
        m_pictureOwner != XCB_WINDOW_NONE && m_pictureOwner == m_doubtfulOwner;
    m_doubtfulOwner = XCB_WINDOW_NONE;
    if (fromDoubtfulOwner && qHash(bytes) == m_doubtfulBytes) {
        qCDebug(lcClipboardX11, "repeat of %#x dropped", m_pictureOwner);
        dropHeld();
        m_pictureOwner = XCB_WINDOW_NONE;
        if (m_manager)
            m_manager->setCaptureHolds(XCB_WINDOW_NONE);
        Q_EMIT repeatDropped();
        return {};
    }
    const xcb_window_t ownerAfter = selectionOwner(connection, clipboardAtom(connection));
    if (m_pictureOwner == XCB_WINDOW_NONE) {
        // Nobody owned the clipboard when the offer was held: the owner that
        // came since (a clipboard manager's refill, say) served the bytes,
        // and its offer is the one counted from.
        m_pictureOwner = ownerAfter;
        if (m_takeover)
            m_heldChanges = m_takeover->changesSeen();
    } else if (ownerAfter != m_pictureOwner) {
        qCDebug(lcClipboardX11, "owner %#x took over during the read", ownerAfter);
        m_doubtfulOwner = ownerAfter;
        m_doubtfulBytes = qHash(bytes);
    }
    return bytes;
}

void ClipboardX11::clear()
{
    xcb_connection_t *connection = x11Connection();
    if (!connection) {
        QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
        return;
    }
    qCDebug(lcClipboardX11, "emptying, held %#x%s", m_pictureOwner,
            m_keptHeld ? " (kept copy)" : "");
    dropHeld();
    m_pictureOwner = XCB_WINDOW_NONE;
    if (m_manager)
        m_manager->setCaptureHolds(XCB_WINDOW_NONE);
    // The copy of a picture handed over that was read goes with it: the
    // manager let it go, and nothing here holds on to its bytes.
    m_keptShown.reset();
    m_servedKept.reset();
    m_keptOffer.reset();
}

void ClipboardX11::offerCapture(std::shared_ptr<const CaptureOffer> offer, bool inPlaceOfHeld)
{
    if (!inPlaceOfHeld) {
        m_pictureOwner = XCB_WINDOW_NONE;
        m_keptHeld.reset();
    }
    if (!x11Connection()) {
        QGuiApplication::clipboard()->setMimeData(new CaptureMimeData(std::move(offer)),
                                                  QClipboard::Clipboard);
        return;
    }
    qCDebug(lcClipboardX11, "offering the capture in place of %#x", m_pictureOwner);
    // Taken only from the owner the picture came from, and only if nobody
    // copied since: a newer offer stays for its own turn. Where no X
    // connection of our own could be had, the clipboard is emptied instead.
    if (m_takeover) {
        const quint64 changes = m_pictureOwner != XCB_WINDOW_NONE ? m_heldChanges : 0;
        m_takeover->offerFrom(m_pictureOwner, changes, std::move(offer));
        m_keptHeld.reset();
        m_pictureOwner = XCB_WINDOW_NONE;
        if (m_manager)
            m_manager->setCaptureHolds(XCB_WINDOW_NONE);
        return;
    }
    clear();
}

bool ClipboardX11::takesOver() const
{
    return m_mayTakeOver && m_takeover && m_takeover->windowManagerKeepsCopies();
}

void ClipboardX11::dropHeld()
{
    // Under mutter the clipboard is emptied by taking it over, which counts
    // changes of owner and so never takes a newer handover either. The
    // window manager is asked once per emptying.
    const bool takeOver = takesOver();
    const quint64 changes = m_pictureOwner != XCB_WINDOW_NONE ? m_heldChanges : 0;
    if (m_keptHeld && !takeOver)
        m_manager->release(m_keptHeld);
    else if (takeOver)
        m_takeover->takeFrom(m_pictureOwner, changes);
    else if (m_takeover)
        m_takeover->dropFrom(m_pictureOwner, changes);
    else
        dropOffer(m_pictureOwner);
    m_keptHeld.reset();
}

void ClipboardX11::dropOffer(quint32 pictureOwner)
{
    xcb_connection_t *connection = x11Connection();
    // Qt stamps its request with the time of the last event it handled; when
    // the new owner's announcement is still queued, that stamp is older than
    // the owner's claim and the server ignores the request, so the picture
    // would stay and be saved twice. Drop the owner as of now instead, but
    // only the one the picture came from: the server is held while we look,
    // so a newer offer cannot slip in between and be lost.
    const xcb_atom_t selection = clipboardAtom(connection);
    xcb_grab_server(connection);
    const xcb_window_t owner = selectionOwner(connection, selection);
    if (owner != XCB_WINDOW_NONE && (pictureOwner == XCB_WINDOW_NONE || owner == pictureOwner))
        xcb_set_selection_owner(connection, XCB_WINDOW_NONE, selection, XCB_CURRENT_TIME);
    xcb_ungrab_server(connection);
    xcb_flush(connection);
}

} // namespace platform
