#pragma once

#include "Xcb.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QTimer>
#include <map>
#include <memory>
#include <utility>
#include <xcb/xcb.h>

namespace platform {

struct HandedOver;

// Answers the requests other programs make of the clipboard manager's
// window: what is kept on the clipboard, and the manager selection's own
// targets. What fits in one property goes in one; more goes in pieces
// (INCR), each once the program has deleted the one before, and a program
// that stops taking pieces for TransferIdleMs is dropped.
//
// Lives in the manager's thread and uses its X connection.
class SelectionServerX11
{
public:
    static constexpr int TransferIdleMs = 5000;

    // `pieceBytes`: the most sent in one property.
    SelectionServerX11(xcb_connection_t *connection, qint64 pieceBytes);
    ~SelectionServerX11();
    SelectionServerX11(const SelectionServerX11 &) = delete;
    SelectionServerX11 &operator=(const SelectionServerX11 &) = delete;

    // Answers a request for the clipboard with `kept` (none: refused),
    // kept since `since`.
    void serveKept(const xcb_selection_request_event_t &request, const HandedOver *kept,
                   xcb_timestamp_t since);

    // Answers `request` with `bytes` of `type` in `format`-bit items.
    void send(const xcb_selection_request_event_t &request, xcb_atom_t type, int format,
              const QByteArray &bytes);

    // Tells the requestor its request ended: `property` holds the answer,
    // or XCB_ATOM_NONE refuses it.
    void notify(const xcb_selection_request_event_t &request, xcb_atom_t property);

    // A property was deleted: the next piece goes if it was one sent.
    void propertyDeleted(xcb_window_t window, xcb_atom_t property);

private:
    struct Transfer;

    void sendNextPiece(Transfer &transfer);
    xcb_atom_t atom(const char *name);

    xcb_connection_t *m_connection;
    qint64 m_pieceBytes;
    Atoms m_atoms;
    QTimer m_sweep; // drops transfers in pieces that stalled
    std::map<std::pair<xcb_window_t, xcb_atom_t>, std::unique_ptr<Transfer>> m_transfers;
};

} // namespace platform
