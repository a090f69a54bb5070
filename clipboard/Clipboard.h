#pragma once

#include "ClipboardBackend.h"
#include "OfferedPicture.h"
#include "PictureRows.h"

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <optional>

namespace platform {

class CaptureOffer;

// The system clipboard (never the X selection). Changes of owner are
// announced by changed(), as the desktop reports them, so nobody needs to
// poll. What reaches the clipboard is a ClipboardBackend chosen once, at
// start (ClipboardBackend.h): X11 through Qt, or a Wayland compositor's
// data-control protocol. Callers never need to know which.
//
// An owner that does not answer (a program that hangs, or one that offers
// no formats at all) is asked once; until the clipboard changes hands the
// clipboard then reads as empty, so that the caller is not held up again
// and again while each request runs into its time-out.
class Clipboard : public QObject
{
    Q_OBJECT
public:
    // Pictures up to this size in bytes, decoded, are read (a screenshot
    // of three 8K screens side by side fits): OfferedPicture::MaxDecodedBytes.
    static constexpr int MaxPictureMegabytes = 1024;

    // How soon after clear() a picture that was just read and cleared,
    // offered again, counts as a refill (see isRefill()).
    static constexpr int RefillWindowMs = 3000;

    explicit Clipboard(QObject *parent = nullptr);
    ~Clipboard() override;

    // Which way the clipboard is reached: "x11" or "data-control".
    QString backendName() const;

    // The plain text on the clipboard (text/plain), or empty.
    QString text() const;

    // What fetch() reads.
    enum class Fetch
    {
        // The picture, decoded: null when it is not a sound file of its type,
        // or too large (see refusedSize()). A file that is not sound may be
        // offered beside a sound one of another type.
        Picture,
        // The PNG file its owner offers (image/png), not decoded, when
        // PngFile::check() finds it sound and it is not too large, cut to the
        // end of the file; else the picture, as Picture reads it. A PNG file
        // cleared is decoded for the refill guard later, on another thread.
        PngFile,
    };

    // Reads the picture on the clipboard without waiting for it here: the
    // owner is asked whether it answers at all, then what it offers, and
    // its bytes travel, are checked and decoded on another thread while the
    // window goes on. fetched() tells when it is
    // done; image() or png() then holds what came (one is empty). A
    // transfer still under way when the clipboard changes hands is given up
    // at once: the newer offer is read in its turn. One at a time.
    //
    // Remembers who offered it, so that clear() drops that offer and no
    // later one. When the clipboard changed hands while the picture was
    // read, the new owner may have served it: if that owner then offers the
    // very same picture, its offer is dropped and the picture reads as
    // null, so the picture is not taken twice and does not stay on the
    // clipboard. Only OfferedPicture sees the offered bytes.
    void fetch(Fetch what);
    bool fetching() const { return m_fetch != nullptr; }

    // What the last fetch() found instead of a picture: a capture Pictarro
    // offers to paste (see offersCapture()), or plain text, which is left
    // alone, as is a picture beside it.
    bool captureOffered() const { return m_captureOffered; }
    const QString &textOffered() const { return m_textRead; }

    // What the last fetch() brought: the picture decoded, or the PNG file
    // kept as offered.
    const QImage &image() const { return m_pictureRead; }
    const QByteArray &png() const { return m_pngRead; }

    // The PNG file the last image() decoded its picture from, as offered,
    // when it was one; else empty.
    QByteArray pngOfImage() const { return m_pngOfImage; }

    // The size of the picture the last image() or png() refused because
    // it is larger than OfferedPicture reads; empty when it did not.
    QSize refusedSize() const;

    // Empties the clipboard of all formats. After image(), only the offer
    // that picture came from is dropped: a newer one stays for its own turn.
    void clear();

    // Offers a saved capture instead of emptying the clipboard: in place of
    // the offer the picture came from, as clear() would drop it, or of
    // whatever is offered when no picture was read (a screenshot key's).
    // `picture` is what was saved, when image() and png() did not read it;
    // it is remembered as clear() remembers a picture, so that a manager
    // that copies the offer and hands the picture back is known.
    void offerCapture(std::shared_ptr<const CaptureOffer> offer, const QImage &picture = {});

    // Cheap: whether the clipboard offers a capture Pictarro saved (its own
    // offer, or a clipboard manager's copy of all of it). Never a capture.
    bool offersCapture() const;

    // Whether the picture last read, by image() or png(), is one of the
    // last few that clear() dropped (same size, same pixels), offered again
    // within RefillWindowMs of the last clear(). That is what a clipboard
    // manager does that never lets the clipboard stay empty: it offers the
    // picture just taken once more, at once, perhaps encoded afresh. The
    // rows are compared one by one, and a picture that differs early is
    // told apart without reading the rest (a PNG file without decoding the
    // rest). A refill is not kept as the picture read: it is left where it
    // is.
    bool isRefill();

Q_SIGNALS:
    void changed();
    // A fetch() is done.
    void fetched();

private:
    struct Fetching;
    void elsewhere(std::function<void()> job);
    void lookAtOffer();
    void readNextType();
    void typeRead(const QString &type, std::optional<QByteArray> bytes, OfferedPicture::Read read);
    void ownerChanged();
    QSize sizeRead() const; // of the picture or PNG file last read
    bool mayBeRefill(QSize size) const;
    void rememberTaken(const QImage &picture);

    std::unique_ptr<ClipboardBackend> m_backend;
    QImage m_pictureRead;    // the last picture read, until it is cleared
    QByteArray m_pngRead;    // or the last PNG file read, not decoded
    QByteArray m_pngOfImage; // what m_pictureRead was decoded from, when PNG
    QSize m_refusedSize;     // of the last picture refused for its size
    struct Cleared
    {
        QSize size; // known at once; the fingerprint may still be on its way
        std::shared_ptr<PictureRows::GrowingPrint> print; // made on another thread
        std::future<void> making;                         // joined when dropped
    };
    std::deque<Cleared> m_cleared;     // the last pictures cleared, newest last
    QElapsedTimer m_sinceClear;        // since the last clear() of a picture
    qint64 m_offeredAfterClearMs = -1; // the latest change, in m_sinceClear's time
    std::unique_ptr<Fetching> m_fetch; // the fetch under way
    QString m_textRead;                // the text the last fetch found
    bool m_captureOffered = false;     // the last fetch found a capture offered
    int m_cancel = -1;                 // an eventfd: readable while a transfer is unwanted
};

} // namespace platform
