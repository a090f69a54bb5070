#include "PngStructure.h"

#include <algorithm>
#include <iterator>
#include <libdeflate.h>
#include <memory>
#include <new>

namespace PngFile {

namespace {

constexpr quint32 MaxLength = 0x7fffffff; // lengths and dimensions

quint32 bigEndian(const unsigned char *at)
{
    return quint32{at[0]} << 24 | quint32{at[1]} << 16 | quint32{at[2]} << 8 | quint32{at[3]};
}

bool isLetter(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Whether IHDR's 13 bytes describe a picture a decoder can read.
bool validHeader(const unsigned char *data, QSize &size)
{
    const quint32 width = bigEndian(data);
    const quint32 height = bigEndian(data + 4);
    const int depth = data[8];
    const int colour = data[9];
    if (width == 0 || height == 0 || width > MaxLength || height > MaxLength)
        return false;
    bool depthFits = false;
    switch (colour) {
    case 0: // grey
        depthFits = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
        break;
    case 3: // palette
        depthFits = depth == 1 || depth == 2 || depth == 4 || depth == 8;
        break;
    case 2: // RGB
    case 4: // grey and alpha
    case 6: // RGBA
        depthFits = depth == 8 || depth == 16;
        break;
    default:
        return false;
    }
    // Compression and filter method 0; interlace none or Adam7.
    if (!depthFits || data[10] != 0 || data[11] != 0 || data[12] > 1)
        return false;
    size = QSize(static_cast<int>(width), static_cast<int>(height));
    return true;
}

// Where the zlib stream of a zTXt, iTXt or iCCP chunk starts within its
// data, or -1 when it holds none (iTXt uncompressed, or a layout a decoder
// would reject and skip anyway).
qsizetype compressedStart(QByteArrayView name, QByteArrayView data)
{
    const qsizetype keywordEnd = data.indexOf('\0');
    if (keywordEnd < 0)
        return -1;
    if (name == "zTXt" || name == "iCCP")
        return keywordEnd + 2 <= data.size() ? keywordEnd + 2 : -1; // after the method byte
    // iTXt: keyword, flag, method, language, translated keyword, text.
    if (keywordEnd + 3 > data.size() || data[keywordEnd + 1] != 1)
        return -1;
    const qsizetype language = data.sliced(keywordEnd + 3).indexOf('\0');
    if (language < 0)
        return -1;
    const qsizetype translated = data.sliced(keywordEnd + 4 + language).indexOf('\0');
    return translated < 0 ? -1 : keywordEnd + 5 + language + translated;
}

// Inflates compressed ancillary chunks into room of a fixed size, so that
// all of them together cannot inflate to more than it holds.
class AncillaryBudget
{
public:
    // Whether the stream fits in what is left. One that breaks off within
    // it counts for nothing: decoders drop it.
    bool take(QByteArrayView stream)
    {
        if (!m_room) {
            m_room.reset(new (std::nothrow) unsigned char[MaxInflatedAncillary]);
            m_decompressor.reset(libdeflate_alloc_decompressor());
            if (!m_room || !m_decompressor)
                return false;
        }
        size_t got = 0;
        size_t read = 0;
        const libdeflate_result result = libdeflate_zlib_decompress_ex(
            m_decompressor.get(), stream.data(), static_cast<size_t>(stream.size()), m_room.get(),
            static_cast<size_t>(MaxInflatedAncillary - m_used), &read, &got);
        if (result == LIBDEFLATE_INSUFFICIENT_SPACE)
            return false;
        if (result == LIBDEFLATE_SUCCESS)
            m_used += static_cast<qsizetype>(got);
        return true;
    }

private:
    struct FreeDecompressor
    {
        void operator()(libdeflate_decompressor *d) const { libdeflate_free_decompressor(d); }
    };
    std::unique_ptr<unsigned char[]> m_room; // not cleared: only what is inflated is touched
    std::unique_ptr<libdeflate_decompressor, FreeDecompressor> m_decompressor;
    qsizetype m_used = 0;
};

} // namespace

Check check(QByteArrayView bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype total = bytes.size();
    if (total < qsizetype(sizeof Signature) ||
        !std::equal(std::begin(Signature), std::end(Signature), data))
        return {};

    QSize size;
    int colour = -1;
    int depth = 0;
    bool palette = false;
    AncillaryBudget inflated;
    enum
    {
        None,
        Inside,
        After
    } idat = None;
    for (qsizetype at = sizeof Signature;;) {
        if (total - at < 12)
            return {}; // length, type and CRC do not fit
        const quint32 length = bigEndian(data + at);
        const unsigned char *type = data + at + 4;
        if (length > MaxLength || qsizetype(length) > total - at - 12)
            return {};
        if (!isLetter(type[0]) || !isLetter(type[1]) || !isLetter(type[2]) || !isLetter(type[3]))
            return {};
        const quint32 crc = bigEndian(type + 4 + length);
        if (libdeflate_crc32(0, type, length + 4) != crc)
            return {};
        const QByteArrayView name(reinterpret_cast<const char *>(type), 4);
        const QByteArrayView content(reinterpret_cast<const char *>(type + 4), length);
        const bool first = at == qsizetype(sizeof Signature);
        at += 12 + qsizetype(length);

        if (first != (name == "IHDR"))
            return {}; // IHDR first, and only there
        if (name == "IDAT") {
            if (colour == 3 && !palette)
                return {};
            if (idat == After)
                return {};
            idat = Inside;
            continue;
        }
        if (idat == Inside)
            idat = After;
        if (name == "IHDR") {
            if (length != 13 || !validHeader(type + 4, size))
                return {};
            colour = type[4 + 9];
            depth = type[4 + 8];
        } else if (name == "PLTE") {
            if (palette || idat != None || colour == 0 || colour == 4 || length == 0 ||
                length > 256 * 3 || length % 3 != 0)
                return {};
            palette = true;
        } else if (name == "IEND") {
            if (length != 0 || idat == None)
                return {};
            return {at, size, depth};
        } else if (name == "zTXt" || name == "iTXt" || name == "iCCP") {
            const qsizetype stream = compressedStart(name, content);
            if (stream >= 0 && !inflated.take(content.sliced(stream)))
                return {}; // a decompression bomb
        } else if (!(type[0] & 0x20)) {
            return {}; // a critical chunk a decoder would not know
        }
    }
}

QByteArray pixelChunks(QByteArrayView sound)
{
    QByteArray kept(reinterpret_cast<const char *>(Signature), sizeof Signature);
    kept.reserve(sound.size());
    for (qsizetype at = sizeof Signature; at + 12 <= sound.size();) {
        const quint32 length =
            bigEndian(reinterpret_cast<const unsigned char *>(sound.data()) + at);
        if (qsizetype(length) > sound.size() - at - 12)
            return {};
        const QByteArrayView chunk = sound.sliced(at, 12 + qsizetype(length));
        const QByteArrayView name = chunk.sliced(4, 4);
        if (name == "IHDR" || name == "PLTE" || name == "tRNS" || name == "IDAT" || name == "IEND")
            kept.append(chunk.data(), chunk.size());
        at += chunk.size();
        if (name == "IEND")
            break;
    }
    return kept;
}

} // namespace PngFile
