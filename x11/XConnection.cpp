#include "XConnection.h"

#include <QGuiApplication>

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
    m_screen = screenOf(connection, screenNumber);
    if (!m_screen) {
        xcb_disconnect(connection);
        return;
    }
    m_connection = connection;
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
    return internAtom(m_connection, name, true);
}

} // namespace platform
