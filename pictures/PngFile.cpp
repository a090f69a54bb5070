#include "PngFile.h"

#include <QBuffer>
#include <QtEndian>
#include <algorithm>
#include <cstdint>
#include <future>
#include <isa-l/igzip_lib.h>
#include <iterator>
#include <libdeflate.h>
#include <memory>
#include <new>
#include <vector>

namespace PngFile {

namespace {

bool writeBigEndian(QIODevice &out, quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    return out.write(bytes, 4) == 4;
}

// One chunk, its data written from where it lies.
bool writeChunk(QIODevice &out, const char *type, const char *data, size_t length)
{
    // libdeflate takes a null buffer as a request for its starting value.
    const quint32 typeCrc = libdeflate_crc32(0, type, 4);
    const quint32 crc = length == 0 ? typeCrc : libdeflate_crc32(typeCrc, data, length);
    return writeBigEndian(out, static_cast<quint32>(length)) && out.write(type, 4) == 4 &&
           out.write(data, static_cast<qint64>(length)) == static_cast<qint64>(length) &&
           writeBigEndian(out, crc);
}

// Room for bytes that are all written before they are read: not cleared
// first, as a vector would.
template <typename Byte> std::unique_ptr<Byte[]> roomFor(size_t size)
{
    return std::unique_ptr<Byte[]>(new Byte[size]);
}

struct FreeCompressor
{
    void operator()(libdeflate_compressor *compressor) const
    {
        libdeflate_free_compressor(compressor);
    }
};
using Compressor = std::unique_ptr<libdeflate_compressor, FreeCompressor>;

// A picture's rows as PNG scanlines: a filter byte, then R, G, B[, A] per
// pixel, the filter applied.
class Scanlines
{
public:
    Scanlines(const QImage &picture, int channels)
        : m_picture(picture), m_channels(static_cast<size_t>(channels)),
          m_rowBytes(static_cast<size_t>(picture.width()) * m_channels), m_previous(m_rowBytes, 0),
          m_current(m_rowBytes), m_sub(m_rowBytes), m_up(m_rowBytes)
    {
    }

    size_t lineBytes() const { return m_rowBytes + 1; }

    // Row y into `to`. Filtered, it takes the one of None, Sub and Up whose
    // output has the smallest sum of absolute values (the usual guess at
    // what deflate packs best); row y - 1 must have been the last one done,
    // or the one given to startAt().
    void write(int y, bool filtered, unsigned char *to)
    {
        unpack(y, filtered ? m_current.data() : to + 1);
        *to = 0;
        if (!filtered)
            return;
        // Plain loops over bytes, on locals (a byte store could otherwise
        // change the members), which the compiler turns into vector code.
        const unsigned char *row = m_current.data();
        const unsigned char *above = m_previous.data();
        unsigned char *left = m_sub.data();
        unsigned char *over = m_up.data();
        const size_t channels = m_channels;
        const size_t length = m_rowBytes;
        std::copy(row, row + channels, left);
        for (size_t i = channels; i < length; ++i)
            left[i] = static_cast<unsigned char>(row[i] - row[i - channels]);
        for (size_t i = 0; i < length; ++i)
            over[i] = static_cast<unsigned char>(row[i] - above[i]);
        const quint32 none = magnitudes(row, length);
        const quint32 sub = magnitudes(left, length);
        const quint32 up = y == 0 ? none : magnitudes(over, length);
        const std::vector<unsigned char> *chosen = &m_current;
        if (sub < none && sub <= up) {
            chosen = &m_sub;
            *to = 1;
        } else if (up < none) {
            chosen = &m_up;
            *to = 2;
        }
        std::copy(chosen->begin(), chosen->end(), to + 1);
        std::swap(m_current, m_previous);
    }

    // Makes row y the next one to write, its filter looking at row y - 1.
    void startAt(int y)
    {
        if (y > 0)
            unpack(y - 1, m_previous.data());
    }

private:
    void unpack(int y, unsigned char *bytes) const
    {
        const auto *pixels = reinterpret_cast<const QRgb *>(m_picture.constScanLine(y));
        const auto width = static_cast<size_t>(m_picture.width());
        if (m_channels == 4) {
            for (size_t x = 0; x < width; ++x) {
                const QRgb pixel = pixels[x];
                bytes[4 * x] = static_cast<unsigned char>(qRed(pixel));
                bytes[4 * x + 1] = static_cast<unsigned char>(qGreen(pixel));
                bytes[4 * x + 2] = static_cast<unsigned char>(qBlue(pixel));
                bytes[4 * x + 3] = static_cast<unsigned char>(qAlpha(pixel));
            }
            return;
        }
        for (size_t x = 0; x < width; ++x) {
            const QRgb pixel = pixels[x];
            bytes[3 * x] = static_cast<unsigned char>(qRed(pixel));
            bytes[3 * x + 1] = static_cast<unsigned char>(qGreen(pixel));
            bytes[3 * x + 2] = static_cast<unsigned char>(qBlue(pixel));
        }
    }

    // The sum of the bytes' absolute values, read as signed differences.
    static quint32 magnitudes(const unsigned char *bytes, size_t length)
    {
        quint32 sum = 0;
        for (size_t i = 0; i < length; ++i) {
            const auto difference = static_cast<signed char>(bytes[i]);
            sum += static_cast<quint32>(difference < 0 ? -difference : difference);
        }
        return sum;
    }

