#pragma once

#include "Xcb.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <xcb/xcb.h>

class QSocketNotifier;
class QThread;
class QTimer;

namespace platform {

class SelectionServerX11;

// What a program hands over on its way out that Pictarro keeps: its text,
// or its picture (one type, undecoded) when it offered no text.
struct HandedOver
{
    QString text;        // the text, when text was handed over
    QString pictureType; // else the picture's MIME type ("image/png")
    QByteArray picture;  // and its bytes as the program gave them
};

// The X clipboard manager (freedesktop's clipboard manager convention and
// ICCCM's SAVE_TARGETS): a program that owns the clipboard and quits hands
// its offer over to the owner of CLIPBOARD_MANAGER, which then owns the
// clipboard with a copy of it.
//
// It takes CLIPBOARD_MANAGER only while nobody owns it (at start, or when
// another manager exits later), gives it up without a fight when another
// manager takes it, and gives it back when Pictarro exits. It runs on its
// own X connection and its own thread, so a slow or silent program on the
// other end never holds up Pictarro's windows, and a busy Pictarro never
// holds up a program that quits: the program is released as soon as its
// offer is read, and at the latest HandoverIdleMs after it last delivered
// anything (HandoverMaxMs in all).
//
// A picture handed over is checked slice by slice as it arrives, as the
// capture's own reads are (PictureCollectorX11.h): bytes that are no
// picture end the read at the first slice that gives them away and keep
// nothing, and no more is held than the picture's header justifies.
//
// What it keeps it offers on the clipboard (text as UTF8_STRING, STRING,
// TEXT and text/plain;charset=utf-8; a picture in its own type) until
// another program copies something or Pictarro empties the clipboard
// (SelectionServerX11 answers the requests).
// Inside Pictarro, the clipboard backend reads it straight from kept(),
// never through the X server.
class ClipboardManagerX11 final : public QObject
{
    Q_OBJECT
public:
    static constexpr int HandoverIdleMs = 3000;
    static constexpr int HandoverMaxMs = 8000;
    // Kept at most: text up to this; a picture only as far as its header
    // justifies, checked as it arrives (PictureCollectorX11.h).
    static constexpr qint64 TextLimitBytes = qint64(64) * 1024 * 1024;

    // Connects to the X display of $DISPLAY and takes CLIPBOARD_MANAGER when
    // it is free, or else as soon as it is free (another manager exits).
    // Does nothing when there is no X display.
    ClipboardManagerX11();
    ~ClipboardManagerX11() override;

    // Whether it runs: it holds CLIPBOARD_MANAGER, or takes it once free.
    bool started() const { return m_window != XCB_WINDOW_NONE; }

    // The window that owns the clipboard while something is kept.
    xcb_window_t window() const { return m_window; }

    // The clipboard owner whose offer is being read now, or none.
    xcb_window_t savingFrom() const { return m_savingFrom.load(); }

    // What is kept on the clipboard now, or null.
    std::shared_ptr<const HandedOver> kept() const;

    // Gives the clipboard up if `which` is still what is kept (a newer
    // handover stays). Safe from any thread.
    void release(const std::shared_ptr<const HandedOver> &which);

    // The owner whose picture Pictarro's capture has read and not yet
    // cleared, or none: a picture it hands over is not kept again.
    void setCaptureHolds(xcb_window_t owner) { m_captureHolds = owner; }

Q_SIGNALS:
    // Something was handed over and is now on the clipboard, or what was
    // kept is gone, or a handover ended without anything kept.
    void changed();

private:
    struct Handover;

    bool takeManagerSelection(xcb_timestamp_t time);
    void run(); // in the manager's thread
    void processEvents();
    void handleEvent(const xcb_generic_event_t &event);
    void selectionRequest(const xcb_selection_request_event_t &request);
    void managerRequest(const xcb_selection_request_event_t &request);
    void selectionNotify(const xcb_selection_notify_event_t &event);
    void propertyNotify(const xcb_property_notify_event_t &event);
    void readTargets(const std::vector<xcb_atom_t> &targets);
    bool readProperty(QByteArray &into, xcb_atom_t *type, qint64 limit);
    void readPicture();
    void complete();
    void finishHandover(bool saved, bool announce = true);
    void drop();
    void notify(const xcb_selection_request_event_t &request, xcb_atom_t property);
    xcb_atom_t atom(const char *name);

    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_window = XCB_WINDOW_NONE;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    Atoms m_atoms;                          // used in the manager's thread only
    xcb_atom_t m_clipboard = XCB_ATOM_NONE; // for release(), from any thread
    xcb_timestamp_t m_managerSince = XCB_CURRENT_TIME;
    xcb_timestamp_t m_keptSince = XCB_CURRENT_TIME;
    qint64 m_pieceBytes = 0;   // the largest piece sent in one property
    uint8_t m_xfixesEvent = 0; // XFixes' selection event, 0 without XFixes

    std::unique_ptr<QThread> m_thread;
    std::unique_ptr<SelectionServerX11> m_server; // made and ended in the thread
    QSocketNotifier *m_notifier = nullptr;        // in the thread, owned by this
    QTimer *m_idle = nullptr;
    QTimer *m_overall = nullptr;
    QTimer *m_nudge = nullptr; // while a program has not answered yet

    std::unique_ptr<Handover> m_handover;
    std::atomic<xcb_window_t> m_savingFrom{XCB_WINDOW_NONE};
    std::atomic<xcb_window_t> m_captureHolds{XCB_WINDOW_NONE};
    mutable std::mutex m_keptLock;
    std::shared_ptr<const HandedOver> m_kept;
};

} // namespace platform
