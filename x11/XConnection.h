#pragma once

#include "Xcb.h"

#include <xcb/xcb.h>

namespace platform {

// A connection of its own to the X display Qt runs on, for services that
// must not disturb Qt's: closed when it goes out of scope.
class XConnection
{
public:
    // Connects to $DISPLAY when Qt runs on X (its xcb platform); otherwise,
    // or when the display cannot be reached, holds no connection.
    XConnection();
    ~XConnection();
    XConnection(const XConnection &) = delete;
    XConnection &operator=(const XConnection &) = delete;

    explicit operator bool() const { return m_connection != nullptr; }
    xcb_connection_t *get() const { return m_connection; }
    const xcb_screen_t *screen() const { return m_screen; }
    xcb_window_t root() const { return m_screen ? m_screen->root : xcb_window_t{XCB_WINDOW_NONE}; }

    // An atom by name, or XCB_ATOM_NONE.
    xcb_atom_t atom(const char *name) const;

private:
    xcb_connection_t *m_connection = nullptr;
    const xcb_screen_t *m_screen = nullptr;
};

} // namespace platform
