#pragma once

#include "ClipboardBackend.h"

#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSize>
#include <QString>
#include <future>
#include <memory>

namespace platform {

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
    // of three 8K screens side by side fits); a larger one reads as none.
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

    // The picture on the clipboard, decoded, or a null image. Remembers who
    // offered it, so that clear() drops that offer and no later one. When
    // the clipboard changed hands while the picture was read, the new owner
    // may have served it: if that owner then offers the very same picture,
    // its offer is dropped and the image reads as null, so the picture is
    // not taken twice and does not stay on the clipboard.
    QImage image();

    // The picture on the clipboard as the PNG file its owner offers
    // (image/png), not decoded, or empty; remembered as image() remembers
    // its picture. `picture` is the file decoded, but only when isRefill()
    // needs pixels to tell (an offer within RefillWindowMs of the last
    // clear(), of the size of a picture cleared); otherwise null, and a PNG
    // file cleared is decoded for the refill guard later, on another thread.
    struct PngOffer
    {
        QByteArray file;
        QImage picture;
    };
    PngOffer png();

    // Cheap: whether the offered formats include a picture and no plain
    // text. Reads only the list of formats, which the backend keeps per
    // offer, never the data itself.
    bool offersPictureOnly() const;

    // Empties the clipboard of all formats. After image(), only the offer
    // that picture came from is dropped: a newer one stays for its own turn.
    void clear();

    // Whether this picture is one of the last few that image() read and
    // clear() dropped (same size, same pixels), offered again within
    // RefillWindowMs of the last clear(). That is what a clipboard manager
    // does that never lets the clipboard stay empty: it offers the picture
    // just taken once more, at once. A refill is not kept as the picture
    // read: it is left where it is.
    bool isRefill(const QImage &picture);

Q_SIGNALS:
    void changed();

private:
    struct Fingerprint
    {
        QSize size;
        size_t pixels = 0;
        bool operator==(const Fingerprint &other) const
        {
            return size == other.size && pixels == other.pixels;
        }
    };
    static Fingerprint fingerprint(const QImage &picture);
    void ownerChanged();
    bool mayBeRefill(QSize size) const;

    std::unique_ptr<ClipboardBackend> m_backend;
    QImage m_pictureRead; // the last picture read, until it is cleared
    QByteArray m_pngRead; // or the last PNG file read, not decoded
    struct Cleared
    {
        QSize size; // known at once; the fingerprint may still be on its way
        std::shared_future<Fingerprint> print;
    };
    QList<Cleared> m_cleared;          // the last pictures cleared, newest last
    QElapsedTimer m_sinceClear;        // since the last clear() of a picture
    qint64 m_offeredAfterClearMs = -1; // the latest change, in m_sinceClear's time
};

} // namespace platform
