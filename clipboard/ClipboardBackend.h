#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace platform {

class CaptureOffer;

// One way of reaching the desktop's clipboard: Qt's clipboard (X11, also
// through XWayland, and Qt's other platforms) or a Wayland compositor's
// data-control protocol. Clipboard (Clipboard.h) sits in front of it and
// holds everything that does not depend on the way.
//
// Owners that do not answer are asked once: until the clipboard changes
// hands, such an offer then reads as empty (no formats, no data), so that
// the caller is not held up again and again.
class ClipboardBackend : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // A short name for messages and measurements: "x11" or "data-control".
    virtual QString name() const = 0;

    // The MIME types of the current offer; empty when the clipboard is
    // empty or its owner does not answer. Cheap: never reads the data.
    virtual QStringList formats() const = 0;

    // The undecoded bytes of one type of the current offer, read here and
    // now (text, which is small); empty when it is not offered or its owner
    // did not deliver in time. Pictures are read with beginRead().
    virtual QByteArray data(const QString &mimeType) const = 0;

    // The offer's plain text, decoded, or empty.
    virtual QString text() const;

    // Remembers the current offer as the one a picture is read from, so
    // that clear() drops that offer and no later one.
    virtual void holdOffer() = 0;

    // Whether the current owner answers at all, asked without waiting here
    // (beginAsk(), on the window thread) before anything else is asked of
    // it: the question returned runs once, on any thread, and ends early,
    // with true, once `cancel` becomes readable; endAsk() takes the answer
    // on the window thread. Null when there is nothing to ask (the offer is
    // in memory, or its owner answered before). An owner that does not
    // answer then reads as empty until the clipboard changes hands.
    using Question = std::function<bool(int cancel)>;
    virtual Question beginAsk() { return nullptr; }
    virtual void endAsk(bool /*answered*/) {}

    // One type of the held offer on its way, read in two halves so that the
    // bytes may travel on another thread while the window goes on:
    // beginRead() asks the owner, on the window thread; the transfer it
    // returns runs once, on any thread, and gives the undecoded bytes (empty
    // when the type is not offered, is refused, or is no picture), or
    // nothing when the owner stayed silent. It ends early, with empty bytes,
    // once `cancel` (a file descriptor) becomes readable. endRead() takes
    // what it brought back on the window thread: where the clipboard may
    // change hands while it is read, a backend makes sure there that the
    // bytes came from the held offer, or drops a repeat (see ClipboardX11).
    // One read at a time.
    using Transfer = std::function<std::optional<QByteArray>(int cancel)>;
    // Whether a transfer ends on its own once the clipboard changes hands;
    // else it is cancelled then.
    virtual bool transfersEndOnChange() const { return false; }
    virtual Transfer beginRead(const QString &mimeType) = 0;
    virtual QByteArray endRead(std::optional<QByteArray> bytes) = 0;

    // Empties the clipboard for every program: the held offer if it is
    // still the current one (else nothing), or whatever is offered when no
    // offer is held. Releases the hold.
    virtual void clear() = 0;

    // Puts a saved capture on the clipboard with Pictarro as its owner, in
    // place of the held offer if that is still the current one (else the
    // newer offer stays and nothing is offered), or, when no offer is held
    // or `inPlaceOfHeld` is false, of whatever is offered. Releases the hold.
    virtual void offerCapture(std::shared_ptr<const CaptureOffer> offer, bool inPlaceOfHeld) = 0;

protected:
    // A transfer whose bytes are here already (an offer held in memory).
    static Transfer delivered(QByteArray bytes)
    {
        return [bytes = std::move(bytes)](int) mutable -> std::optional<QByteArray> {
            return std::move(bytes);
        };
    }

Q_SIGNALS:
    // The clipboard changed hands (a new offer, or emptied).
    void changed();
    // An offer that only repeated the picture just read was taken off the
    // clipboard instead of being read as a new one.
    void repeatDropped();
};

// The MIME types that carry plain text, best first.
const QStringList &plainTextTypes();

// Chooses the backend once, at start: the compositor's data-control
// protocol when Pictarro runs in a Wayland session that offers it (whether
// Qt itself runs on Wayland or on XWayland), Qt's clipboard otherwise.
// PICTARRO_CLIPBOARD=x11 or =data-control asks for one (for measurements);
// data-control falls back to Qt's clipboard when it is not offered.
std::unique_ptr<ClipboardBackend> createClipboardBackend();

} // namespace platform
