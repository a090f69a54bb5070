#pragma once

#include "XConnection.h"
#include "Xcb.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <optional>
#include <xcb/xcb.h>

namespace platform {

// Reads one picture type of the X clipboard's offer with a connection of
// its own, never through Qt's clipboard, which gathers whatever an owner
// sends, however much, before anyone may look at it. The bytes are checked
// piece by piece as the owner sends them (OfferStream.h), whole or in
// pieces (INCR): an owner that sends no picture, or more than its picture
// needs, is stopped at the first piece that gives it away, and the read
// never holds more than the picture its header describes may need.
//
// Each read asks from a window of its own, made for it and destroyed after
// it, so that pieces an owner still sends after the read gave up reach
// nobody. A read ends, with nothing, as soon as the clipboard changes
// hands: a slow or stalled owner holds up no picture copied after its own.
class SelectionReaderX11
{
public:
    // Connects when Qt runs on X; otherwise reads nothing.
    SelectionReaderX11();
    ~SelectionReaderX11();
    SelectionReaderX11(const SelectionReaderX11 &) = delete;
    SelectionReaderX11 &operator=(const SelectionReaderX11 &) = delete;

    explicit operator bool() const { return static_cast<bool>(m_x); }

    // The bytes of `mimeType` (a type OfferedPicture reads) that the
    // clipboard's owner sends, up to the picture's own end; empty when it
    // refuses, sends no picture of that type or more bytes than it needs
    // (and only the header when the header gives a size past the ceiling,
    // for OfferedPicture to tell); nothing when it stays silent for
    // `answerMs`, at the start or between two pieces. Empty too when the
    // clipboard changed hands meanwhile, or once `cancel` (a file
    // descriptor, or -1) becomes readable.
    //
    // A reader may be used from any one thread at a time.
    std::optional<QByteArray> read(const QString &mimeType, int answerMs, int cancel = -1);

    // Whether the clipboard's owner answers at all: asked what it offers, it
    // says so within `answerMs` (or the clipboard changes hands, or
    // `cancel` becomes readable). Its answer itself is left for Qt to ask.
    bool answers(int answerMs, int cancel = -1);

private:
    enum class Waited
    {
        Event,
        TooLong,  // nothing came in time
        Unwanted, // `cancel` became readable
        Failed,   // the connection broke
    };
    // Asks the owner for `target` into a window of its own, made for it;
    // the caller destroys it.
    xcb_window_t request(xcb_atom_t target);
    XcbPtr<xcb_generic_event_t> nextEvent(const QDeadlineTimer &deadline, int cancel,
                                          Waited &waited);
    // Whether `event` says the clipboard changed hands while `window` asked.
    bool handedOn(const xcb_generic_event_t &event, xcb_window_t window) const;

    XConnection m_x;
    xcb_atom_t m_clipboard = XCB_ATOM_NONE;
    xcb_atom_t m_property = XCB_ATOM_NONE;
    xcb_atom_t m_incr = XCB_ATOM_NONE;
    xcb_atom_t m_targets = XCB_ATOM_NONE;
    uint8_t m_ownerChanged = 0; // XFixes' selection event, 0 without XFixes
};

} // namespace platform
