#include "SelectionServerX11.h"

#include "ClipboardManagerX11.h"
#include "Xcb.h"

#include <algorithm>
#include <vector>

namespace platform {

// A piece by piece transfer (INCR) of what is kept, to one program.
struct SelectionServerX11::Transfer
{
    xcb_window_t requestor = XCB_WINDOW_NONE;
    xcb_atom_t property = XCB_ATOM_NONE;
    xcb_atom_t type = XCB_ATOM_NONE;
    QByteArray bytes;
    qsizetype sent = 0;
    QElapsedTimer lastMove;
};

SelectionServerX11::SelectionServerX11(xcb_connection_t *connection, qint64 pieceBytes)
    : m_connection(connection), m_pieceBytes(pieceBytes)
{
    m_sweep.setInterval(TransferIdleMs / 2);
    QObject::connect(&m_sweep, &QTimer::timeout, [this] {
        for (auto it = m_transfers.begin(); it != m_transfers.end();) {
            it = it->second->lastMove.hasExpired(TransferIdleMs) ? m_transfers.erase(it)
                                                                 : std::next(it);
        }
        if (m_transfers.empty())
            m_sweep.stop();
    });
}

SelectionServerX11::~SelectionServerX11() = default;

void SelectionServerX11::serveKept(const xcb_selection_request_event_t &request,
                                   const HandedOver *kept, xcb_timestamp_t since)
{
    if (!kept) {
        notify(request, XCB_ATOM_NONE);
        return;
    }
    const bool text = kept->picture.isEmpty();
    const xcb_atom_t target = request.target;
    if (target == atom("TARGETS")) {
        std::vector<xcb_atom_t> targets{atom("TARGETS"), atom("TIMESTAMP")};
        if (text) {
            for (const char *name : {"UTF8_STRING", "text/plain;charset=utf-8", "TEXT"})
                targets.push_back(atom(name));
            targets.push_back(XCB_ATOM_STRING);
        } else {
            targets.push_back(atom(kept->pictureType.toLatin1().constData()));
        }
        send(request, XCB_ATOM_ATOM, 32,
             QByteArray(reinterpret_cast<const char *>(targets.data()),
                        static_cast<qsizetype>(targets.size() * 4)));
    } else if (target == atom("TIMESTAMP")) {
        send(request, XCB_ATOM_INTEGER, 32, QByteArray(reinterpret_cast<const char *>(&since), 4));
    } else if (text && target == XCB_ATOM_STRING) {
        send(request, XCB_ATOM_STRING, 8, kept->text.toLatin1());
    } else if (text && (target == atom("UTF8_STRING") || target == atom("TEXT"))) {
        send(request, atom("UTF8_STRING"), 8, kept->text.toUtf8());
    } else if (text && target == atom("text/plain;charset=utf-8")) {
        send(request, target, 8, kept->text.toUtf8());
    } else if (!text && target == atom(kept->pictureType.toLatin1().constData())) {
        send(request, target, 8, kept->picture);
    } else {
        notify(request, XCB_ATOM_NONE);
    }
}

void SelectionServerX11::send(const xcb_selection_request_event_t &request, xcb_atom_t type,
                              int format, const QByteArray &bytes)
{
    const xcb_atom_t property =
        request.property != XCB_ATOM_NONE ? request.property : request.target;
    if (bytes.size() <= m_pieceBytes) {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property, type,
                            static_cast<uint8_t>(format),
                            static_cast<uint32_t>(bytes.size() / (format / 8)), bytes.constData());
        notify(request, property);
        return;
    }
    // In pieces: each one once the program has deleted the one before.
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_connection, request.requestor, XCB_CW_EVENT_MASK, &events);
    const auto total = static_cast<uint32_t>(std::min<qint64>(bytes.size(), 0xffffffffLL));
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                        atom("INCR"), 32, 1, &total);
    auto transfer = std::make_unique<Transfer>();
    transfer->requestor = request.requestor;
    transfer->property = property;
    transfer->type = type;
    transfer->bytes = bytes;
    transfer->lastMove.start();
    m_transfers[{request.requestor, property}] = std::move(transfer);
    m_sweep.start();
    notify(request, property);
}

void SelectionServerX11::propertyDeleted(xcb_window_t window, xcb_atom_t property)
{
    const auto found = m_transfers.find({window, property});
    if (found != m_transfers.end())
        sendNextPiece(*found->second);
}

void SelectionServerX11::sendNextPiece(Transfer &transfer)
{
    transfer.lastMove.start();
    const qsizetype piece = std::min<qsizetype>(transfer.bytes.size() - transfer.sent,
                                                static_cast<qsizetype>(m_pieceBytes));
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, transfer.requestor, transfer.property,
                        transfer.type, 8, static_cast<uint32_t>(piece),
                        transfer.bytes.constData() + transfer.sent);
    transfer.sent += piece;
    if (piece == 0) {
        const xcb_window_t requestor = transfer.requestor;
        m_transfers.erase({transfer.requestor, transfer.property});
        const bool more = std::any_of(m_transfers.cbegin(), m_transfers.cend(),
                                      [&](const auto &t) { return t.first.first == requestor; });
        if (!more) {
            const uint32_t none = XCB_EVENT_MASK_NO_EVENT;
            xcb_change_window_attributes(m_connection, requestor, XCB_CW_EVENT_MASK, &none);
        }
    }
    xcb_flush(m_connection);
}

void SelectionServerX11::notify(const xcb_selection_request_event_t &request, xcb_atom_t property)
{
    notifySelection(m_connection, request, property);
}

xcb_atom_t SelectionServerX11::atom(const char *name)
{
    return m_atoms.of(m_connection, name);
}

} // namespace platform
