#include "OfferedPicture.h"

#include "OfferStream.h"
#include "PngStructure.h"

#include <QBuffer>
#include <QImageReader>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <optional>
#include <vector>

namespace platform::OfferedPicture {

namespace {

const QString PngType = QStringLiteral("image/png");
// Qt's name for "a picture, in whatever format the owner has": within this
// process a QImage, handed on as a PNG file Qt itself wrote.
const QString QtImageType = QStringLiteral("application/x-qt-image");
const QStringList BitmapTypes{QStringLiteral("image/bmp"), QStringLiteral("image/x-bmp"),
                              QStringLiteral("image/x-ms-bmp"),
                              QStringLiteral("image/x-win-bitmap")};
const QStringList JpegTypes{QStringLiteral("image/jpeg"), QStringLiteral("image/jpg"),
                            QStringLiteral("image/pjpeg")};

// Room for what a decoder keeps beside the picture (rows, tables, a zlib
// window), and for the JPEG decoder's own memory above what it may take
// in proportion to the picture.
constexpr qint64 MarginBytes = qint64{64} << 20;
// A progressive JPEG is decoded scan by scan; real ones have about ten.
constexpr int MaxJpegScans = 500;

bool withinCeiling(QSize size, int bytesPerPixel)
{
    return size.width() <= MaxSide && size.height() <= MaxSide &&
           qint64{size.width()} * size.height() * bytesPerPixel <= MaxDecodedBytes;
}

Read refused(QSize size)
{
    return {Outcome::TooLarge, {}, size, 0};
}

Read decoded(const QImage &picture)
{
    if (picture.isNull())
        return {};
    return {Outcome::Picture, picture, picture.size(), 0};
}

// Qt's reader for one format, on bytes that were checked.
QImage readByQt(QByteArrayView bytes, const char *format)
{
    QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(false);
    return reader.read();
}

// ------------------------------------------------------------------- PNG

Read readPng(QByteArrayView bytes)
{
    const PngFile::Check check = PngFile::check(bytes);
    if (!check.sound())
        return {};
    // Qt holds 16 bits a channel as 8 bytes a pixel.
    if (!withinCeiling(check.size, check.depth == 16 ? 8 : 4))
        return refused(check.size);
    const QByteArray pixels = PngFile::pixelChunks(bytes.first(check.length));
    return decoded(readByQt(pixels, "png"));
}

// ---------------------------------------------------------------- bitmap

quint32 littleEndian32(const unsigned char *at)
{
    return quint32{at[0]} | quint32{at[1]} << 8 | quint32{at[2]} << 16 | quint32{at[3]} << 24;
}

quint32 littleEndian16(const unsigned char *at)
{
    return quint32{at[0]} | quint32{at[1]} << 8;
}

// A bitmap file's header: the size it gives, when its layout is one Qt
// reads and its pixels lie within the bytes (for run-length data, which
// may describe many pixels in a few bytes, where they start).
std::optional<QSize> bitmapSize(QByteArrayView bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const qint64 total = bytes.size();
    if (total < 18 || data[0] != 'B' || data[1] != 'M')
        return std::nullopt;
    const qint64 headerSize = littleEndian32(data + 14);
    if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 &&
        headerSize != 64 && headerSize != 108 && headerSize != 124)
        return std::nullopt;
    if (total < 14 + headerSize)
        return std::nullopt;
    const BitmapLayout layout = bitmapLayout(data);
    if (!layout.known)
        return std::nullopt;
    const qint64 width = layout.width;
    const qint64 height = layout.height;
    const qint64 bits = layout.bits;
    if (layout.offset < 14 + headerSize || layout.offset >= total)
        return std::nullopt;
    if (layout.plain) {
        // Every row but the last with its padding to 4 bytes.
        const qint64 rowBytes = (width * bits + 31) / 32 * 4;
        const qint64 needed = rowBytes * (height - 1) + (width * bits + 7) / 8;
        if (total - layout.offset < needed)
            return std::nullopt;
    }
    // 16 bits each way at most in the old header; 2^31 in the others.
    return QSize(static_cast<int>(qMin<qint64>(width, INT_MAX)),
                 static_cast<int>(qMin<qint64>(height, INT_MAX)));
}

Read readBitmap(QByteArrayView bytes)
{
    const std::optional<QSize> size = bitmapSize(bytes);
    if (!size)
        return {};
    if (!withinCeiling(*size, 4))
        return refused(*size);
    return decoded(readByQt(bytes, "bmp"));
}

// ------------------------------------------------------------------ JPEG

// The size a JPEG file's frame header gives, found by walking its markers,
// each within the bytes.
std::optional<QSize> jpegSize(QByteArrayView bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype total = bytes.size();
    if (total < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return std::nullopt;
    for (qsizetype at = 2; at + 4 <= total;) {
        if (data[at] != 0xFF)
            return std::nullopt;
        const unsigned char marker = data[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) { // no length
            at += 2;
            continue;
        }
        if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA || marker == 0x00)
            return std::nullopt; // a second start, the end or the data before a frame
        const qsizetype length = qsizetype{data[at + 2]} << 8 | data[at + 3];
        if (length < 2 || length > total - at - 2)
            return std::nullopt;
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (length < 8)
                return std::nullopt;
            const int height = data[at + 5] << 8 | data[at + 6];
            const int width = data[at + 7] << 8 | data[at + 8];
            if (width == 0 || height == 0) // a height given later (DNL) is not read
                return std::nullopt;
            return QSize(width, height);
        }
        at += 2 + length;
    }
    return std::nullopt;
}

