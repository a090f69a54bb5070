#include "OfferStream.h"

#include "OfferedPicture.h"
#include "PngStructure.h"

#include <QStringList>
#include <algorithm>
#include <cstring>

namespace platform {

namespace {

// Where in its layout a file's next byte is.
enum Phase : int
{
    Signature,
    ChunkHeader,
    ChunkHeaderData, // IHDR's data and CRC
    EndCrc,          // IEND's CRC, then the end
    BitmapStart,     // the file header and the info header's size
    BitmapHeader,    // the rest of the info header
    BitmapPixels,    // the gap and the pixels, up to the end the header gives
    JpegStart,
    JpegMarker,     // 0xFF
    JpegCode,       // the marker's code
    JpegLength,     // a segment's length
    JpegFrame,      // a frame header's first bytes after the length
    JpegScan,       // entropy-coded data
    JpegScanMarker, // a byte after 0xFF in entropy-coded data
};

// A progressive JPEG is decoded scan by scan; real ones have about ten
// (OfferedPicture allows as many).
constexpr int MaxJpegScans = 500;
// A bitmap's palette, masks and any gap before its pixels.
constexpr qint64 MaxBitmapGap = qint64{1} << 20;

quint32 bigEndian32(const unsigned char *at)
{
    return quint32{at[0]} << 24 | quint32{at[1]} << 16 | quint32{at[2]} << 8 | quint32{at[3]};
}

quint32 littleEndian32(const unsigned char *at)
{
    return quint32{at[0]} | quint32{at[1]} << 8 | quint32{at[2]} << 16 | quint32{at[3]} << 24;
}

constexpr quint32 chunkType(const char (&name)[5])
{
    return quint32(static_cast<unsigned char>(name[0])) << 24 |
           quint32(static_cast<unsigned char>(name[1])) << 16 |
           quint32(static_cast<unsigned char>(name[2])) << 8 |
           quint32(static_cast<unsigned char>(name[3]));
}

bool withinCeiling(QSize size, int bytesPerPixel)
{
    using OfferedPicture::MaxSide;
    return size.width() <= MaxSide && size.height() <= MaxSide &&
           qint64{size.width()} * size.height() * bytesPerPixel <= OfferedPicture::MaxDecodedBytes;
}

bool isLetter(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

OfferStream::OfferStream(const QString &mimeType)
{
    static const QStringList bitmapTypes{QStringLiteral("image/bmp"), QStringLiteral("image/x-bmp"),
                                         QStringLiteral("image/x-ms-bmp"),
                                         QStringLiteral("image/x-win-bitmap")};
    static const QStringList jpegTypes{QStringLiteral("image/jpeg"), QStringLiteral("image/jpg"),
                                       QStringLiteral("image/pjpeg")};
    if (mimeType == QLatin1String("image/png")) {
        m_kind = Kind::Png;
        m_phase = Signature;
        m_limit = 8 + 12 + 13; // the signature and IHDR, until IHDR says more
    } else if (bitmapTypes.contains(mimeType)) {
        m_kind = Kind::Bitmap;
        m_phase = BitmapStart;
        m_limit = 14 + 124; // the largest header, until it says more
    } else if (jpegTypes.contains(mimeType)) {
        m_kind = Kind::Jpeg;
        m_phase = JpegStart;
        m_limit = ExtraBytes; // until the frame header says more
    } else {
        m_state = State::Refused;
    }
}

OfferStream::State OfferStream::feed(QByteArrayView bytes)
{
    const auto *at = reinterpret_cast<const unsigned char *>(bytes.data());
    qsizetype count = bytes.size();
    while (m_state == State::More && count > 0) {
        qsizetype used = 0;
        if (m_skip > 0) {
            used = static_cast<qsizetype>(std::min<qint64>(m_skip, count));
            m_skip -= used;
        } else if (m_kind == Kind::Png) {
            used = png(at, count);
        } else if (m_kind == Kind::Bitmap) {
            used = bitmap(at, count);
        } else {
            used = jpeg(at, count);
        }
        at += used;
        count -= used;
        m_taken += used;
        if (m_taken > m_limit)
            refuse();
        else if (m_skip == 0 && (m_phase == EndCrc || m_phase == BitmapPixels))
            m_state = State::Whole; // the picture's last byte came
    }
    return m_state;
}

bool OfferStream::collect(const unsigned char *&at, qsizetype &count, int wanted)
{
    const int copied = static_cast<int>(std::min<qsizetype>(wanted - m_headBytes, count));
    if (copied > 0) {
        std::memcpy(m_head + m_headBytes, at, static_cast<std::size_t>(copied));
        m_headBytes += copied;
        at += copied;
        count -= copied;
    }
    return m_headBytes == wanted;
}

void OfferStream::sized(QSize size, qint64 pixelBytes)
{
    m_size = size;
    m_pixelLimit = pixelBytes;
}

// ------------------------------------------------------------------- PNG

qsizetype OfferStream::png(const unsigned char *at, qsizetype count)
{
    const qsizetype had = count;
    switch (m_phase) {
    case Signature:
        if (collect(at, count, 8)) {
            if (std::memcmp(m_head, PngFile::Signature, 8) != 0)
                refuse();
            m_headBytes = 0;
            m_phase = ChunkHeader;
        } else if (std::memcmp(m_head, PngFile::Signature, static_cast<std::size_t>(m_headBytes)) !=
                   0) {
            refuse(); // no need to wait for the rest of it
        }
        break;
    case ChunkHeader:
        if (collect(at, count, 8))
            pngChunkHeader();
        break;
    case ChunkHeaderData:
        if (collect(at, count, 8 + 13 + 4))
            pngChunkHeader();
        break;
    case EndCrc:
        m_state = State::Whole;
        break;
    default:
        refuse();
    }
    return had - count;
}

void OfferStream::pngChunkHeader()
{
    const quint32 length = bigEndian32(m_head);
    const quint32 type = bigEndian32(m_head + 4);
    if (length > 0x7fffffffu || !std::all_of(m_head + 4, m_head + 8, isLetter)) {
        refuse();
        return;
    }
    if (m_size.isEmpty()) {
        // IHDR first, read with its data.
        if (type != chunkType("IHDR") || length != 13) {
            refuse();
            return;
        }
        if (m_phase == ChunkHeader) {
            m_phase = ChunkHeaderData;
            return; // its data next
        }
        const unsigned char *data = m_head + 8;
        const quint32 width = bigEndian32(data);
        const quint32 height = bigEndian32(data + 4);
        const int depth = data[8];
        const int colour = data[9];
        const int channels = colour == 0 || colour == 3 ? 1 : colour == 4 ? 2 : colour == 2 ? 3 : 4;
        const bool depthFits =
            colour == 0 ? (depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16)
            : colour == 3
                ? (depth == 1 || depth == 2 || depth == 4 || depth == 8)
                : (colour == 2 || colour == 4 || colour == 6) && (depth == 8 || depth == 16);
        if (width == 0 || height == 0 || width > 0x7fffffffu || height > 0x7fffffffu ||
            !depthFits || data[10] != 0 || data[11] != 0 || data[12] > 1) {
            refuse();
            return;
        }
        const QSize size(static_cast<int>(width), static_cast<int>(height));
        // Kept as it is, a 16-bit file costs no more than an 8-bit one:
        // its decoding is bounded where it is decoded.
        if (!withinCeiling(size, 4)) {
            m_size = size;
            m_state = State::TooLarge;
            return;
        }
        // The filtered rows with their filter bytes (an interlaced file has
        // up to seven passes, each row with its own), and what deflate adds
        // when it cannot compress: a few bytes per stored block.
        const qint64 rowBytes = (qint64{width} * channels * depth + 7) / 8;
        const qint64 filtered =
            qint64{height} * (1 + rowBytes) + (data[12] ? 7 * qint64{height} + 64 : 0);
        sized(size, filtered + filtered / 8 + (qint64{1} << 20));
        m_limit = 8 + 25 + m_pixelLimit + ExtraBytes + 12;
        m_headBytes = 0;
        m_phase = ChunkHeader;
        return;
    }
    m_headBytes = 0;
    m_phase = ChunkHeader;
    m_skip = qint64{length} + 4; // the data and the CRC
    if (type == chunkType("IDAT")) {
        // One run of IDAT chunks.
        m_pixels += qint64{length} + 12;
        if (m_idatDone || m_pixels > m_pixelLimit)
            refuse();
        return;
    }
    if (m_pixels > 0)
        m_idatDone = true;
    if (type == chunkType("IEND")) {
        if (length != 0 || !m_idatDone)
            refuse();
        m_phase = EndCrc; // its CRC ends the file
        return;
    }
    const bool critical = (m_head[4] & 0x20) == 0;
    if (type == chunkType("IHDR") || (critical && type != chunkType("PLTE"))) {
        refuse();
        return;
    }
    m_extra += qint64{length} + 12;
    if (m_extra > ExtraBytes)
        refuse();
}

// ---------------------------------------------------------------- bitmap

qsizetype OfferStream::bitmap(const unsigned char *at, qsizetype count)
{
    const qsizetype had = count;
    switch (m_phase) {
    case BitmapStart:
        if (!collect(at, count, 18)) {
            if (m_head[0] != 'B' || (m_headBytes > 1 && m_head[1] != 'M'))
                refuse(); // no need to wait for the rest of it
        } else if (m_head[0] != 'B' || m_head[1] != 'M') {
            refuse();
        } else {
            const quint32 headerSize = littleEndian32(m_head + 14);
            if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 &&
                headerSize != 64 && headerSize != 108 && headerSize != 124) {
                refuse();
                break;
            }
            m_phase = BitmapHeader;
        }
        break;
    case BitmapHeader:
        if (collect(at, count, 14 + static_cast<int>(littleEndian32(m_head + 14))))
            bitmapHeader();
        break;
    case BitmapPixels:
        // The end the header gives came: the bytes past it are not needed.
        m_state = State::Whole;
        break;
    default:
        refuse();
    }
    return had - count;
}

void OfferStream::bitmapHeader()
{
    const OfferedPicture::BitmapLayout layout = OfferedPicture::bitmapLayout(m_head);
    const qint64 width = layout.width;
    const qint64 height = layout.height;
    const qint64 offset = layout.offset;
    if (!layout.known || offset < 14 + layout.headerSize ||
        offset > 14 + layout.headerSize + MaxBitmapGap) {
        refuse();
        return;
    }
    const QSize size(static_cast<int>(std::min<qint64>(width, 0x7fffffff)),
                     static_cast<int>(std::min<qint64>(height, 0x7fffffff)));
    if (!withinCeiling(size, 4)) {
        m_size = size;
        m_state = State::TooLarge;
        return;
    }
    // Plain rows are padded to 4 bytes; a run-length row takes at most two
    // bytes a pixel (runs of one) and its end of line.
    const qint64 pixels =
        layout.plain ? (width * layout.bits + 31) / 32 * 4 * height : height * (2 * width + 4) + 2;
    sized(size, pixels);
    m_limit = offset + pixels;
    m_phase = BitmapPixels;
    // What is left up to that end (the header is all that came so far);
    // the bytes past it are not needed.
    m_skip = m_limit - m_headBytes;
}

// ------------------------------------------------------------------ JPEG

qsizetype OfferStream::jpeg(const unsigned char *at, qsizetype count)
{
    const qsizetype had = count;
    switch (m_phase) {
    case JpegStart:
        if (collect(at, count, 2)) {
            if (m_head[0] != 0xFF || m_head[1] != 0xD8)
                refuse();
            m_headBytes = 0;
            m_phase = JpegMarker;
        } else if (m_head[0] != 0xFF) {
            refuse();
        }
        break;
    case JpegMarker:
        if (at[0] != 0xFF)
            refuse();
        m_phase = JpegCode;
        --count;
        break;
    case JpegCode:
    case JpegScanMarker: {
        const unsigned char code = at[0];
        --count;
        const bool inScan = m_phase == JpegScanMarker;
        if (code == 0xFF) // fill
            break;
        if (inScan && (code == 0x00 || (code >= 0xD0 && code <= 0xD7))) {
            m_phase = JpegScan; // a stuffed 0xFF or a restart marker
            break;
        }
        if (code == 0x01 || (code >= 0xD0 && code <= 0xD7)) { // no length
            m_phase = JpegMarker;
            break;
        }
        if (code == 0xD9 && m_scans > 0) {
            m_state = State::Whole;
            break;
        }
        if (code == 0xD8 || code == 0xD9 || code == 0x00 || (code == 0xDA && m_size.isEmpty())) {
            refuse(); // a second start, an end before any scan, data before the frame
            break;
        }
        m_head[0] = code;
        m_headBytes = 1;
        m_phase = JpegLength;
        break;
    }
    case JpegLength:
        if (collect(at, count, 3))
            jpegSegment();
        break;
    case JpegFrame:
        if (collect(at, count, 9))
            jpegSegment();
        break;
    case JpegScan: {
        const auto *marker = static_cast<const unsigned char *>(
            std::memchr(at, 0xFF, static_cast<std::size_t>(count)));
        const qsizetype data = marker ? marker - at : count;
        m_pixels += data + (marker ? 1 : 0);
        count -= data + (marker ? 1 : 0);
        if (marker)
            m_phase = JpegScanMarker;
        if (m_pixels > m_pixelLimit)
            refuse();
        break;
    }
    default:
        refuse();
    }
    return had - count;
}

void OfferStream::jpegSegment()
{
    const unsigned char code = m_head[0];
    const qint64 length = qint64{m_head[1]} << 8 | m_head[2];
    const bool frame = code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
    if (length < 2 || (frame && length < 8)) {
        refuse();
        return;
    }
    if (frame && m_phase == JpegLength) {
        if (!m_size.isEmpty()) {
            refuse(); // one frame
            return;
        }
        m_phase = JpegFrame;
        return; // its size next
    }
    // Bytes of the segment taken with the header so far, past its marker.
    const qint64 read = m_headBytes - 1;
    if (frame) {
        const int height = m_head[4] << 8 | m_head[5];
        const int width = m_head[6] << 8 | m_head[7];
        const int components = m_head[8];
        if (width == 0 || height == 0 || components == 0 || components > 4) {
            refuse(); // a height given later (DNL) is not read
            return;
        }
        const QSize size(width, height);
        if (!withinCeiling(size, 4)) {
            m_size = size;
            m_state = State::TooLarge;
            return;
        }
        // Huffman codes of at most 27 bits per coefficient, every 0xFF stuffed:
        // well under 8 bytes a sample, in all scans together.
        sized(size, qint64{width} * height * components * 8 + (qint64{1} << 20));
        m_limit = ExtraBytes + m_pixelLimit;
    }
    m_extra += length + 2;
    if (m_extra > ExtraBytes) {
        refuse();
        return;
    }
    m_skip = length - read;
    m_headBytes = 0;
    m_phase = JpegMarker;
    if (code == 0xDA) {
        if (++m_scans > MaxJpegScans)
            refuse();
        m_phase = JpegScan;
    }
}

} // namespace platform
