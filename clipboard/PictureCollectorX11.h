#pragma once

#include "OfferStream.h"

#include <QByteArray>
#include <QString>
#include <xcb/xcb.h>

namespace platform {

// Collects the picture an X selection's owner sends into a property of a
// requestor's window, whole or in pieces (INCR), checked as it arrives
// (OfferStream.h): each property is read a slice at a time and each slice
// checked before the next is asked for, so that an owner sending no
// picture, or more than its picture needs, is stopped at the first slice
// that gives it away, and no more is ever held than the picture its header
// describes may need.
//
// Past the picture's end, a transfer in pieces is seen to its end (its
// empty piece), the rest of the bytes dropped as they come, so that the
// owner is free for the next request; an owner that sends on and on past
// it (more than OfferStream::ExtraBytes) is left where it is.
class PictureCollectorX11
{
public:
    enum class Step
    {
        Go,   // more is to come: read again at the next piece
        Done, // the owner sent all it had
        Stop, // the read ends here: the check ended it, or the server failed
    };

    // For `mimeType` (a type OfferStream reads), sent into `property` of
    // `window`; `incr` is the INCR atom.
    PictureCollectorX11(const QString &mimeType, xcb_connection_t *connection, xcb_window_t window,
                        xcb_atom_t property, xcb_atom_t incr);

    // Reads what the property holds now: the answer to the request at
    // first, then each piece once incremental(). Deletes the property when
    // it was read through, which asks an owner sending in pieces for the
    // next one.
    Step read();

    // Whether the owner sends in pieces.
    bool incremental() const { return m_incremental; }
    // Whether the server failed to answer a read.
    bool failed() const { return m_failed; }
    const OfferStream &stream() const { return m_stream; }
    // The picture's bytes up to its end: empty when they were refused, and
    // only the header when it gives a size past the ceiling.
    QByteArray result() const;

private:
    void append(const char *value, qint64 kept);

    xcb_connection_t *m_connection;
    xcb_window_t m_window;
    xcb_atom_t m_property;
    xcb_atom_t m_incr;
    OfferStream m_stream;
    QByteArray m_bytes;
    bool m_incremental = false;
    bool m_failed = false;
    qint64 m_received = 0; // all the owner sent, also past the picture's end
    qint64 m_claimed = 0;  // what the owner says it will send
};

} // namespace platform
