#include "Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace platform {

namespace {

// The X connection when the program runs on X11, otherwise null.
xcb_connection_t *x11Connection()
{
    const auto *x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

struct FreeReply
{
    void operator()(void *reply) const { std::free(reply); }
};

xcb_atom_t clipboardAtom(xcb_connection_t *connection)
{
    static xcb_atom_t atom = XCB_ATOM_NONE;
    if (atom == XCB_ATOM_NONE) {
        const char name[] = "CLIPBOARD";
        const std::unique_ptr<xcb_intern_atom_reply_t, FreeReply> reply(xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr));
        if (reply)
            atom = reply->atom;
    }
    return atom;
}

xcb_window_t selectionOwner(xcb_connection_t *connection, xcb_atom_t selection)
{
    const std::unique_ptr<xcb_get_selection_owner_reply_t, FreeReply> reply(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection),
                                      nullptr));
    return reply ? reply->owner : xcb_window_t{XCB_WINDOW_NONE};
}

} // namespace

Clipboard::Clipboard(QObject *parent) : QObject(parent)
{
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &Clipboard::changed);
}

QString Clipboard::text() const
{
    return QGuiApplication::clipboard()->text(QClipboard::Clipboard);
}

QImage Clipboard::image()
{
    if (xcb_connection_t *connection = x11Connection())
        m_pictureOwner = selectionOwner(connection, clipboardAtom(connection));
    return QGuiApplication::clipboard()->image(QClipboard::Clipboard);
}

bool Clipboard::offersPictureOnly() const
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    return data && data->hasImage() && !data->hasText();
}

void Clipboard::clear()
{
    xcb_connection_t *connection = x11Connection();
    if (!connection) {
        QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
        return;
    }
    // Qt stamps its request with the time of the last event it handled; when
    // the new owner's announcement is still queued, that stamp is older than
    // the owner's claim and the server ignores the request, so the picture
    // would stay and be saved twice. Drop the owner as of now instead, but
    // only the one the picture came from: the server is held while we look,
    // so a newer offer cannot slip in between and be lost.
    const xcb_atom_t selection = clipboardAtom(connection);
    xcb_grab_server(connection);
    const xcb_window_t owner = selectionOwner(connection, selection);
    if (owner != XCB_WINDOW_NONE && (m_pictureOwner == XCB_WINDOW_NONE || owner == m_pictureOwner))
        xcb_set_selection_owner(connection, XCB_WINDOW_NONE, selection, XCB_CURRENT_TIME);
    xcb_ungrab_server(connection);
    xcb_flush(connection);
    m_pictureOwner = XCB_WINDOW_NONE;
}

} // namespace platform
