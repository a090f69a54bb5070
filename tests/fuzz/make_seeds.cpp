// Writes the seed corpus for fuzz_bmp2jpeg: one small bitmap file of every
// kind the encoder reads (1, 4, 8, 16, 24 and 32 bits; OS/2 and Windows
// headers of every version; bit fields; RLE4 and RLE8 with runs, literal
// runs, skips and an early end; top-down and bottom-up; short palettes;
// odd widths that need row padding), plus a few kinds it refuses.
//
// usage: make_seeds <folder>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

void putU16(Bytes &b, std::uint32_t v)
{
    b.push_back(static_cast<unsigned char>(v & 0xFF));
    b.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}

void putU32(Bytes &b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<unsigned char>((v >> (8 * i)) & 0xFF));
}

void setU32(Bytes &b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
}

struct Kind
{
    std::string name;
    int headerSize = 40;
    int bitCount = 24;
    std::uint32_t compression = 0; // 0 RGB, 1 RLE8, 2 RLE4, 3 bit fields, 6 alpha bit fields
    int width = 7;
    int height = 5;
    bool topDown = false;
    std::uint32_t masks[4] = {};
    int paletteEntries = -1; // -1: all 2^bitCount
    int rleStyle = 0;        // 0 runs, 1 literal runs, 2 a skip, 3 early end
};

// The pixel value at (x, y): a palette index or a grey/colour pattern.
unsigned valueAt(int x, int y, int bitCount)
{
    const unsigned v = static_cast<unsigned>(x * 7 + y * 13);
    return bitCount >= 16 ? v * 2654435761U : v % (1U << bitCount);
}

Bytes plainRows(const Kind &k)
{
    const int rowBytes = (k.width * k.bitCount + 31) / 32 * 4;
    Bytes data;
    for (int row = 0; row < k.height; ++row) {
        Bytes line(static_cast<std::size_t>(rowBytes), 0);
        for (int x = 0; x < k.width; ++x) {
            const unsigned v = valueAt(x, row, k.bitCount);
            if (k.bitCount < 8) {
                const int shift = 8 - k.bitCount * (x % (8 / k.bitCount) + 1);
                line[static_cast<std::size_t>(x * k.bitCount / 8)] |=
                    static_cast<unsigned char>(v << shift);
            } else {
                const int bytes = k.bitCount / 8;
                for (int i = 0; i < bytes; ++i)
                    line[static_cast<std::size_t>(x * bytes + i)] =
                        static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
            }
        }
        data.insert(data.end(), line.begin(), line.end());
    }
    return data;
}

Bytes rleRows(const Kind &k)
{
    const bool four = k.compression == 2;
    Bytes data;
    for (int row = 0; row < k.height; ++row) {
        if (k.rleStyle == 3 && row == k.height / 2)
            break;
        if (k.rleStyle == 2 && row == 1) { // skip two pixels right and one row up
            data.insert(data.end(), {0, 2, 2, 1});
            continue;
        }
        if (k.rleStyle == 1 && k.width >= 3) { // literal run of the whole row
            data.push_back(0);
            data.push_back(static_cast<unsigned char>(k.width));
            const int bytes = four ? (k.width + 1) / 2 : k.width;
            for (int i = 0; i < bytes; ++i)
                data.push_back(static_cast<unsigned char>(four ? 0x12 + i : valueAt(i, row, 8)));
            if (bytes % 2 != 0)
                data.push_back(0);
        } else {
            for (int x = 0; x < k.width; x += 2) {
                const int count = k.width - x >= 2 ? 2 : 1;
                data.push_back(static_cast<unsigned char>(count));
                data.push_back(static_cast<unsigned char>(four ? 0x3C : valueAt(x, row, 8)));
            }
        }
        data.insert(data.end(), {0, 0}); // end of line
    }
    data.insert(data.end(), {0, 1}); // end of bitmap
    return data;
}

