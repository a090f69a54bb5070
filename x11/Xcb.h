#pragma once

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <xcb/xcb.h>

namespace platform {

// Frees what XCB hands out with malloc (replies, errors, events).
struct FreeXcb
{
    void operator()(void *reply) const { std::free(reply); }
};
template <typename T> using XcbPtr = std::unique_ptr<T, FreeXcb>;

// The atom of that name, made if it does not exist yet unless
// `onlyIfExists`; XCB_ATOM_NONE when the server does not answer.
xcb_atom_t internAtom(xcb_connection_t *connection, const char *name, bool onlyIfExists = false);

// The atoms of one connection by name, each interned once, when first
// asked for. Used from one thread at a time.
class Atoms
{
public:
    xcb_atom_t of(xcb_connection_t *connection, const char *name);

private:
    std::map<std::string, xcb_atom_t> m_known;
};

// Screen `number` of the connection, or null.
const xcb_screen_t *screenOf(xcb_connection_t *connection, int number);

// Tells the requestor of a selection how its request ended: `property`
// holds the answer, or XCB_ATOM_NONE refuses it.
void notifySelection(xcb_connection_t *connection, const xcb_selection_request_event_t &request,
                     xcb_atom_t property);

} // namespace platform
