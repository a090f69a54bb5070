#include "Xcb.h"

#include <cstring>

namespace platform {

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name, bool onlyIfExists)
{
    const XcbPtr<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection,
                              xcb_intern_atom(connection, onlyIfExists ? 1 : 0,
                                              static_cast<uint16_t>(std::strlen(name)), name),
                              nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

xcb_atom_t Atoms::of(xcb_connection_t *connection, const char *name)
{
    const auto found = m_known.find(name);
    if (found != m_known.end())
        return found->second;
    const xcb_atom_t atom = internAtom(connection, name);
    m_known.emplace(name, atom);
    return atom;
}

const xcb_screen_t *screenOf(xcb_connection_t *connection, int number)
{
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (; screens.rem > 0; xcb_screen_next(&screens), --number) {
        if (number == 0)
            return screens.data;
    }
    return nullptr;
}

void notifySelection(xcb_connection_t *connection, const xcb_selection_request_event_t &request,
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

} // namespace platform