struct JpegError
{
    jpeg_error_mgr manager;
    std::jmp_buf escape;
};

[[noreturn]] void jpegFailed(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegError *>(info->err)->escape, 1);
}

void jpegQuiet(j_common_ptr)
{
}

void jpegProgress(j_common_ptr info)
{
    const auto *decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > MaxJpegScans)
        jpegFailed(info);
}

// libjpeg's state for one picture, with errors that return to the caller
// of the step that failed.
struct JpegDecoder
{
    jpeg_decompress_struct info{};
    JpegError error{};
    jpeg_progress_mgr progress{};

    JpegDecoder()
    {
        info.err = jpeg_std_error(&error.manager);
        error.manager.error_exit = jpegFailed;
        error.manager.output_message = jpegQuiet;
        jpeg_create_decompress(&info);
        progress.progress_monitor = jpegProgress;
        info.progress = &progress;
    }
    JpegDecoder(const JpegDecoder &) = delete;
    JpegDecoder &operator=(const JpegDecoder &) = delete;
    ~JpegDecoder() { jpeg_destroy_decompress(&info); }
};

// The steps that may fail each hold their own setjmp and nothing that
// needs to be destroyed.
bool jpegStart(JpegDecoder &d, QByteArrayView bytes, long workingBytes)
{
    if (setjmp(d.error.escape))
        return false;
    d.info.mem->max_memory_to_use = workingBytes;
    jpeg_mem_src(&d.info, reinterpret_cast<const unsigned char *>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&d.info, TRUE);
    const bool cmyk = d.info.jpeg_color_space == JCS_CMYK || d.info.jpeg_color_space == JCS_YCCK;
    d.info.out_color_space = cmyk                              ? JCS_CMYK
                             : Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX
                                                               : JCS_EXT_XRGB;
    jpeg_start_decompress(&d.info);
    return true;
}

bool jpegRows(JpegDecoder &d, QImage &picture, unsigned char *cmykRow)
{
    if (setjmp(d.error.escape))
        return false;
    const bool cmyk = d.info.out_color_space == JCS_CMYK;
    const bool inverted = d.info.saw_Adobe_marker; // Adobe's CMYK is stored inverted
    while (d.info.output_scanline < d.info.output_height) {
        const int y = static_cast<int>(d.info.output_scanline);
        auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        JSAMPROW row = cmyk ? cmykRow : reinterpret_cast<JSAMPROW>(line);
        if (jpeg_read_scanlines(&d.info, &row, 1) != 1)
            return false;
        if (cmyk) {
            for (int x = 0; x < picture.width(); ++x) {
                const unsigned char *p = cmykRow + 4 * x;
                const auto ink = [&](int c) {
                    const int k = inverted ? p[3] : 255 - p[3];
                    return (inverted ? c : 255 - c) * k / 255;
                };
                line[x] = qRgb(ink(p[0]), ink(p[1]), ink(p[2]));
            }
        }
    }
    jpeg_finish_decompress(&d.info);
    return true;
}