    const QImage &m_picture;
    size_t m_channels;
    size_t m_rowBytes;
    std::vector<unsigned char> m_previous, m_current, m_sub, m_up;
};

// Grainy pictures (photographs) through ISA-L's fastest level, as a zlib
// stream: as small as libdeflate's fastest within a few per cent, in about
// 60 % of its time. 0 when it does not fit in `room` or the input is too
// large for one call.
size_t compressGrainy(const unsigned char *rows, size_t size, char *out, size_t room)
{
    constexpr size_t MaxCall = UINT32_MAX;
    if (size > MaxCall || room > MaxCall)
        return 0;
    const std::unique_ptr<unsigned char[]> levelBuffer =
        roomFor<unsigned char>(ISAL_DEF_LVL1_DEFAULT);
    isal_zstream stream;
    isal_deflate_init(&stream);
    stream.level = 1;
    stream.level_buf = levelBuffer.get();
    stream.level_buf_size = ISAL_DEF_LVL1_DEFAULT;
    stream.gzip_flag = IGZIP_ZLIB;
    stream.flush = NO_FLUSH;
    stream.end_of_stream = 1;
    stream.next_in = const_cast<unsigned char *>(rows); // read only
    stream.avail_in = static_cast<uint32_t>(size);
    stream.next_out = reinterpret_cast<unsigned char *>(out);
    stream.avail_out = static_cast<uint32_t>(room);
    if (isal_deflate(&stream) != COMP_OK || stream.internal_state.state != ZSTATE_END)
        return 0;
    return stream.total_out;
}

// How well the picture compresses, from a fast try on bands of rows spread
// over it: the packed size as a share of the filtered bytes.
double packedShare(const QImage &picture, int channels)
{
    constexpr int Bands = 16;
    constexpr int BandRows = 4;
    const int bands = std::min(Bands, std::max(1, picture.height() / BandRows));
    Scanlines lines(picture, channels);
    std::vector<unsigned char> sample;
    for (int band = 0; band < bands; ++band) {
        const int first = picture.height() / bands * band;
        for (int y = first; y < std::min(first + BandRows, picture.height()); ++y) {
            sample.resize(sample.size() + lines.lineBytes());
            lines.write(y, true, sample.data() + sample.size() - lines.lineBytes());
        }
    }
    const Compressor compressor(libdeflate_alloc_compressor(1));
    if (!compressor)
        return 0;
    std::vector<unsigned char> packed(sample.size());
    const size_t size = libdeflate_deflate_compress(compressor.get(), sample.data(), sample.size(),
                                                    packed.data(), packed.size());
    return size == 0 ? 1.0 : static_cast<double>(size) / static_cast<double>(sample.size());
}

} // namespace

Written encode(const QImage &picture, QIODevice &out, int level)
{
    if (picture.isNull())
        return Written::NoMemory;
    const bool alpha = picture.hasAlphaChannel();
    const QImage pixels =
        picture.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const int channels = alpha ? 4 : 3;
    try {
        // Pictures that pack well are worth a thorough level; grainy ones
        // pack about as well at the fastest; noise is stored.
        const double share = packedShare(pixels, channels);
        const bool store = share > 0.9;
        const bool grainy = !store && share > 0.25;
        const int chosenLevel = store ? 0 : grainy ? 1 : level;
        // The lower half of the rows is filtered on another thread.
        const size_t lineBytes = Scanlines(pixels, channels).lineBytes();
        const size_t rowsSize = lineBytes * static_cast<size_t>(pixels.height());
        const std::unique_ptr<unsigned char[]> rows = roomFor<unsigned char>(rowsSize);
        const auto filterRows = [&](int first, int end) {
            Scanlines lines(pixels, channels);
            lines.startAt(first);
            for (int y = first; y < end; ++y)
                lines.write(y, !store, rows.get() + lineBytes * static_cast<size_t>(y));
        };
        const int half = pixels.height() / 2;
        std::future<void> lower = std::async(std::launch::async, filterRows, half, pixels.height());
        filterRows(0, half);
        lower.get();
        const Compressor compressor(libdeflate_alloc_compressor(chosenLevel));
        if (!compressor)
            return Written::NoMemory;
        const size_t bound = libdeflate_zlib_compress_bound(compressor.get(), rowsSize);
        const std::unique_ptr<char[]> packed = roomFor<char>(bound);
        size_t packedSize = grainy ? compressGrainy(rows.get(), rowsSize, packed.get(), bound) : 0;
        if (packedSize == 0)
            packedSize = libdeflate_zlib_compress(compressor.get(), rows.get(), rowsSize,
                                                  packed.get(), bound);
        if (packedSize == 0)
            return Written::NoMemory;

        char header[13];
        qToBigEndian(static_cast<quint32>(pixels.width()), header);
        qToBigEndian(static_cast<quint32>(pixels.height()), header + 4);
        header[8] = 8;               // bits per channel
        header[9] = alpha ? 6 : 2;   // RGBA or RGB
        header[10] = header[11] = 0; // deflate, adaptive filtering
        header[12] = 0;              // not interlaced
        constexpr size_t MaxChunk = size_t{1} << 28;
        bool written = out.write(reinterpret_cast<const char *>(Signature), sizeof Signature) ==
                           qint64(sizeof Signature) &&
                       writeChunk(out, "IHDR", header, sizeof header);
        for (size_t at = 0; written && at < packedSize; at += MaxChunk)
            written =
                writeChunk(out, "IDAT", packed.get() + at, std::min(MaxChunk, packedSize - at));
        written = written && writeChunk(out, "IEND", nullptr, 0);
        return written ? Written::Done : Written::DeviceFailed;
    } catch (const std::bad_alloc &) {
        return Written::NoMemory;
    }
}

QByteArray encode(const QImage &picture, int level)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    return encode(picture, buffer, level) == Written::Done ? png : QByteArray();
}

} // namespace PngFile
