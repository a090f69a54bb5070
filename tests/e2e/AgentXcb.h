// What the bare-protocol modes of tests/e2e/clipboard_agent share.
#pragma once

#include <QByteArray>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace agent {

inline void say(const QByteArray &line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

struct Free
{
    void operator()(void *p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, Free>;

inline xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
        nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

inline void notify(xcb_connection_t *connection, const xcb_selection_request_event_t &request,
                   xcb_atom_t property)
{
    xcb_selection_notify_event_t event{};
    event.response_type = XCB_SELECTION_NOTIFY;
    event.time = request.time;
    event.requestor = request.requestor;
    event.selection = request.selection;
    event.target = request.target;
    event.property = property;
    xcb_send_event(connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(connection);
}

// Owns the clipboard with `total` bytes of `type`, sent in pieces made as
// they go to each requestor: `head`, then zeros; with `stall`, `head` and
// then nothing more (clipboard_agent stream). With `quit`, it asks the
// clipboard manager to save the offer at once and ends once answered
// (clipboard_agent stream-and-quit).
int stream(const QByteArray &type, qint64 total, const QByteArray &head, bool stall, bool quit);

} // namespace agent
