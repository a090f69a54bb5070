#include "BmpReader.h"

#include "bmp2jpeg.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace bmp2jpeg {

namespace {

constexpr std::size_t kFileHeaderBytes = 14;

std::uint16_t readU16(const unsigned char *p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t readU32(const unsigned char *p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::int32_t readS32(const unsigned char *p)
{
    const std::uint32_t u = readU32(p);
    std::int32_t s;
    std::memcpy(&s, &u, sizeof s);
    return s;
}

std::unique_ptr<unsigned char[]> allocateUninitialised(std::size_t bytes)
{
    return std::unique_ptr<unsigned char[]>(new unsigned char[bytes]);
}

// One colour channel of a 16- or 32-bit pixel, described by its mask.
class Channel
{
public:
    explicit Channel(std::uint32_t mask) : m_mask(mask)
    {
        while (m_mask != 0 && ((m_mask >> m_shift) & 1U) == 0)
            ++m_shift;
        while (m_bits < 32 - m_shift && ((m_mask >> (m_shift + m_bits)) & 1U) != 0)
            ++m_bits;
        if (m_bits > 0 && m_bits <= 8) {
            const std::uint32_t maximum = (1U << m_bits) - 1;
            for (std::uint32_t v = 0; v <= maximum; ++v)
                m_small[v] = static_cast<unsigned char>((v * 255 + maximum / 2) / maximum);
        }
    }

    bool contiguous() const
    {
        const std::uint64_t run = ((std::uint64_t{1} << m_bits) - 1) << m_shift;
        return run == m_mask;
    }

    // The channel's value in `pixel`, scaled to 0..255.
    unsigned char operator()(std::uint32_t pixel) const
    {
        const std::uint32_t v = (pixel & m_mask) >> m_shift;
        if (m_bits <= 8)
            return m_small[v];
        return static_cast<unsigned char>(v >> (m_bits - 8));
    }

private:
    std::uint32_t m_mask;
    int m_shift = 0;
    int m_bits = 0;
    unsigned char m_small[256] = {};
};

int checkMasks(const std::uint32_t (&masks)[3], int bitCount)
{
    for (const std::uint32_t mask : masks) {
        if (mask == 0)
            return BMP2JPEG_E_DAMAGED;
        if (bitCount < 32 && (mask >> bitCount) != 0)
            return BMP2JPEG_E_DAMAGED;
        if (!Channel(mask).contiguous())
            return BMP2JPEG_E_UNSUPPORTED;
    }
    return BMP2JPEG_OK;
}

bool isKnownHeaderSize(std::uint32_t size)
{
    switch (size) {
    case 12:  // BITMAPCOREHEADER (OS/2 1.x)
    case 40:  // BITMAPINFOHEADER
    case 52:  // with red, green and blue masks
    case 56:  // with an alpha mask as well
    case 64:  // OS/2 2.x
    case 108: // BITMAPV4HEADER
    case 124: // BITMAPV5HEADER
        return true;
    default:
        return false;
    }
}

int checkBitCount(int bitCount)
{
    switch (bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        return BMP2JPEG_OK;
    case 0:  // the pixels are an embedded JPEG or PNG file
    case 2:  // Windows CE
    case 64: // scRGB
        return BMP2JPEG_E_UNSUPPORTED;
    default:
        return BMP2JPEG_E_DAMAGED;
    }
}

int checkCompression(std::uint32_t compression, int bitCount, std::uint32_t headerSize)
{
    switch (compression) {
    case BiRgb:
        return BMP2JPEG_OK;
    case BiRle8:
        return bitCount == 8 ? BMP2JPEG_OK : BMP2JPEG_E_DAMAGED;
    case BiRle4:
        return bitCount == 4 ? BMP2JPEG_OK : BMP2JPEG_E_DAMAGED;
    case BiBitfields:
    case BiAlphaBitfields:
        // OS/2 2.x gives these numbers to Huffman and RLE24 compression.
        if (headerSize == 64)
            return BMP2JPEG_E_UNSUPPORTED;
        return bitCount == 16 || bitCount == 32 ? BMP2JPEG_OK : BMP2JPEG_E_DAMAGED;
    default:
        return BMP2JPEG_E_UNSUPPORTED;
    }
}

void fillDefaultMasks(BitmapInfo &info)
{
    if (info.bitCount == 16) {
        info.masks[0] = 0x7C00;
        info.masks[1] = 0x03E0;
        info.masks[2] = 0x001F;
    } else if (info.bitCount == 32) {
        info.masks[0] = 0x00FF0000;
        info.masks[1] = 0x0000FF00;
        info.masks[2] = 0x000000FF;
    }
}

// Uncompressed rows: checks that every row is in the file, allowing the
// last row's padding to be missing.
int checkUncompressedSize(BitmapInfo &info, std::uint64_t available)
{
    const std::uint64_t rowBits = static_cast<std::uint64_t>(info.width) * info.bitCount;
    info.rowBytes = (rowBits + 31) / 32 * 4;
    const std::uint64_t lastRow = (rowBits + 7) / 8;
    const std::uint64_t otherRows = static_cast<std::uint64_t>(info.height) - 1;
    if (otherRows != 0 && info.rowBytes > available / otherRows)
        return BMP2JPEG_E_DAMAGED;
    const std::uint64_t needed = info.rowBytes * otherRows + lastRow;
    if (needed > available)
        return BMP2JPEG_E_DAMAGED;
    info.dataBytes = needed;
    return BMP2JPEG_OK;
}

void readPalette(const unsigned char *head, std::size_t headBytes, std::uint64_t paletteStart,
                 std::size_t entryBytes, std::uint64_t declared, BitmapInfo &info)
{
    const std::uint64_t room = info.dataOffset - paletteStart;
    const std::uint64_t inHead = headBytes > paletteStart ? headBytes - paletteStart : 0;
    const std::uint64_t entries = std::min(
        {declared, std::uint64_t{1} << info.bitCount, room / entryBytes, inHead / entryBytes});
    info.paletteEntries = static_cast<int>(entries);
    for (int i = 0; i < info.paletteEntries; ++i) {
        const unsigned char *entry = head + paletteStart + static_cast<std::size_t>(i) * entryBytes;
        info.palette[i][0] = entry[0];
        info.palette[i][1] = entry[1];
        info.palette[i][2] = entry[2];
    }
}

// ---- decoders: each writes BGR rows of width * 3 bytes in file row order ----

void decodePalettised(const BitmapInfo &info, const unsigned char *data, unsigned char *out)
{
    const auto width = static_cast<std::size_t>(info.width);
    const int perByte = 8 / info.bitCount;
    const unsigned indexMask = (1U << info.bitCount) - 1;
    for (int y = 0; y < info.height; ++y) {
        const unsigned char *in = data + static_cast<std::size_t>(y) * info.rowBytes;
        unsigned char *o = out + static_cast<std::size_t>(y) * width * 3;
        if (info.bitCount == 8) {
            for (std::size_t x = 0; x < width; ++x)
                std::memcpy(o + x * 3, info.palette[in[x]], 3);
            continue;
        }
        for (std::size_t x = 0; x < width; ++x) {
            const unsigned char byte = in[x / static_cast<std::size_t>(perByte)];
            const int slot = static_cast<int>(x % static_cast<std::size_t>(perByte));
            const unsigned index = (byte >> (8 - info.bitCount * (slot + 1))) & indexMask;
            std::memcpy(o + x * 3, info.palette[index], 3);
        }
    }
}

void decode16(const BitmapInfo &info, const unsigned char *data, unsigned char *out)
{
    const Channel red(info.masks[0]);
    const Channel green(info.masks[1]);
    const Channel blue(info.masks[2]);
    auto table = std::make_unique<unsigned char[]>(65536 * 3);
    for (std::uint32_t v = 0; v < 65536; ++v) {
        table[v * 3] = blue(v);
        table[v * 3 + 1] = green(v);
        table[v * 3 + 2] = red(v);
    }
    const auto width = static_cast<std::size_t>(info.width);
    for (int y = 0; y < info.height; ++y) {
        const unsigned char *in = data + static_cast<std::size_t>(y) * info.rowBytes;
        unsigned char *o = out + static_cast<std::size_t>(y) * width * 3;
        for (std::size_t x = 0; x < width; ++x)
            std::memcpy(o + x * 3, &table[readU16(in + x * 2) * 3U], 3);
    }
}

void decode32(const BitmapInfo &info, const unsigned char *data, unsigned char *out)
{
    const Channel red(info.masks[0]);
    const Channel green(info.masks[1]);
    const Channel blue(info.masks[2]);
    const auto width = static_cast<std::size_t>(info.width);
    for (int y = 0; y < info.height; ++y) {
        const unsigned char *in = data + static_cast<std::size_t>(y) * info.rowBytes;
        unsigned char *o = out + static_cast<std::size_t>(y) * width * 3;
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint32_t pixel = readU32(in + x * 4);
            o[x * 3] = blue(pixel);
            o[x * 3 + 1] = green(pixel);
            o[x * 3 + 2] = red(pixel);
        }
    }
}

// Run-length encoded 4- and 8-bit data. Pixels the stream does not set stay
// black (`out` arrives zeroed). A run or skip past the end of a row or of
// the picture, or a stream that stops before the picture is complete, is
// damage.
int decodeRle(const BitmapInfo &info, const unsigned char *data, std::size_t size,
              unsigned char *out)
{
    const bool four = info.compression == BiRle4;
    const auto width = static_cast<std::size_t>(info.width);
    const auto height = static_cast<std::size_t>(info.height);
    std::size_t x = 0;
    std::size_t y = 0;
    std::size_t pos = 0;
    const auto put = [&](unsigned index) {
        std::memcpy(out + (y * width + x) * 3, info.palette[index], 3);
        ++x;
    };
    while (size - pos >= 2) {
        const unsigned count = data[pos];
        const unsigned value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            if (y >= height || count > width - x)
                return BMP2JPEG_E_DAMAGED;
            for (unsigned i = 0; i < count; ++i)
                put(four ? ((i & 1U) != 0 ? value & 0x0F : value >> 4) : value);
            continue;
        }
        switch (value) {
        case 0: // end of line; extra ones after the last row change nothing
            x = 0;
            y = std::min(y + 1, height);
            break;
        case 1: // end of bitmap
            return BMP2JPEG_OK;
        case 2: { // skip right and up
            if (size - pos < 2)
                return BMP2JPEG_E_DAMAGED;
            const std::size_t dx = data[pos];
            const std::size_t dy = data[pos + 1];
            pos += 2;
            if (dx > width - x || dy > height - y || (y + dy == height && x + dx != 0))
                return BMP2JPEG_E_DAMAGED;
            x += dx;
            y += dy;
            break;
        }
        default: { // a run of `value` literal pixels, padded to a 16-bit boundary
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            const std::size_t padded = bytes + (bytes & 1);
            if (y >= height || value > width - x || size - pos < bytes)
                return BMP2JPEG_E_DAMAGED;
            for (unsigned i = 0; i < value; ++i) {
                const unsigned byte = data[pos + (four ? i / 2 : i)];
                put(four ? ((i & 1U) != 0 ? byte & 0x0F : byte >> 4) : byte);
            }
            pos += std::min(padded, size - pos);
            break;
        }
        }
    }
    // Some writers end the stream without an end-of-bitmap escape; that is
    // fine once every row is there.
    const bool complete = y >= height || (y + 1 == height && x == width);
    return complete ? BMP2JPEG_OK : BMP2JPEG_E_DAMAGED;
}

struct FileCloser
{
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Reads exactly `bytes` bytes; a short read of a file that shrank meanwhile
// is damage, a read error is an I/O failure.
int readExactly(std::FILE *file, unsigned char *buffer, std::size_t bytes, int &osError)
{
    if (std::fread(buffer, 1, bytes, file) == bytes)
        return BMP2JPEG_OK;
    if (std::ferror(file) != 0) {
        osError = errno != 0 ? errno : EIO;
        return BMP2JPEG_E_READ;
    }
    return BMP2JPEG_E_DAMAGED;
}

} // namespace

int parseHeader(const unsigned char *head, std::size_t headBytes, std::uint64_t fileSize,
                BitmapInfo &info)
{
    if (headBytes < 2 || head[0] != 'B' || head[1] != 'M')
        return BMP2JPEG_E_NOT_BITMAP;
    if (headBytes < kFileHeaderBytes + 4)
        return BMP2JPEG_E_DAMAGED;

    const std::uint32_t headerSize = readU32(head + kFileHeaderBytes);
    if (headerSize < 12 || kFileHeaderBytes + headerSize > fileSize)
        return BMP2JPEG_E_DAMAGED;
    if (!isKnownHeaderSize(headerSize))
        return BMP2JPEG_E_UNSUPPORTED;
    const unsigned char *h = head + kFileHeaderBytes;
    const bool core = headerSize == 12;

    std::int64_t height = 0;
    std::uint32_t colorsUsed = 0;
    if (core) {
        info.width = readU16(h + 4);
        height = readU16(h + 6);
        info.bitCount = readU16(h + 10);
        info.compression = BiRgb;
    } else {
        info.width = readS32(h + 4);
        height = readS32(h + 8);
        info.bitCount = readU16(h + 14);
        info.compression = readU32(h + 16);
        colorsUsed = readU32(h + 32);
    }
    if (info.width <= 0 || height == 0 || height == INT_MIN)
        return BMP2JPEG_E_DAMAGED;
    info.bottomUp = height > 0;
    height = height > 0 ? height : -height;
    info.height = static_cast<int>(height);

    if (const int status = checkBitCount(info.bitCount); status != BMP2JPEG_OK)
        return status;
    if (const int status = checkCompression(info.compression, info.bitCount, headerSize);
        status != BMP2JPEG_OK)
        return status;

    // Colour masks: inside the header from version 2 on, otherwise right
    // after a 40-byte header when the compression asks for them.
    std::uint64_t headerEnd = kFileHeaderBytes + headerSize;
    const bool bitfields = info.compression == BiBitfields || info.compression == BiAlphaBitfields;
    if (bitfields) {
        if (headerSize == 40)
            headerEnd += info.compression == BiAlphaBitfields ? 16 : 12;
        if (headerEnd > headBytes)
            return BMP2JPEG_E_DAMAGED;
        for (int i = 0; i < 3; ++i)
            info.masks[i] = readU32(head + kFileHeaderBytes + 40 + 4 * i);
        if (const int status = checkMasks(info.masks, info.bitCount); status != BMP2JPEG_OK)
            return status;
    } else {
        fillDefaultMasks(info);
    }

    info.dataOffset = readU32(head + 10);
    if (info.dataOffset < headerEnd || info.dataOffset > fileSize)
        return BMP2JPEG_E_DAMAGED;

    if (info.bitCount <= 8) {
        const std::uint64_t declared =
            core || colorsUsed == 0 ? std::uint64_t{1} << info.bitCount : colorsUsed;
        readPalette(head, headBytes, headerEnd, core ? 3 : 4, declared, info);
    }

    const std::uint64_t available = fileSize - info.dataOffset;
    const bool rle = info.compression == BiRle8 || info.compression == BiRle4;
    if (rle) {
        // Each code of at most four bytes sets or skips at least one pixel,
        // or ends a row or the picture: anything further is not part of the
        // stream, so a huge file behind a small picture is not read whole.
        const std::uint64_t longest = 4 * (static_cast<std::uint64_t>(info.width) + 1) *
                                          static_cast<std::uint64_t>(info.height) +
                                      4;
        info.dataBytes = std::min(available, longest);
    } else if (const int status = checkUncompressedSize(info, available); status != BMP2JPEG_OK) {
        return status;
    }

    if (info.width > BMP2JPEG_MAX_SIDE || info.height > BMP2JPEG_MAX_SIDE ||
        static_cast<std::int64_t>(info.width) * info.height > BMP2JPEG_MAX_PIXELS)
        return BMP2JPEG_E_TOO_LARGE;
    return BMP2JPEG_OK;
}

int decodePixels(const BitmapInfo &info, std::unique_ptr<unsigned char[]> data, Picture &picture)
{
    picture.width = info.width;
    picture.height = info.height;
    picture.bottomUp = info.bottomUp;

    const bool bitfields = info.compression == BiBitfields || info.compression == BiAlphaBitfields;
    if (info.bitCount == 24 || info.bitCount == 32) {
        // Layouts the encoder reads as they are, without a copy.
        PixelLayout layout = PixelLayout::Bgr;
        bool direct = true;
        if (info.bitCount == 32) {
            const auto masksAre = [&](std::uint32_t r, std::uint32_t g, std::uint32_t b) {
                return info.masks[0] == r && info.masks[1] == g && info.masks[2] == b;
            };
            if (masksAre(0x00FF0000, 0x0000FF00, 0x000000FF))
                layout = PixelLayout::Bgrx;
            else if (masksAre(0x000000FF, 0x0000FF00, 0x00FF0000))
                layout = PixelLayout::Rgbx;
            else if (masksAre(0xFF000000, 0x00FF0000, 0x0000FF00))
                layout = PixelLayout::Xbgr;
            else if (masksAre(0x0000FF00, 0x00FF0000, 0xFF000000))
                layout = PixelLayout::Xrgb;
            else
                direct = false;
        }
        if (direct) {
            picture.layout = layout;
            picture.pitch = static_cast<std::size_t>(info.rowBytes);
            picture.rows = data.get();
            picture.storage = std::move(data);
            return BMP2JPEG_OK;
        }
    }

    const std::size_t pitch = static_cast<std::size_t>(info.width) * 3;
    const bool rle = info.compression == BiRle8 || info.compression == BiRle4;
    // Run-length data leaves unset pixels black, so that buffer starts zeroed.
    auto out =
        rle ? std::make_unique<unsigned char[]>(pitch * static_cast<std::size_t>(info.height))
            : allocateUninitialised(pitch * static_cast<std::size_t>(info.height));
    if (rle) {
        const int status =
            decodeRle(info, data.get(), static_cast<std::size_t>(info.dataBytes), out.get());
        if (status != BMP2JPEG_OK)
            return status;
    } else if (info.bitCount <= 8) {
        decodePalettised(info, data.get(), out.get());
    } else if (info.bitCount == 16) {
        decode16(info, data.get(), out.get());
    } else if (bitfields && info.bitCount == 32) {
        decode32(info, data.get(), out.get());
    } else {
        return BMP2JPEG_E_UNSUPPORTED;
    }
    picture.layout = PixelLayout::Bgr;
    picture.pitch = pitch;
    picture.rows = out.get();
    picture.storage = std::move(out);
    return BMP2JPEG_OK;
}

int readBitmapFile(const char *path, Picture &picture, int &osError)
{
    const FilePtr file(std::fopen(path, "rbe"));
    if (!file) {
        osError = errno;
        return BMP2JPEG_E_READ;
    }
    struct stat status = {};
    if (fstat(fileno(file.get()), &status) != 0) {
        osError = errno;
        return BMP2JPEG_E_READ;
    }
    if (!S_ISREG(status.st_mode)) {
        osError = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        return BMP2JPEG_E_READ;
    }
    const auto fileSize = static_cast<std::uint64_t>(status.st_size);

    unsigned char head[kMaxHeadBytes];
    const auto headBytes = static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, sizeof head));
    if (const int result = readExactly(file.get(), head, headBytes, osError); result != BMP2JPEG_OK)
        return result;

    BitmapInfo info;
    if (const int result = parseHeader(head, headBytes, fileSize, info); result != BMP2JPEG_OK)
        return result;

    // Uncompressed rows get a buffer with room for the last row's padding,
    // which the file may lack.
    const bool rle = info.compression == BiRle8 || info.compression == BiRle4;
    const std::uint64_t bufferBytes = rle ? info.dataBytes : info.rowBytes * info.height;
    if (bufferBytes > SIZE_MAX)
        return BMP2JPEG_E_TOO_LARGE;
    auto data =
        allocateUninitialised(static_cast<std::size_t>(std::max<std::uint64_t>(bufferBytes, 1)));
    std::memset(data.get() + info.dataBytes, 0,
                static_cast<std::size_t>(bufferBytes - info.dataBytes));

    if (fseeko(file.get(), static_cast<off_t>(info.dataOffset), SEEK_SET) != 0) {
        osError = errno;
        return BMP2JPEG_E_READ;
    }
    if (const int result =
            readExactly(file.get(), data.get(), static_cast<std::size_t>(info.dataBytes), osError);
        result != BMP2JPEG_OK)
        return result;
    return decodePixels(info, std::move(data), picture);
}

} // namespace bmp2jpeg
