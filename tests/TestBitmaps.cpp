#include "TestBitmaps.h"

#include <QFile>
#include <QVector>
#include <algorithm>
#include <cstdlib>

namespace bitmaps {

// ---------------------------------------------------------------------------
// A bitmap writer for the test pictures, byte by byte.

Format format(int headerSize, int bitCount, quint32 compression)
{
    Format f;
    f.headerSize = headerSize;
    f.bitCount = bitCount;
    f.compression = compression;
    return f;
}

Format withMasks(Format f, quint32 red, quint32 green, quint32 blue, quint32 alpha)
{
    f.masks[0] = red;
    f.masks[1] = green;
    f.masks[2] = blue;
    f.masks[3] = alpha;
    return f;
}

Format topDown(Format f)
{
    f.topDown = true;
    return f;
}

Format withPalette(Format f, int entries)
{
    f.paletteEntries = entries;
    return f;
}

void putU16(QByteArray &bytes, int at, quint32 value)
{
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void putU32(QByteArray &bytes, int at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

namespace {

void appendU16(QByteArray &bytes, quint32 value)
{
    bytes.append(2, '\0');
    putU16(bytes, static_cast<int>(bytes.size()) - 2, value);
}

void appendU32(QByteArray &bytes, quint32 value)
{
    bytes.append(4, '\0');
    putU32(bytes, static_cast<int>(bytes.size()) - 4, value);
}

void appendByte(QByteArray &bytes, int value)
{
    bytes.append(static_cast<char>(value));
}

int lowestBit(quint32 mask)
{
    int shift = 0;
    while (((mask >> shift) & 1U) == 0)
        ++shift;
    return shift;
}

int bitsIn(quint32 mask)
{
    int bits = 0;
    for (; mask != 0; mask &= mask - 1)
        ++bits;
    return bits;
}

quint32 packChannel(int value8, quint32 mask)
{
    const quint64 maximum = (quint64{1} << bitsIn(mask)) - 1;
    return static_cast<quint32>((static_cast<quint64>(value8) * maximum + 127) / 255)
           << lowestBit(mask);
}

int unpackChannel(quint32 pixel, quint32 mask)
{
    const quint64 maximum = (quint64{1} << bitsIn(mask)) - 1;
    const quint64 value = (pixel & mask) >> lowestBit(mask);
    return static_cast<int>((value * 255 + maximum / 2) / maximum);
}

// The test picture: eight colour bars over the upper three fifths, a smooth
// ramp (or with a palette, a pattern) below, so that a mirrored, flipped,
// channel-swapped or sheared result differs everywhere.
constexpr QRgb kBars[8] = {qRgb(255, 255, 255), qRgb(255, 255, 0), qRgb(0, 255, 255),
                           qRgb(0, 255, 0),     qRgb(255, 0, 255), qRgb(255, 0, 0),
                           qRgb(0, 0, 255),     qRgb(0, 0, 0)};

int barAt(int x, int width)
{
    return x * 8 / width;
}

int barsEnd(int height)
{
    return height * 3 / 5;
}

} // namespace

QRgb trueColourAt(int x, int y, int width, int height)
{
    if (y < barsEnd(height))
        return kBars[barAt(x, width)];
    const int ramp = x * 255 / std::max(1, width - 1);
    const int rows = std::max(1, height - barsEnd(height) - 1);
    return qRgb(ramp, 255 - ramp, (y - barsEnd(height)) * 255 / rows);
}

namespace {

QVector<QRgb> paletteFor(int bitCount)
{
    if (bitCount == 1)
        return {qRgb(40, 40, 40), qRgb(220, 220, 220)};
    QVector<QRgb> palette(kBars, kBars + 8);
    if (bitCount == 4) {
        for (int i = 0; i < 8; ++i)
            palette.append(qRgb(i * 36, i * 36, i * 36));
    } else {
        for (int i = 0; i < 248; ++i)
            palette.append(qRgb(i, 247 - i, 128));
    }
    return palette;
}

int indexAt(int x, int y, int width, int height, int bitCount)
{
    const bool bars = y < barsEnd(height);
    const int bar = barAt(x, width);
    switch (bitCount) {
    // Below the bars, 1 and 4 bits get fine grey patterns that come out
    // wrong when the pixels within a byte are taken in the wrong order.
    case 1:
        return bars ? bar % 2 : (x % 3 == 0 ? 1 : 0);
    case 4:
        return bars ? bar : 8 + (x % 2 == 0 ? bar : 7 - bar);
    default:
        return bars ? bar : 8 + x * 247 / std::max(1, width - 1);
    }
}

class BitmapWriter
{
public:
    BitmapWriter(const Format &format, int width, int height)
        : m_format(format), m_width(width), m_height(height),
          m_expected(width, height, QImage::Format_RGB32)
    {
        const bool bitfields =
            format.compression == BiBitfields || format.compression == BiAlphaBitfields;
        if (bitfields) {
            std::copy(format.masks, format.masks + 4, m_masks);
        } else if (format.bitCount == 16) {
            m_masks[0] = 0x7C00;
            m_masks[1] = 0x03E0;
            m_masks[2] = 0x001F;
        } else {
            m_masks[0] = 0xFF0000;
            m_masks[1] = 0x00FF00;
            m_masks[2] = 0x0000FF;
        }
        if (format.bitCount <= 8) {
            m_palette = paletteFor(format.bitCount);
            m_entries = format.paletteEntries < 0 ? (1 << format.bitCount) : format.paletteEntries;
        }
    }

    Bitmap write()
    {
        const QByteArray pixels = m_format.compression == BiRle8 || m_format.compression == BiRle4
                                      ? rlePixels()
                                      : plainPixels();
        QByteArray file("BM");
        appendU32(file, 0); // file size, filled in below
        appendU32(file, 0);
        appendU32(file, 0); // pixel data offset, filled in below
        appendInfoHeader(file, pixels);
        appendPalette(file);
        putU32(file, 10, static_cast<quint32>(file.size()));
        file += pixels;
        putU32(file, 2, static_cast<quint32>(file.size()));
        return {file, m_expected};
    }

private:
    int fileRowToY(int row) const { return m_format.topDown ? row : m_height - 1 - row; }

    int index(int x, int y) const { return indexAt(x, y, m_width, m_height, m_format.bitCount); }

    QRgb paletteColour(int index) const
    {
        return index < m_entries ? m_palette[index] : qRgb(0, 0, 0);
    }

    void appendInfoHeader(QByteArray &file, const QByteArray &pixels) const
    {
        const Format &f = m_format;
        if (f.headerSize == 12) {
            appendU32(file, 12);
            appendU16(file, static_cast<quint32>(m_width));
            appendU16(file, static_cast<quint32>(m_height));
            appendU16(file, 1);
            appendU16(file, static_cast<quint32>(f.bitCount));
            return;
        }
        const int start = static_cast<int>(file.size());
        const bool rle = f.compression == BiRle8 || f.compression == BiRle4;
        appendU32(file, static_cast<quint32>(f.headerSize));
        appendU32(file, static_cast<quint32>(m_width));
        appendU32(file, static_cast<quint32>(f.topDown ? -m_height : m_height));
        appendU16(file, 1);
        appendU16(file, static_cast<quint32>(f.bitCount));
        appendU32(file, f.compression);
        appendU32(file, rle ? static_cast<quint32>(pixels.size()) : 0);
        appendU32(file, 2835);
        appendU32(file, 2835);
        const bool shortPalette = f.bitCount <= 8 && m_entries < (1 << f.bitCount);
        appendU32(file, shortPalette ? static_cast<quint32>(m_entries) : 0);
        appendU32(file, 0);
        const int maskCount = f.headerSize > 40              ? std::min(4, (f.headerSize - 40) / 4)
                              : f.compression == BiBitfields ? 3
                              : f.compression == BiAlphaBitfields ? 4
                                                                  : 0;
        for (int i = 0; i < maskCount; ++i)
            appendU32(file, f.masks[i]);
        const int written = static_cast<int>(file.size()) - start;
        const int expectedSize = f.headerSize > 40 ? f.headerSize : 40 + 4 * maskCount;
        file.append(expectedSize - written, '\0');
    }

    void appendPalette(QByteArray &file) const
    {
        for (int i = 0; i < m_entries; ++i) {
            const QRgb c = m_palette.value(i, qRgb(0, 0, 0));
            appendByte(file, qBlue(c));
            appendByte(file, qGreen(c));
            appendByte(file, qRed(c));
            if (m_format.headerSize != 12)
                appendByte(file, 0);
        }
    }

    QByteArray plainPixels()
    {
        const int bits = m_format.bitCount;
        const int rowBytes = (m_width * bits + 31) / 32 * 4;
        QByteArray data;
        for (int row = 0; row < m_height; ++row) {
            const int y = fileRowToY(row);
            QByteArray line(rowBytes, '\0');
            for (int x = 0; x < m_width; ++x) {
                if (bits <= 8) {
                    const int i = index(x, y);
                    const int shift = 8 - bits * (x % (8 / bits) + 1);
                    line[x * bits / 8] = static_cast<char>(line[x * bits / 8] | (i << shift));
                    m_expected.setPixel(x, y, paletteColour(i));
                    continue;
                }
                const QRgb c = trueColourAt(x, y, m_width, m_height);
                if (bits == 24) {
                    line[x * 3] = static_cast<char>(qBlue(c));
                    line[x * 3 + 1] = static_cast<char>(qGreen(c));
                    line[x * 3 + 2] = static_cast<char>(qRed(c));
                    m_expected.setPixel(x, y, c);
                    continue;
                }
                const quint32 pixel = packChannel(qRed(c), m_masks[0]) |
                                      packChannel(qGreen(c), m_masks[1]) |
                                      packChannel(qBlue(c), m_masks[2]);
                if (bits == 16)
                    putU16(line, x * 2, pixel);
                else
                    putU32(line, x * 4, pixel);
                m_expected.setPixel(x, y,
                                    qRgb(unpackChannel(pixel, m_masks[0]),
                                         unpackChannel(pixel, m_masks[1]),
                                         unpackChannel(pixel, m_masks[2])));
            }
            data += line;
        }
        if (m_format.trimFinalPadding)
            data.chop(rowBytes - (m_width * bits + 7) / 8);
        return data;
    }

    // Encodes file row `row` from x0 to x1: runs of equal pixels in the left
    // half, literal
    // runs of 13 pixels (odd, so the padding is exercised) in the right half.
    void encodeSpan(QByteArray &s, int row, int x0, int x1)
    {
        const bool four = m_format.bitCount == 4;
        const int y = fileRowToY(row);
        for (int x = x0; x < x1; ++x)
            m_expected.setPixel(x, y, paletteColour(index(x, y)));
        int x = x0;
        while (x < x1) {
            if (x >= m_width / 2 && x1 - x >= 3) {
                const int n = std::min(13, x1 - x);
                appendByte(s, 0);
                appendByte(s, n);
                int bytes = 0;
                for (int i = 0; i < n; i += four ? 2 : 1, ++bytes) {
                    if (four)
                        appendByte(s,
                                   (index(x + i, y) << 4) | (i + 1 < n ? index(x + i + 1, y) : 0));
                    else
                        appendByte(s, index(x + i, y));
                }
                if (bytes % 2 != 0)
                    appendByte(s, 0);
                x += n;
                continue;
            }
            // A run of one colour, or with 4 bits of two alternating colours.
            const int runEnd = x < m_width / 2 ? std::min(x1, m_width / 2) : x1;
            const int first = index(x, y);
            const int second = four && x + 1 < runEnd ? index(x + 1, y) : first;
            int n = 1;
            while (x + n < runEnd && n < 255 && index(x + n, y) == (n % 2 == 0 ? first : second))
                ++n;
            appendByte(s, n);
            appendByte(s, four ? (first << 4) | second : first);
            x += n;
        }
    }

    void blacken(int row, int x0, int x1)
    {
        for (int x = x0; x < x1; ++x)
            m_expected.setPixel(x, fileRowToY(row), qRgb(0, 0, 0));
    }

    QByteArray rlePixels()
    {
        QByteArray s;
        const int skipRow = 2;
        const int skipX = m_width / 4;
        const int skipDx = m_width / 4;
        const int skipDy = 3;
        for (int row = 0; row < m_height; ++row) {
            if (m_format.rleEndEarly && row == m_height / 2) {
                for (; row < m_height; ++row)
                    blacken(row, 0, m_width);
                break;
            }
            if (m_format.rleSkip && row == skipRow) {
                encodeSpan(s, row, 0, skipX);
                appendByte(s, 0);
                appendByte(s, 2);
                appendByte(s, skipDx);
                appendByte(s, skipDy);
                blacken(row, skipX, m_width);
                for (int r = row + 1; r < row + skipDy; ++r)
                    blacken(r, 0, m_width);
                row += skipDy;
                blacken(row, 0, skipX + skipDx);
                encodeSpan(s, row, skipX + skipDx, m_width);
            } else {
                encodeSpan(s, row, 0, m_width);
            }
            if (row + 1 < m_height) {
                appendByte(s, 0);
                appendByte(s, 0);
            }
        }
        appendByte(s, 0);
        appendByte(s, 1);
        return s;
    }

    Format m_format;
    int m_width;
    int m_height;
    QImage m_expected;
    quint32 m_masks[4] = {};
    QVector<QRgb> m_palette;
    int m_entries = 0;
};

} // namespace

Bitmap makeBitmap(const Format &format, int width, int height)
{
    return BitmapWriter(format, width, height).write();
}

// A small RLE bitmap with a hand-written stream, for damaged streams.
QByteArray rleFile(int bitCount, int width, int height, const QByteArray &stream)
{
    Format f = format(40, bitCount, bitCount == 8 ? BiRle8 : BiRle4);
    QByteArray file = makeBitmap(f, 8, 4).file;
    const int dataOffset = static_cast<quint8>(file[10]) | (static_cast<quint8>(file[11]) << 8);
    file.truncate(dataOffset);
    putU32(file, 18, static_cast<quint32>(width));
    putU32(file, 22, static_cast<quint32>(height));
    file += stream;
    return file;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (const int v : values)
        appendByte(b, v);
    return b;
}

// ---------------------------------------------------------------------------
// Comparing a decoded JPEG with the expected picture.
//
// At quality 100 with 4:2:0 chroma subsampling the only sizeable errors are
// at sharp colour edges, where chroma is averaged over 2x2 pixels: the test
// pictures come back with a mean error of 4 to 5.5, and flat areas almost
// exactly. A wrong orientation, channel order, palette, pixel order within a
// byte or row stride gives mean errors from 9 up, mostly 30 and more.
namespace {

constexpr double kMeanTolerance = 7.0;
constexpr int kSampleTolerance = 10;

} // namespace

QString compare(const QImage &actual, const QImage &expected)
{
    if (actual.isNull())
        return QStringLiteral("the JPEG file cannot be decoded");
    if (actual.size() != expected.size())
        return QStringLiteral("size %1x%2, expected %3x%4")
            .arg(actual.width())
            .arg(actual.height())
            .arg(expected.width())
            .arg(expected.height());
    const QImage a = actual.convertToFormat(QImage::Format_RGB32);
    qint64 total = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = expected.pixel(x, y);
            total += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                     std::abs(qBlue(p) - qBlue(q));
        }
    }
    const double mean = static_cast<double>(total) / (3.0 * a.width() * a.height());
    if (mean > kMeanTolerance)
        return QStringLiteral("mean error %1").arg(mean);

    // The middle of every bar and of the ramp below it.
    const int height = a.height();
    const int rows[] = {barsEnd(height) / 2, (barsEnd(height) + height) / 2};
    for (const int y : rows) {
        for (int bar = 0; bar < 8; ++bar) {
            const int x = (2 * bar + 1) * a.width() / 16;
            const QRgb p = a.pixel(x, y);
            const QRgb q = expected.pixel(x, y);
            const int worst =
                std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                          std::abs(qBlue(p) - qBlue(q))});
            if (worst > kSampleTolerance)
                return QStringLiteral("at %1,%2: %3 expected %4")
                    .arg(x)
                    .arg(y)
                    .arg(a.pixel(x, y), 6, 16)
                    .arg(expected.pixel(x, y), 6, 16);
        }
    }
    return {};
}

QByteArray path(const QString &p)
{
    return QFile::encodeName(p);
}

} // namespace bitmaps