Bytes bitmap(const Kind &k)
{
    const bool rle = k.compression == 1 || k.compression == 2;
    const Bytes pixels = rle ? rleRows(k) : plainRows(k);
    Bytes b = {'B', 'M'};
    putU32(b, 0);
    putU32(b, 0);
    putU32(b, 0);
    const std::size_t start = b.size();
    putU32(b, static_cast<std::uint32_t>(k.headerSize));
    if (k.headerSize == 12) {
        putU16(b, static_cast<std::uint32_t>(k.width));
        putU16(b, static_cast<std::uint32_t>(k.height));
        putU16(b, 1);
        putU16(b, static_cast<std::uint32_t>(k.bitCount));
    } else {
        putU32(b, static_cast<std::uint32_t>(k.width));
        putU32(b, static_cast<std::uint32_t>(k.topDown ? -k.height : k.height));
        putU16(b, 1);
        putU16(b, static_cast<std::uint32_t>(k.bitCount));
        putU32(b, k.compression);
        putU32(b, rle ? static_cast<std::uint32_t>(pixels.size()) : 0);
        putU32(b, 2835);
        putU32(b, 2835);
        const bool shortPalette = k.bitCount <= 8 && k.paletteEntries >= 0;
        putU32(b, shortPalette ? static_cast<std::uint32_t>(k.paletteEntries) : 0);
        putU32(b, 0);
        const bool bitfields = k.compression == 3 || k.compression == 6;
        int masks = 0;
        if (k.headerSize > 40)
            masks = (k.headerSize - 40) / 4 < 4 ? (k.headerSize - 40) / 4 : 4;
        else if (bitfields)
            masks = k.compression == 6 ? 4 : 3;
        for (int i = 0; i < masks; ++i)
            putU32(b, k.masks[i]);
        const std::size_t headerEnd =
            start + static_cast<std::size_t>(k.headerSize > 40 ? k.headerSize : 40 + 4 * masks);
        b.resize(headerEnd, 0);
    }
    if (k.bitCount <= 8) {
        const int entries = k.paletteEntries >= 0 ? k.paletteEntries : 1 << k.bitCount;
        for (int i = 0; i < entries; ++i) {
            b.push_back(static_cast<unsigned char>(i * 37));
            b.push_back(static_cast<unsigned char>(255 - i * 11));
            b.push_back(static_cast<unsigned char>(i * 5));
            if (k.headerSize != 12)
                b.push_back(0);
        }
    }
    setU32(b, 10, static_cast<std::uint32_t>(b.size()));
    b.insert(b.end(), pixels.begin(), pixels.end());
    setU32(b, 2, static_cast<std::uint32_t>(b.size()));
    return b;
}

Kind kind(const std::string &name, int headerSize, int bitCount, std::uint32_t compression = 0)
{
    Kind k;
    k.name = name;
    k.headerSize = headerSize;
    k.bitCount = bitCount;
    k.compression = compression;
    return k;
}

Kind masked(Kind k, std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a = 0)
{
    k.masks[0] = r;
    k.masks[1] = g;
    k.masks[2] = b;
    k.masks[3] = a;
    return k;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds <folder>\n");
        return 2;
    }
    std::vector<Kind> kinds;
    for (const int header : {12, 40, 64}) {
        for (const int bits : {1, 4, 8, 24}) {
            kinds.push_back(
                kind("h" + std::to_string(header) + "-" + std::to_string(bits), header, bits));
        }
    }
    kinds.push_back(kind("h40-16", 40, 16));
    kinds.push_back(kind("h40-32", 40, 32));
    for (const int bits : {8, 24, 32}) {
        Kind k = kind("h40-" + std::to_string(bits) + "-topdown", 40, bits);
        k.topDown = true;
        kinds.push_back(k);
    }
    kinds.push_back(masked(kind("h40-16-565", 40, 16, 3), 0xF800, 0x07E0, 0x001F));
    kinds.push_back(masked(kind("h40-32-rgbx", 40, 32, 3), 0x000000FF, 0x0000FF00, 0x00FF0000));
    kinds.push_back(masked(kind("h40-32-xbgr", 40, 32, 3), 0xFF000000, 0x00FF0000, 0x0000FF00));
    kinds.push_back(masked(kind("h40-32-101010", 40, 32, 3), 0x3FF00000, 0x000FFC00, 0x000003FF));
    kinds.push_back(
        masked(kind("h40-32-alpha", 40, 32, 6), 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000));
    kinds.push_back(masked(kind("h52-16", 52, 16, 3), 0x7C00, 0x03E0, 0x001F));
    kinds.push_back(masked(kind("h56-32", 56, 32, 6), 0x00FF0000, 0x0000FF00, 0x000000FF, 0));
    kinds.push_back(masked(kind("h108-32", 108, 32, 3), 0x00FF0000, 0x0000FF00, 0x000000FF));
    kinds.push_back(masked(kind("h124-32", 124, 32, 3), 0x00FF0000, 0x0000FF00, 0x000000FF));
    kinds.push_back(kind("h124-24", 124, 24));
    for (const std::uint32_t compression : {1U, 2U}) {
        const int bits = compression == 1 ? 8 : 4;
        for (int style = 0; style < 4; ++style) {
            Kind k = kind("rle" + std::to_string(bits) + "-" + std::to_string(style), 40, bits,
                          compression);
            k.rleStyle = style;
            k.width = 9;
            k.height = 6;
            kinds.push_back(k);
        }
    }
    Kind shortPalette = kind("h40-8-short-palette", 40, 8);
    shortPalette.paletteEntries = 3;
    kinds.push_back(shortPalette);
    for (const int width : {1, 2, 3, 5, 33}) {
        Kind k = kind("h40-24-w" + std::to_string(width), 40, 24);
        k.width = width;
        k.height = 3;
        kinds.push_back(k);
    }
    kinds.push_back(kind("h40-2-refused", 40, 2));
    kinds.push_back(kind("h40-png-refused", 40, 24, 5));

    int written = 0;
    for (const Kind &k : kinds) {
        const Bytes bytes = bitmap(k);
        const std::string path = std::string(argv[1]) + "/" + k.name + ".bmp";
        std::FILE *file = std::fopen(path.c_str(), "wb");
        if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
            std::fprintf(stderr, "make_seeds: cannot write %s\n", path.c_str());
            return 1;
        }
        std::fclose(file);
        ++written;
    }
    std::printf("make_seeds: %d bitmaps in %s\n", written, argv[1]);
    return 0;
}
