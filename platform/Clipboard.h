#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSize>
#include <QString>
#include <future>

class QMimeData;

namespace platform {

// The system clipboard (never the X selection). Changes of owner are
// announced by changed(): on X11 they arrive through XFixes for every new
// owner, so nobody needs to poll.
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

    // The plain text on the clipboard (text/plain), or empty.
    QString text() const;

    // The picture on the clipboard, decoded, or a null image. Remembers who
    // offered it, so that clear() drops that offer and no later one.
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
    // text. Reads only the list of formats, which the platform caches per
    // owner, never the data itself.
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
    const QMimeData *offer() const;
    void ownerChanged();

    quint32 m_pictureOwner = 0;             // X11: the window that offered the last picture read
    mutable quint32 m_silentOwner = 0;      // X11: an owner that offered nothing when asked
    quint32 m_announcedOwner = 0;           // X11: the owner at the latest announcement
    mutable quint32 m_unannouncedOwner = 0; // X11: an owner seen before its announcement
    mutable QElapsedTimer m_unannouncedSince;
    bool mayBeRefill(QSize size) const;

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
