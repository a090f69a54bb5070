// clipboard_agent stream: an owner that sends without end, or stalls.
#include "AgentXcb.h"

#include <algorithm>
#include <poll.h>

namespace agent {

namespace {

// A window of its own for the clipboard, told of changes to the
// requestor's properties.
xcb_window_t ownWindow(xcb_connection_t *connection)
{
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    return window;
}

} // namespace

int stream(const QByteArray &type, qint64 total, const QByteArray &head, bool stall)
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) != 0)
        return 3;
    const xcb_window_t window = ownWindow(connection);
    const xcb_atom_t clipboardAtom = internAtom(connection, "CLIPBOARD");
    const xcb_atom_t targets = internAtom(connection, "TARGETS");
    const xcb_atom_t offered = internAtom(connection, type.constData());
    const xcb_atom_t incr = internAtom(connection, "INCR");
    xcb_set_selection_owner(connection, window, clipboardAtom, XCB_CURRENT_TIME);
    xcb_flush(connection);
    say("owning");
    constexpr qint64 Piece = 256 * 1024;
    const QByteArray zeros(Piece, '\0');
    xcb_selection_request_event_t transfer{};
    qint64 sent = -1; // of the transfer in pieces, while one runs
    while (xcb_generic_event_t *raw = xcb_wait_for_event(connection)) {
        const Reply<xcb_generic_event_t> event(raw);
        const int kind = event->response_type & 0x7f;
        if (kind == XCB_SELECTION_CLEAR) {
            say("lost");
            return 0;
        }
        if (kind == XCB_PROPERTY_NOTIFY && sent >= 0) {
            const auto *change = reinterpret_cast<xcb_property_notify_event_t *>(raw);
            if (change->window != transfer.requestor || change->atom != transfer.property ||
                change->state != XCB_PROPERTY_DELETE)
                continue;
            if (stall && sent >= head.size()) {
                say("stalling");
                continue;
            }
            // The head first, then zeros; the empty piece at the end.
            QByteArray piece = head.mid(sent, Piece);
            if (!stall)
                piece +=
                    zeros.left(std::min<qint64>(Piece - piece.size(), total - sent - piece.size()));
            if (sent == 0)
                say("sending");
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, transfer.requestor,
                                transfer.property, offered, 8, static_cast<uint32_t>(piece.size()),
                                piece.constData());
            xcb_flush(connection);
            if (piece.isEmpty())
                say("sent " + QByteArray::number(sent));
            sent = piece.isEmpty() ? -1 : sent + piece.size();
            continue;
        }
        if (kind != XCB_SELECTION_REQUEST)
            continue;
        const auto &request = *reinterpret_cast<xcb_selection_request_event_t *>(raw);
        if (request.target == targets) {
            const xcb_atom_t list[] = {targets, offered};
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor,
                                request.property, XCB_ATOM_ATOM, 32, 2, list);
            notify(connection, request, request.property);
        } else if (request.target == offered && sent < 0) {
            const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_change_window_attributes(connection, request.requestor, XCB_CW_EVENT_MASK, &mask);
            const auto claimed = static_cast<uint32_t>(std::min<qint64>(total, 0xffffffff));
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor,
                                request.property, incr, 32, 1, &claimed);
            notify(connection, request, request.property);
            transfer = request;
            sent = 0;
        } else {
            notify(connection, request, XCB_ATOM_NONE);
        }
    }
    return 0;
}

} // namespace agent