Read readJpeg(QByteArrayView bytes)
{
    const std::optional<QSize> size = jpegSize(bytes);
    if (!size)
        return {};
    if (!withinCeiling(*size, 4))
        return refused(*size);
    // libjpeg's own memory: a progressive file keeps every coefficient of
    // the picture, up to 6 bytes a pixel. Up to as much again as the
    // picture, and never past the ceiling.
    const qint64 pictureBytes = qint64{size->width()} * size->height() * 4;
    const qint64 working = qMin(pictureBytes, MaxDecodedBytes - pictureBytes) + MarginBytes;
    JpegDecoder decoder;
    if (!jpegStart(decoder, bytes, static_cast<long>(working)))
        return {};
    const QSize given(static_cast<int>(decoder.info.output_width),
                      static_cast<int>(decoder.info.output_height));
    if (given != *size) // a second frame header: not what was checked
        return {};
    QImage picture(given, QImage::Format_RGB32);
    if (picture.isNull())
        return {};
    std::vector<unsigned char> cmykRow;
    if (decoder.info.out_color_space == JCS_CMYK)
        cmykRow.resize(static_cast<size_t>(given.width()) * 4);
    if (!jpegRows(decoder, picture, cmykRow.data()))
        return {};
    return decoded(picture);
}

} // namespace

const QStringList &types()
{
    static const QStringList list =
        QStringList{PngType} + BitmapTypes + JpegTypes + QStringList{QtImageType};
    return list;
}

QStringList chosenTypes(const QStringList &offered, bool withinProcess)
{
    QStringList chosen;
    for (const QString &type : types()) {
        if (offered.contains(type) && (withinProcess || type != QtImageType))
            chosen.append(type);
    }
    return chosen;
}

namespace {

// What the headers tell, as OfferStream tells it while the bytes arrive:
// a picture past the ceiling (whether or not the rest of it came, as its
// reader stops there), or bytes that cannot be a picture of the type.
std::optional<Read> byHeaders(QByteArrayView bytes, const QString &mimeType)
{
    OfferStream stream(mimeType);
    stream.feed(bytes);
    if (stream.state() == OfferStream::State::TooLarge)
        return refused(stream.size());
    if (stream.state() == OfferStream::State::Refused)
        return Read{};
    return std::nullopt;
}

} // namespace

Read read(QByteArrayView bytes, const QString &mimeType)
{
    if (mimeType != QtImageType) {
        if (const std::optional<Read> told = byHeaders(bytes, mimeType))
            return *told;
    }
    if (mimeType == PngType || mimeType == QtImageType)
        return readPng(bytes);
    if (BitmapTypes.contains(mimeType))
        return readBitmap(bytes);
    if (JpegTypes.contains(mimeType))
        return readJpeg(bytes);
    return {};
}

Read keepPng(QByteArrayView bytes)
{
    if (const std::optional<Read> told = byHeaders(bytes, PngType))
        return *told;
    const PngFile::Check check = PngFile::check(bytes);
    if (!check.sound())
        return {};
    if (!withinCeiling(check.size, 4))
        return refused(check.size);
    return {Outcome::Picture, {}, check.size, check.length};
}

QString tooLargeReason(QSize size)
{
    return QStringLiteral("The picture is %1 × %2 pixels, more than Pictarro can hold (at most "
                          "%3 × %3).")
        .arg(size.width())
        .arg(size.height())
        .arg(MaxSide);
}

BitmapLayout bitmapLayout(const unsigned char *headers)
{
    BitmapLayout layout;
    layout.offset = littleEndian32(headers + 10);
    layout.headerSize = littleEndian32(headers + 14);
    quint32 planes = 0;
    quint32 compression = 0;
    if (layout.headerSize == 12) {
        layout.width = littleEndian16(headers + 18);
        layout.height = littleEndian16(headers + 20);
        planes = littleEndian16(headers + 22);
        layout.bits = littleEndian16(headers + 24);
    } else {
        layout.width = static_cast<qint32>(littleEndian32(headers + 18));
        layout.height = static_cast<qint32>(littleEndian32(headers + 22));
        planes = littleEndian16(headers + 26);
        layout.bits = littleEndian16(headers + 28);
        compression = littleEndian32(headers + 30);
    }
    layout.height = layout.height < 0 ? -layout.height : layout.height; // negative: top down
    const quint32 bits = layout.bits;
    layout.plain = compression == 0 || (compression == 3 && (bits == 16 || bits == 32));
    layout.runs = (compression == 1 && bits == 8) || (compression == 2 && bits == 4);
    layout.known =
        layout.width > 0 && layout.height > 0 && planes == 1 &&
        (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32) &&
        (layout.plain || layout.runs);
    return layout;
}

} // namespace platform::OfferedPicture
