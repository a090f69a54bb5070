#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>
#include <future>
#include <list>
#include <map>
#include <memory>

class QSocketNotifier;
struct xcb_connection_t;

namespace platform {

class CaptureOffer;

// Empties the X clipboard the way a program that copies nothing would: it
// takes CLIPBOARD with an offer of no data, and gives it up again. Or,
// where that is not needed, simply gives it up; either only while the offer
// it empties is still the one there, which it tells by counting every
// change of owner, a program copying again from the same window included.
//
// Simply giving the clipboard up (owner None) is not enough under mutter
// (GNOME, on Wayland and on Xorg). Its bridge drops the Wayland side only
// when an X program held the picture, so a picture from the shell or from a
// Wayland program stays; and its clipboard keeper puts a copy of the last
// picture back when its owner goes away. A new owner with nothing on it
// replaces the picture on both sides and leaves the keeper nothing to bring
// back; given up, it leaves the clipboard empty.
//
// The bridge replaces the Wayland side in its own time, and the offer must
// not be given up before: the bridge would then drop it unseen, and the
// picture would stay. So the offer is empty text (text/plain, zero bytes):
// mutter's keeper asks for that the moment the bridge has put the offer in
// place, and then it is given up. (The keeper ignores types it does not
// know, so an empty type of our own would never be asked for.) TARGETS and
// TIMESTAMP are answered, every other target refused.
//
// The same window offers a saved capture, when the clipboard is to keep it
// (CaptureOffer.h): taken on the same terms, it answers TARGETS, TIMESTAMP
// and each of the capture's types, large ones in pieces (INCR), until
// another owner takes over. When Pictarro ends while it is offered, a
// desktop's clipboard manager is asked to keep it, as any quitting program
// asks.
//
// It has an X connection of its own, watched by a socket notifier, so its
// owner answers even while Qt waits for another owner's data.
class ClipboardTakeover final : public QObject
{
    Q_OBJECT
public:
    // How long the empty offer waits for mutter's keeper at most (as long as
    // Qt waits for an owner's data).
    static constexpr int KeeperWaitMs = 5000;

    // Null when there is no X display to reach.
    static std::unique_ptr<ClipboardTakeover> create();
    ~ClipboardTakeover() override;

    // Whether the window manager is mutter's (GNOME Shell, or mutter itself),
    // whose bridge and keeper need the clipboard taken rather than dropped.
    bool windowManagerKeepsCopies();

    // How many times the clipboard changed hands (or offers) until now, as
    // far as this connection has seen; 0 where the server cannot tell.
    quint64 changesSeen();

    // Takes the clipboard if `owner` still owns it (any owner when 0) and,
    // when `changes` is given (changesSeen() as the picture was held), it
    // has not changed since: mutter's one window owns the X clipboard for
    // every offer from the Wayland side. The X server is held meanwhile, so
    // a newer offer is never replaced. Returns whether it was taken.
    bool takeFrom(quint32 owner, quint64 changes = 0);

    // Gives the clipboard up (owner None) on the same terms: only while
    // `owner` still owns it and, when `changes` is given, nobody copied
    // since, not even `owner` itself. Returns whether it was given up.
    bool dropFrom(quint32 owner, quint64 changes = 0);

    // Takes the clipboard with a capture on it on the terms of takeFrom();
    // with `owner` 0 from whoever has it, nobody and an earlier capture
    // included. Returns whether it was taken.
    bool offerFrom(quint32 owner, quint64 changes, std::shared_ptr<const CaptureOffer> offer);

    // Pictarro's own clipboard manager, which is not asked to keep a
    // capture as Pictarro ends (it ends too).
    void setOwnManager(quint32 window) { m_ownManager = window; }

    // The window that owns the empty offer.
    quint32 window() const { return m_window; }

Q_SIGNALS:
    // The empty offer was given up, or another owner took over from it.
    void released();

private:
    explicit ClipboardTakeover(xcb_connection_t *connection);
    void handleEvents();
    void dispatch(const void *event); // an xcb_generic_event_t
    void answer(const void *request);
    void release();
    quint32 serverTime();
    bool replaceOwner(quint32 owner, quint64 changes, bool take,
                      std::shared_ptr<const CaptureOffer> offer = {});
    bool answerOffer(const void *request, quint32 property);
    void send(const void *request, quint32 property, quint32 type, const QByteArray &bytes);
    void sendWhenReady(const void *request, quint32 property, const QString &type);
    void sendPiece(const void *propertyChange);
    quint32 atom(const QString &name);
    void handOverAtExit();

    struct Transfer
    {
        quint32 type = 0;
        QByteArray bytes;
        qsizetype sent = 0;
        QElapsedTimer lastMove;
    };

    xcb_connection_t *m_connection;
    std::unique_ptr<QSocketNotifier> m_notifier;
    quint32 m_root = 0;
    quint32 m_window = 0;
    quint32 m_clipboard = 0;
    quint32 m_targets = 0;
    quint32 m_timestamp = 0;
    quint32 m_text = 0; // text/plain: the empty offer's one type
    quint32 m_atom = 0;
    quint32 m_integer = 0;
    quint32 m_takenAt = 0; // the server time the empty offer was made
    bool m_holding = false;
    quint8 m_xfixesEvent = 0; // the XFixes selection event, 0 without XFixes
    quint64 m_changes = 0;    // changes of owner seen
    QTimer m_release;

    std::shared_ptr<const CaptureOffer> m_offer; // the capture offered, while it is
    bool m_exiting = false; // handing the capture over at exit: nothing is left for later
    std::list<std::future<void>> m_waits; // requests waiting for the PNG file (joined when dropped)
    QHash<QString, quint32> m_atoms;      // its types' atoms
    quint32 m_ownManager = 0;
    qsizetype m_pieceBytes = 0;
    std::map<std::pair<quint32, quint32>, Transfer> m_transfers; // by requestor, property
};

} // namespace platform
