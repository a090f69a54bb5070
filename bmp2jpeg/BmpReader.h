#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace bmp2jpeg {

// How the bytes of one pixel are laid out in a Picture's rows.
enum class PixelLayout
{
    Bgr,  // 3 bytes: blue, green, red
    Bgrx, // 4 bytes: blue, green, red, unused
    Rgbx, // 4 bytes: red, green, blue, unused
    Xbgr, // 4 bytes: unused, blue, green, red
    Xrgb, // 4 bytes: unused, red, green, blue
};

// A bitmap ready for the encoder. `rows` points either straight into the
// pixel data read from the file (24- and 32-bit files whose layout the
// encoder takes as it is) or into a decoded BGR copy; `storage` owns it.
struct Picture
{
    const unsigned char *rows = nullptr;
    int width = 0;
    int height = 0;
    std::size_t pitch = 0;
    PixelLayout layout = PixelLayout::Bgr;
    bool bottomUp = false; // the first row in memory is the bottom row of the picture
    std::unique_ptr<unsigned char[]> storage;
};

// What the headers of a bitmap file say, checked against the file's size.
struct BitmapInfo
{
    int width = 0;
    int height = 0; // always positive; see bottomUp
    bool bottomUp = true;
    int bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t masks[3] = {};        // red, green, blue, for 16 and 32 bits
    int paletteEntries = 0;             // entries actually present in the file
    unsigned char palette[256][3] = {}; // blue, green, red; missing entries are black
    std::uint64_t dataOffset = 0;
    std::uint64_t dataBytes = 0; // bytes of pixel data to read from dataOffset
    std::uint64_t rowBytes = 0;  // uncompressed only: bytes from one row to the next
};

// Compression values of the bitmap header.
enum : std::uint32_t
{
    BiRgb = 0,
    BiRle8 = 1,
    BiRle4 = 2,
    BiBitfields = 3,
    BiJpeg = 4,
    BiPng = 5,
    BiAlphaBitfields = 6,
};

// The most header bytes parseHeader() looks at: file header, V5 info
// header, four colour masks and a palette of 256 four-byte entries.
constexpr std::size_t kMaxHeadBytes = 14 + 124 + 16 + 256 * 4;

// Parses the first min(fileSize, kMaxHeadBytes) bytes of a file of
// `fileSize` bytes. Returns BMP2JPEG_OK or an error code; allocates nothing.
int parseHeader(const unsigned char *head, std::size_t headBytes, std::uint64_t fileSize,
                BitmapInfo &info);

// Turns the `size` bytes of pixel data described by `info` into a Picture.
// `data` must hold info.rowBytes * info.height bytes for uncompressed
// bitmaps (the last row's padding may be missing from the file but not
// from the buffer). Takes ownership of `data`.
int decodePixels(const BitmapInfo &info, std::unique_ptr<unsigned char[]> data, Picture &picture);

// Reads and decodes the bitmap file `path`. On BMP2JPEG_E_READ, `osError`
// receives the errno of the failed operation.
int readBitmapFile(const char *path, Picture &picture, int &osError);

} // namespace bmp2jpeg
