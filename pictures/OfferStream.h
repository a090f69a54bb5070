#pragma once

#include <QByteArrayView>
#include <QSize>
#include <QString>
#include <QtGlobal>

namespace platform {

// The bytes of a picture another program offers, checked as they arrive,
// before the rest is there: a PNG file's signature and every chunk's header,
// a bitmap's headers, a JPEG file's markers (also between the scans). The
// first byte that cannot belong to a sound picture of its type within
// OfferedPicture's ceiling ends the read, and a read never takes more bytes
// than the picture its headers describe can need, so that an owner sending
// garbage, or a sound header followed by endless bytes, costs at most what a
// real picture of that size costs. What it lets through is still checked
// whole by OfferedPicture before any decoder sees it.
class OfferStream
{
public:
    enum class State
    {
        More,     // what came may begin a sound picture: go on reading
        Whole,    // the picture's own end came; bytes past it are not needed
        Refused,  // not a picture of its type, or longer than its own size needs
        TooLarge, // a sound header of a picture past the ceiling (size())
    };

    // Header and ancillary bytes (PNG text and profiles, JPEG tables and
    // comments, a bitmap's palette and gap) allowed beside the pixel data.
    static constexpr qint64 ExtraBytes = qint64{64} << 20;

    // For a MIME type OfferedPicture reads; any other is refused at once.
    explicit OfferStream(const QString &mimeType);

    // The next bytes as they arrived; returns the state after them. Once
    // the state is not More, further bytes change nothing.
    State feed(QByteArrayView bytes);

    State state() const { return m_state; }
    // The bytes that belong to the picture so far: all fed while More, up
    // to the picture's end once Whole.
    qint64 taken() const { return m_taken; }
    // The picture's size once its header came, else empty.
    QSize size() const { return m_size; }
    // The most bytes a picture beginning with what came can still have.
    qint64 limit() const { return m_limit; }

private:
    enum class Kind
    {
        Png,
        Bitmap,
        Jpeg,
        None,
    };
    qsizetype png(const unsigned char *at, qsizetype count);
    qsizetype bitmap(const unsigned char *at, qsizetype count);
    qsizetype jpeg(const unsigned char *at, qsizetype count);
    void pngChunkHeader();
    void bitmapHeader();
    void jpegSegment();
    bool collect(const unsigned char *&at, qsizetype &count, int wanted);
    void refuse() { m_state = State::Refused; }
    void sized(QSize size, qint64 pixelBytes);

    Kind m_kind = Kind::None;
    State m_state = State::More;
    qint64 m_taken = 0;
    qint64 m_limit = 0;
    QSize m_size;

    // The header being collected (a PNG chunk's, a bitmap's, a JPEG marker
    // segment's first bytes), up to the bytes it needs.
    unsigned char m_head[160] = {};
    int m_headBytes = 0;
    int m_phase = 0;     // where in the file's layout the next byte is
    qint64 m_skip = 0;   // bytes to pass over before the next header
    qint64 m_extra = 0;  // header and ancillary bytes so far
    qint64 m_pixels = 0; // pixel data so far (IDAT, a JPEG's scans)
    qint64 m_pixelLimit = 0;
    bool m_idatDone = false;
    int m_scans = 0;
};

} // namespace platform
