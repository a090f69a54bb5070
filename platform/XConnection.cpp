#include "XConnection.h"

#include <QGuiApplication>
#include <cstring>

namespace platform {

XConnection::XConnection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    int screenNumber = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem <= 0) {
        xcb_disconnect(connection);
        return;
    }
    m_connection = connection;
    m_screen = screens.data;
}

XConnection::~XConnection()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

xcb_atom_t XConnection::atom(const char *name) const
{
    if (!m_connection)
        return XCB_ATOM_NONE;
    const XcbPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        m_connection,
        xcb_intern_atom(m_connection, 1, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

} // namespace platform
