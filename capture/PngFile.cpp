#include "PngFile.h"

#include <algorithm>
#include <iterator>
#include <zlib.h>

namespace PngFile {

namespace {

constexpr unsigned char Signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
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
    bool palette = false;
    enum { None, Inside, After } idat = None;
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
        if (crc32(crc32(0, nullptr, 0), type, length + 4) != crc)
            return {};
        const QByteArrayView name(reinterpret_cast<const char *>(type), 4);
        const unsigned char *content = type + 4;
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
            if (length != 13 || !validHeader(content, size))
                return {};
            colour = content[9];
        } else if (name == "PLTE") {
            if (palette || idat != None || colour == 0 || colour == 4 || length == 0 ||
                length > 256 * 3 || length % 3 != 0)
                return {};
            palette = true;
        } else if (name == "IEND") {
            if (length != 0 || idat == None)
                return {};
            return {at, size};
        } else if (!(type[0] & 0x20)) {
            return {}; // a critical chunk a decoder would not know
        }
    }
}

} // namespace PngFile
