// clipboard_agent stream: an owner that sends without end, or stalls, and
// one that hands such an offer over to the clipboard manager on quitting.
#include "AgentXcb.h"

#include <QElapsedTimer>
#include <algorithm>
#include <map>
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

int stream(const QByteArray &type, qint64 total, const QByteArray &head, bool stall, bool quit)
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
    QElapsedTimer quitting;
    if (quit) {
        // On its way out: asks the clipboard manager to save the offer.
        const xcb_atom_t manager = internAtom(connection, "CLIPBOARD_MANAGER");
        const Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, manager), nullptr));
        if (!owner || owner->owner == XCB_WINDOW_NONE) {
            say("no manager");
            return 1;
        }
        xcb_convert_selection(connection, window, manager, internAtom(connection, "SAVE_TARGETS"),
                              internAtom(connection, "_AGENT_SAVE"), XCB_CURRENT_TIME);
        xcb_flush(connection);
        quitting.start();
    }
    constexpr qint64 Piece = 256 * 1024;
    const QByteArray zeros(Piece, '\0');
    // The transfers in pieces running, each to one requestor's property:
    // how much of it was sent.
    std::map<std::pair<xcb_window_t, xcb_atom_t>, qint64> transfers;
    for (;;) {
        Reply<xcb_generic_event_t> event(xcb_poll_for_event(connection));
        if (!event) {
            if (xcb_connection_has_error(connection) != 0)
                return 3;
            if (quit && quitting.hasExpired(30000)) {
                say("not released");
                return 1;
            }
            pollfd in{xcb_get_file_descriptor(connection), POLLIN, 0};
            ::poll(&in, 1, 100);
            continue;
        }
        const int kind = event->response_type & 0x7f;
        if (kind == XCB_SELECTION_CLEAR) {
            say("lost");
            if (!quit)
                return 0;
            continue;
        }
        if (kind == XCB_SELECTION_NOTIFY && quit) {
            say("released after " + QByteArray::number(quitting.elapsed()));
            return 0;
        }
        if (kind == XCB_PROPERTY_NOTIFY) {
            const auto *change = reinterpret_cast<xcb_property_notify_event_t *>(event.get());
            const auto found = transfers.find({change->window, change->atom});
            if (found == transfers.end() || change->state != XCB_PROPERTY_DELETE)
                continue;
            qint64 &sent = found->second;
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
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, change->window, change->atom,
                                offered, 8, static_cast<uint32_t>(piece.size()), piece.constData());
            xcb_flush(connection);
            if (piece.isEmpty()) {
                say("sent " + QByteArray::number(sent));
                transfers.erase(found);
            } else {
                sent += piece.size();
            }
            continue;
        }
        if (kind != XCB_SELECTION_REQUEST)
            continue;
        const auto &request = *reinterpret_cast<xcb_selection_request_event_t *>(event.get());
        if (request.target == targets) {
            const xcb_atom_t list[] = {targets, offered};
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor,
                                request.property, XCB_ATOM_ATOM, 32, 2, list);
            notify(connection, request, request.property);
        } else if (request.target == offered &&
                   transfers.count({request.requestor, request.property}) == 0) {
            const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_change_window_attributes(connection, request.requestor, XCB_CW_EVENT_MASK, &mask);
            const auto claimed = static_cast<uint32_t>(std::min<qint64>(total, 0xffffffff));
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor,
                                request.property, incr, 32, 1, &claimed);
            notify(connection, request, request.property);
            transfers[{request.requestor, request.property}] = 0;
        } else {
            notify(connection, request, XCB_ATOM_NONE);
        }
    }
}

} // namespace agent
