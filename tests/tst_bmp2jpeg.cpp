#include "bmp2jpeg.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// ---------------------------------------------------------------------------
// A bitmap writer for the test pictures, byte by byte.

enum : quint32
{
    BiRgb = 0,
    BiRle8 = 1,
    BiRle4 = 2,
    BiBitfields = 3,
    BiPng = 5,
    BiAlphaBitfields = 6,
};

struct Format
{
    int headerSize = 40;
    int bitCount = 24;
    quint32 compression = BiRgb;
    bool topDown = false;
    quint32 masks[4] = {};    // red, green, blue, alpha; written from the v2 header on or after
                              // a 40-byte header with bitfields
    int paletteEntries = -1;  // entries in the file; -1: 2^bitCount
    bool rleSkip = false;     // the stream skips part of the picture with a delta escape
    bool rleEndEarly = false; // the stream ends halfway with an end-of-bitmap escape
    bool trimFinalPadding = false; // the file stops right after the last pixel
};

Format format(int headerSize, int bitCount, quint32 compression = BiRgb)
{
    Format f;
    f.headerSize = headerSize;
    f.bitCount = bitCount;
    f.compression = compression;
    return f;
}

Format withMasks(Format f, quint32 red, quint32 green, quint32 blue, quint32 alpha = 0)
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

QRgb trueColourAt(int x, int y, int width, int height)
{
    if (y < barsEnd(height))
        return kBars[barAt(x, width)];
    const int ramp = x * 255 / std::max(1, width - 1);
    const int rows = std::max(1, height - barsEnd(height) - 1);
    return qRgb(ramp, 255 - ramp, (y - barsEnd(height)) * 255 / rows);
}

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

struct Bitmap
{
    QByteArray file;
    QImage expected; // what the JPEG should show
};

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

Bitmap makeBitmap(const Format &format, int width = 133, int height = 50)
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
constexpr double kMeanTolerance = 7.0;
constexpr int kSampleTolerance = 10;

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

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                  QDir::Name);
}

QByteArray path(const QString &p)
{
    return QFile::encodeName(p);
}

} // namespace

Q_DECLARE_METATYPE(Format)

class TestBmp2Jpeg : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void convertsEveryVariant_data();
    void convertsEveryVariant();
    void refusesDamagedFiles_data();
    void refusesDamagedFiles();
    void reportsFileErrors_data();
    void reportsFileErrors();
    void reportsUnwritableFolder();
    void replacesTargetWithUsualPermissions_data();
    void replacesTargetWithUsualPermissions();
    void refusesNullPaths();
    void encodesPixels_data();
    void encodesPixels();
    void killedAnywhere_leavesOnlyAWholePicture();
    void refusesBadPixelArguments_data();
    void refusesBadPixelArguments();
    void clampsQuality_data();
    void clampsQuality();
    void higherQualityGivesLargerFiles();
    void describesEveryError();
};

void TestBmp2Jpeg::convertsEveryVariant_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<int>("width");

    const quint32 r8 = 0x00FF0000;
    const quint32 g8 = 0x0000FF00;
    const quint32 b8 = 0x000000FF;

    QTest::newRow("1 bit") << format(40, 1) << 133;
    QTest::newRow("1 bit, top-down") << topDown(format(40, 1)) << 133;
    QTest::newRow("1 bit, width 128") << format(40, 1) << 128;
    QTest::newRow("4 bits") << format(40, 4) << 133;
    QTest::newRow("4 bits, 10 colours, others black") << withPalette(format(40, 4), 10) << 133;
    QTest::newRow("8 bits") << format(40, 8) << 133;
    QTest::newRow("8 bits, top-down") << topDown(format(40, 8)) << 133;
    QTest::newRow("8 bits, 8 colours, others black") << withPalette(format(40, 8), 8) << 133;
    QTest::newRow("16 bits 5-5-5") << format(40, 16) << 133;
    QTest::newRow("16 bits 5-5-5, top-down") << topDown(format(40, 16)) << 133;
    QTest::newRow("16 bits 5-6-5 bitfields")
        << withMasks(format(40, 16, BiBitfields), 0xF800, 0x07E0, 0x001F) << 133;
    QTest::newRow("16 bits 4-4-4, v3 header")
        << withMasks(format(56, 16, BiBitfields), 0x0F00, 0x00F0, 0x000F, 0xF000) << 133;
    QTest::newRow("16 bits 1-5-5-5 alpha bitfields")
        << withMasks(format(40, 16, BiAlphaBitfields), 0x7C00, 0x03E0, 0x001F, 0x8000) << 133;
    QTest::newRow("16 bits, V5 header without bitfields ignores its masks")
        << withMasks(format(124, 16), 0xF800, 0x07E0, 0x001F) << 133;
    QTest::newRow("24 bits") << format(40, 24) << 133;
    QTest::newRow("24 bits, top-down") << topDown(format(40, 24)) << 133;
    QTest::newRow("24 bits, width 128") << format(40, 24) << 128;
    QTest::newRow("24 bits, width 1") << format(40, 24) << 1;
    Format trimmed = format(40, 24);
    trimmed.trimFinalPadding = true;
    QTest::newRow("24 bits, last row's padding missing") << trimmed << 133;
    QTest::newRow("32 bits") << format(40, 32) << 133;
    QTest::newRow("32 bits, top-down") << topDown(format(40, 32)) << 133;
    QTest::newRow("32 bits, bitfields B-G-R-X")
        << withMasks(format(40, 32, BiBitfields), r8, g8, b8) << 133;
    QTest::newRow("32 bits, bitfields R-G-B-X, top-down")
        << topDown(withMasks(format(40, 32, BiBitfields), b8, g8, r8)) << 133;
    QTest::newRow("32 bits, bitfields X-B-G-R")
        << withMasks(format(40, 32, BiBitfields), 0xFF000000, r8, g8) << 133;
    QTest::newRow("32 bits, bitfields X-R-G-B, v2 header")
        << withMasks(format(52, 32, BiBitfields), g8, r8, 0xFF000000) << 133;
    QTest::newRow("32 bits, bitfields G-R-B-X")
        << withMasks(format(40, 32, BiBitfields), g8, b8, r8) << 133;
    QTest::newRow("32 bits, bitfields 10-10-10, V5 header")
        << withMasks(format(124, 32, BiBitfields), 0x3FF00000, 0x000FFC00, 0x000003FF) << 133;
    QTest::newRow("32 bits, alpha bitfields")
        << withMasks(format(40, 32, BiAlphaBitfields), r8, g8, b8, 0xFF000000) << 133;
    QTest::newRow("RLE8") << format(40, 8, BiRle8) << 133;
    QTest::newRow("RLE8, top-down") << topDown(format(40, 8, BiRle8)) << 133;
    QTest::newRow("RLE8, width 300") << format(40, 8, BiRle8) << 300;
    Format skip8 = format(40, 8, BiRle8);
    skip8.rleSkip = true;
    QTest::newRow("RLE8 with a skip") << skip8 << 133;
    Format early8 = format(40, 8, BiRle8);
    early8.rleEndEarly = true;
    QTest::newRow("RLE8 ending early") << early8 << 133;
    QTest::newRow("RLE4") << format(40, 4, BiRle4) << 133;
    QTest::newRow("RLE4, 10 colours") << withPalette(format(40, 4, BiRle4), 10) << 133;
    Format skip4 = format(40, 4, BiRle4);
    skip4.rleSkip = true;
    QTest::newRow("RLE4 with a skip") << skip4 << 133;
    QTest::newRow("core header, 1 bit") << format(12, 1) << 133;
    QTest::newRow("core header, 4 bits, 10 colours") << withPalette(format(12, 4), 10) << 133;
    QTest::newRow("core header, 8 bits") << format(12, 8) << 133;
    QTest::newRow("core header, 24 bits") << format(12, 24) << 133;
    QTest::newRow("OS/2 2.x header, 8 bits") << format(64, 8) << 133;
    QTest::newRow("V4 header, 24 bits") << format(108, 24) << 133;
    QTest::newRow("V5 header, 8 bits") << format(124, 8) << 133;
    QTest::newRow("V5 header, 16 bits 5-6-5, top-down")
        << topDown(withMasks(format(124, 16, BiBitfields), 0xF800, 0x07E0, 0x001F)) << 133;
}

void TestBmp2Jpeg::convertsEveryVariant()
{
    QFETCH(Format, format);
    QFETCH(int, width);

    const Bitmap bitmap = makeBitmap(format, width);
    QTemporaryDir dir;
    const QString bmp = dir.filePath(QStringLiteral("in.bmp"));
    const QString jpg = dir.filePath(QStringLiteral("out.jpg"));
    QVERIFY(writeFile(bmp, bitmap.file));

    QCOMPARE(BmpToJpeg(path(bmp), path(jpg), 100), int(BMP2JPEG_OK));
    const QString difference = compare(QImage(jpg), bitmap.expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    QCOMPARE(entries(dir.path()),
             QStringList({QStringLiteral("in.bmp"), QStringLiteral("out.jpg")}));
}

void TestBmp2Jpeg::refusesDamagedFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("result");

    const QByteArray good = makeBitmap(format(40, 24)).file;
    const auto changed = [&](int at, quint32 value, bool sixteenBits = false) {
        QByteArray b = good;
        if (sixteenBits)
            putU16(b, at, value);
        else
            putU32(b, at, value);
        return b;
    };
    const int damaged = BMP2JPEG_E_DAMAGED;
    const int unsupported = BMP2JPEG_E_UNSUPPORTED;

    QTest::newRow("empty file") << QByteArray() << int(BMP2JPEG_E_NOT_BITMAP);
    QTest::newRow("bad magic") << QByteArray("MB" + good.mid(2)) << int(BMP2JPEG_E_NOT_BITMAP);
    QTest::newRow("PNG file") << QByteArray("\x89PNG\r\n\x1a\n") << int(BMP2JPEG_E_NOT_BITMAP);
    QTest::newRow("magic only") << good.left(2) << damaged;
    QTest::newRow("file header only") << good.left(14) << damaged;
    QTest::newRow("headers only") << good.left(54) << damaged;
    QTest::newRow("truncated pixel data") << good.left(good.size() - 300) << damaged;
    QTest::newRow("last pixel missing") << good.left(good.size() - 2) << damaged;
    QTest::newRow("taller than the file") << changed(22, 1000) << damaged;
    QTest::newRow("wider than the file") << changed(18, 100000) << damaged;
    QByteArray huge = changed(18, 65535);
    putU32(huge, 22, 65535);
    QTest::newRow("65535x65535") << huge << damaged;
    QTest::newRow("zero width") << changed(18, 0) << damaged;
    QTest::newRow("negative width") << changed(18, static_cast<quint32>(-133)) << damaged;
    QTest::newRow("zero height") << changed(22, 0) << damaged;
    QTest::newRow("height INT_MIN") << changed(22, 0x80000000U) << damaged;
    QTest::newRow("header size 8") << changed(14, 8) << damaged;
    QTest::newRow("header size 20") << changed(14, 20) << unsupported;
    QTest::newRow("header size beyond the file") << changed(14, 0x7FFFFFFF) << damaged;
    QTest::newRow("pixel offset beyond the file") << changed(10, 0x7FFFFFFF) << damaged;
    QTest::newRow("pixel offset inside the header") << changed(10, 20) << damaged;
    QTest::newRow("7 bits per pixel") << changed(28, 7, true) << damaged;
    QTest::newRow("2 bits per pixel") << changed(28, 2, true) << unsupported;
    QTest::newRow("embedded PNG") << changed(30, BiPng) << unsupported;
    QTest::newRow("unknown compression") << changed(30, 9) << unsupported;
    QTest::newRow("RLE8 with 24 bits") << changed(30, BiRle8) << damaged;
    QTest::newRow("bitfields with 24 bits") << changed(30, BiBitfields) << damaged;

    const QByteArray fields =
        makeBitmap(withMasks(format(40, 16, BiBitfields), 0xF800, 0x07E0, 0x001F)).file;
    QByteArray zeroMask = fields;
    putU32(zeroMask, 58, 0);
    QTest::newRow("zero green mask") << zeroMask << damaged;
    QByteArray wideMask = fields;
    putU32(wideMask, 54, 0x1F800);
    QTest::newRow("mask wider than the pixel") << wideMask << damaged;
    QByteArray gappedMask = fields;
    putU32(gappedMask, 62, 0x0015);
    QTest::newRow("mask with gaps") << gappedMask << unsupported;
    QTest::newRow("masks cut off") << fields.left(60) << damaged;

    // 8x4 run-length pictures with hand-written streams.
    QTest::newRow("RLE8 run past the row end") << rleFile(8, 8, 4, bytes({9, 1, 0, 1})) << damaged;
    QTest::newRow("RLE8 runs past the row end")
        << rleFile(8, 8, 4, bytes({5, 1, 4, 1, 0, 1})) << damaged;
    QTest::newRow("RLE8 literal run past the row end")
        << rleFile(8, 8, 4, bytes({4, 1, 0, 5, 1, 2, 3, 4, 5, 0, 0, 1})) << damaged;
    QTest::newRow("RLE4 run past the row end")
        << rleFile(4, 8, 4, bytes({9, 0x12, 0, 1})) << damaged;
    QTest::newRow("RLE8 skip past the row end")
        << rleFile(8, 8, 4, bytes({4, 1, 0, 2, 5, 0, 0, 1})) << damaged;
    QTest::newRow("RLE8 skip past the last row")
        << rleFile(8, 8, 4, bytes({0, 2, 0, 5, 0, 1})) << damaged;
    QTest::newRow("RLE8 rows past the last row")
        << rleFile(8, 8, 4, bytes({8, 1, 0, 0, 8, 1, 0, 0, 8, 1, 0, 0, 8, 1, 0, 0, 8, 1, 0, 1}))
        << damaged;
    QTest::newRow("RLE8 stream cut short")
        << rleFile(8, 8, 4, bytes({8, 1, 0, 0, 8, 1})) << damaged;
    QTest::newRow("RLE8 literal run cut short")
        << rleFile(8, 8, 4, bytes({0, 6, 1, 2, 3})) << damaged;
    QTest::newRow("RLE8 skip cut short") << rleFile(8, 8, 4, bytes({0, 2, 1})) << damaged;
    QTest::newRow("RLE8 empty stream") << rleFile(8, 8, 4, QByteArray()) << damaged;
    QTest::newRow("RLE8 65535x65535")
        << rleFile(8, 65535, 65535, bytes({0, 1})) << int(BMP2JPEG_E_TOO_LARGE);
    QTest::newRow("RLE8 20000x20000")
        << rleFile(8, 20000, 20000, bytes({0, 1})) << int(BMP2JPEG_E_TOO_LARGE);
}

void TestBmp2Jpeg::refusesDamagedFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(int, result);

    QTemporaryDir dir;
    const QString bmp = dir.filePath(QStringLiteral("in.bmp"));
    const QString jpg = dir.filePath(QStringLiteral("out.jpg"));
    QVERIFY(writeFile(bmp, file));

    QCOMPARE(BmpToJpeg(path(bmp), path(jpg), 75), result);
    QCOMPARE(Bmp2JpegLastErrno(), 0);
    QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("in.bmp")});

    // An existing target stays as it was.
    const QByteArray previous("previous picture");
    QVERIFY(writeFile(jpg, previous));
    QCOMPARE(BmpToJpeg(path(bmp), path(jpg), 75), result);
    QCOMPARE(readFile(jpg), previous);
    QCOMPARE(entries(dir.path()),
             QStringList({QStringLiteral("in.bmp"), QStringLiteral("out.jpg")}));
}

void TestBmp2Jpeg::reportsFileErrors_data()
{
    QTest::addColumn<QString>("source"); // relative to a fresh folder holding good.bmp
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("error");

    QTest::newRow("missing source") << "missing.bmp"
                                    << "out.jpg" << int(BMP2JPEG_E_READ) << ENOENT;
    QTest::newRow("source is a folder") << "folder"
                                        << "out.jpg" << int(BMP2JPEG_E_READ) << EISDIR;
    QTest::newRow("target folder missing") << "good.bmp"
                                           << "missing/out.jpg" << int(BMP2JPEG_E_WRITE) << ENOENT;
    QTest::newRow("target is a folder") << "good.bmp"
                                        << "folder" << int(BMP2JPEG_E_WRITE) << EISDIR;
    QTest::newRow("target name too long")
        << "good.bmp" << QString(300, QLatin1Char('x')) << int(BMP2JPEG_E_WRITE) << ENAMETOOLONG;
}

void TestBmp2Jpeg::reportsFileErrors()
{
    QFETCH(QString, source);
    QFETCH(QString, target);
    QFETCH(int, result);
    QFETCH(int, error);

    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("good.bmp")), makeBitmap(format(40, 24)).file));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    const QStringList before = entries(dir.path());

    QCOMPARE(BmpToJpeg(path(dir.filePath(source)), path(dir.filePath(target)), 75), result);
    QCOMPARE(Bmp2JpegLastErrno(), error);
    QCOMPARE(entries(dir.path()), before);
    QVERIFY(entries(dir.filePath(QStringLiteral("folder"))).isEmpty());

    // The next successful call clears the error.
    QCOMPARE(BmpToJpeg(path(dir.filePath(QStringLiteral("good.bmp"))),
                       path(dir.filePath(QStringLiteral("good.jpg"))), 75),
             int(BMP2JPEG_OK));
    QCOMPARE(Bmp2JpegLastErrno(), 0);
}

void TestBmp2Jpeg::reportsUnwritableFolder()
{
    if (geteuid() == 0)
        QSKIP("running as root, which may write into any folder");
    QTemporaryDir dir;
    const QString bmp = dir.filePath(QStringLiteral("in.bmp"));
    QVERIFY(writeFile(bmp, makeBitmap(format(40, 24)).file));
    const QString locked = dir.filePath(QStringLiteral("locked"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("locked")));
    QVERIFY(::chmod(path(locked).constData(), 0555) == 0);

    const int result = BmpToJpeg(path(bmp), path(locked + QStringLiteral("/out.jpg")), 75);
    const int error = Bmp2JpegLastErrno();
    ::chmod(path(locked).constData(), 0755);
    QCOMPARE(result, int(BMP2JPEG_E_WRITE));
    QCOMPARE(error, EACCES);
    QVERIFY(entries(locked).isEmpty());
}

void TestBmp2Jpeg::replacesTargetWithUsualPermissions_data()
{
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("permissions");

    QTest::newRow("umask 022") << 022 << 0644;
    QTest::newRow("umask 027") << 027 << 0640;
    QTest::newRow("umask 077") << 077 << 0600;
}

void TestBmp2Jpeg::replacesTargetWithUsualPermissions()
{
    QFETCH(int, mask);
    QFETCH(int, permissions);

    QTemporaryDir dir;
    const QString bmp = dir.filePath(QStringLiteral("in.bmp"));
    const QString jpg = dir.filePath(QStringLiteral("out.jpg"));
    const Bitmap bitmap = makeBitmap(format(40, 24));
    QVERIFY(writeFile(bmp, bitmap.file));
    QVERIFY(writeFile(jpg, QByteArray("older picture")));

    const mode_t saved = ::umask(static_cast<mode_t>(mask));
    const int result = BmpToJpeg(path(bmp), path(jpg), 100);
    ::umask(saved);

    QCOMPARE(result, int(BMP2JPEG_OK));
    const QString difference = compare(QImage(jpg), bitmap.expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    struct stat status = {};
    QCOMPARE(::stat(path(jpg).constData(), &status), 0);
    QCOMPARE(static_cast<int>(status.st_mode & 0777), permissions);
    QCOMPARE(entries(dir.path()),
             QStringList({QStringLiteral("in.bmp"), QStringLiteral("out.jpg")}));
}

void TestBmp2Jpeg::refusesNullPaths()
{
    QTemporaryDir dir;
    const QByteArray bmp = path(dir.filePath(QStringLiteral("in.bmp")));
    const QByteArray jpg = path(dir.filePath(QStringLiteral("out.jpg")));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("in.bmp")), makeBitmap(format(40, 24)).file));

    QCOMPARE(BmpToJpeg(nullptr, jpg, 75), int(BMP2JPEG_E_INVALID_ARGUMENT));
    QCOMPARE(BmpToJpeg(bmp, nullptr, 75), int(BMP2JPEG_E_INVALID_ARGUMENT));
    QCOMPARE(BmpToJpeg(bmp, "", 75), int(BMP2JPEG_E_INVALID_ARGUMENT));
    QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("in.bmp")});
}

void TestBmp2Jpeg::encodesPixels_data()
{
    QTest::addColumn<QRect>("area"); // the part of a 200x90 picture to encode

    QTest::newRow("whole picture") << QRect(0, 0, 200, 90);
    QTest::newRow("odd part of a wider picture") << QRect(17, 9, 133, 50);
    QTest::newRow("single pixel") << QRect(60, 70, 1, 1);
}

void TestBmp2Jpeg::encodesPixels()
{
    QFETCH(QRect, area);

    QImage picture(200, 90, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(255, 0, 0));
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x)
            picture.setPixel(area.x() + x, area.y() + y,
                             trueColourAt(x, y, std::max(2, area.width()), area.height()));
    const QImage expected = picture.copy(area);

    QTemporaryDir dir;
    const QString jpg = dir.filePath(QStringLiteral("out.jpg"));
    const unsigned char *first =
        picture.constBits() + area.y() * picture.bytesPerLine() + area.x() * 4;
    QCOMPARE(BmpToJpegPixels(first, area.width(), area.height(),
                             static_cast<int>(picture.bytesPerLine()), path(jpg), 100),
             int(BMP2JPEG_OK));
    const QString difference = compare(QImage(jpg), expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("out.jpg")});
}

void TestBmp2Jpeg::killedAnywhere_leavesOnlyAWholePicture()
{
    // Noise makes a large JPEG that takes a while to write.
    QImage picture(4000, 3000, QImage::Format_RGB32);
    quint32 state = 2463534242u;
    for (int y = 0; y < picture.height(); ++y) {
        auto *row = reinterpret_cast<quint32 *>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            row[x] = state | 0xff000000u;
        }
    }
    QTemporaryDir dir;
    const QString jpg = dir.filePath(QStringLiteral("out.jpg"));

    const auto convert = [&] {
        return BmpToJpegPixels(picture.constBits(), picture.width(), picture.height(),
                               static_cast<int>(picture.bytesPerLine()), path(jpg), 100);
    };
    QCOMPARE(convert(), int(BMP2JPEG_OK));

    // Killed at any moment of a conversion that replaces it, the folder
    // holds only a whole picture under the target's name. The kill lands a
    // little later each round: in the encoding, the writing or after the end.
    for (int delayMs = 0; delayMs <= 300; delayMs += 25) {
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0)
            ::_exit(convert());
        QElapsedTimer clock;
        clock.start();
        int status = 0;
        while (::waitpid(child, &status, WNOHANG) == 0) {
            if (clock.elapsed() >= delayMs)
                ::kill(child, SIGKILL);
        }
        QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("out.jpg")});
        QCOMPARE(QImage(jpg).size(), picture.size());
    }
}

void TestBmp2Jpeg::refusesBadPixelArguments_data()
{
    QTest::addColumn<bool>("nullPixels");
    QTest::addColumn<bool>("nullPath");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("pitch");
    QTest::addColumn<int>("result");

    const int invalid = BMP2JPEG_E_INVALID_ARGUMENT;
    QTest::newRow("null pixels") << true << false << 4 << 4 << 16 << invalid;
    QTest::newRow("null path") << false << true << 4 << 4 << 16 << invalid;
    QTest::newRow("zero width") << false << false << 0 << 4 << 16 << invalid;
    QTest::newRow("zero height") << false << false << 4 << 0 << 16 << invalid;
    QTest::newRow("negative width") << false << false << -4 << 4 << 16 << invalid;
    QTest::newRow("negative height") << false << false << 4 << -4 << 16 << invalid;
    QTest::newRow("pitch below width * 4") << false << false << 4 << 4 << 15 << invalid;
    QTest::newRow("negative pitch") << false << false << 4 << 4 << -16 << invalid;
    QTest::newRow("pitch overflowing width * 4")
        << false << false << INT_MAX / 2 << 1 << 16 << invalid;
    QTest::newRow("wider than a JPEG")
        << false << false << 65501 << 1 << 65501 * 4 << int(BMP2JPEG_E_TOO_LARGE);
    QTest::newRow("too many pixels")
        << false << false << 20000 << 20000 << 80000 << int(BMP2JPEG_E_TOO_LARGE);
}

void TestBmp2Jpeg::refusesBadPixelArguments()
{
    QFETCH(bool, nullPixels);
    QFETCH(bool, nullPath);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, pitch);
    QFETCH(int, result);

    // The calls must fail before touching the pixels, so a few bytes do.
    const unsigned char pixels[64] = {};
    QTemporaryDir dir;
    const QByteArray jpg = path(dir.filePath(QStringLiteral("out.jpg")));
    QCOMPARE(BmpToJpegPixels(nullPixels ? nullptr : pixels, width, height, pitch,
                             nullPath ? nullptr : jpg.constData(), 75),
             result);
    QVERIFY(entries(dir.path()).isEmpty());
}

void TestBmp2Jpeg::clampsQuality_data()
{
    QTest::addColumn<int>("given");
    QTest::addColumn<int>("sameAs");

    QTest::newRow("0 is 1") << 0 << 1;
    QTest::newRow("-1 is 1") << -1 << 1;
    QTest::newRow("SHRT_MIN is 1") << int(SHRT_MIN) << 1;
    QTest::newRow("101 is 100") << 101 << 100;
    QTest::newRow("SHRT_MAX is 100") << int(SHRT_MAX) << 100;
}

void TestBmp2Jpeg::clampsQuality()
{
    QFETCH(int, given);
    QFETCH(int, sameAs);

    QTemporaryDir dir;
    const QString bmp = dir.filePath(QStringLiteral("in.bmp"));
    const QString a = dir.filePath(QStringLiteral("a.jpg"));
    const QString b = dir.filePath(QStringLiteral("b.jpg"));
    QVERIFY(writeFile(bmp, makeBitmap(format(40, 24)).file));
    QCOMPARE(BmpToJpeg(path(bmp), path(a), static_cast<short>(given)), int(BMP2JPEG_OK));
    QCOMPARE(BmpToJpeg(path(bmp), path(b), static_cast<short>(sameAs)), int(BMP2JPEG_OK));
    QCOMPARE(readFile(a), readFile(b));
}

void TestBmp2Jpeg::higherQualityGivesLargerFiles()
{
    QTemporaryDir dir;
    const QString bmp = dir.filePath(QStringLiteral("in.bmp"));
    const QString low = dir.filePath(QStringLiteral("low.jpg"));
    const QString high = dir.filePath(QStringLiteral("high.jpg"));
    QVERIFY(writeFile(bmp, makeBitmap(format(40, 24)).file));
    QCOMPARE(BmpToJpeg(path(bmp), path(low), 10), int(BMP2JPEG_OK));
    QCOMPARE(BmpToJpeg(path(bmp), path(high), 100), int(BMP2JPEG_OK));
    QVERIFY2(QFileInfo(high).size() > QFileInfo(low).size(),
             qPrintable(QStringLiteral("quality 100: %1 bytes, quality 10: %2 bytes")
                            .arg(QFileInfo(high).size())
                            .arg(QFileInfo(low).size())));
}

void TestBmp2Jpeg::describesEveryError()
{
    QSet<QString> texts;
    for (int code = BMP2JPEG_OK; code <= BMP2JPEG_E_INVALID_ARGUMENT; ++code) {
        const char *text = Bmp2JpegErrorText(code);
        QVERIFY(text != nullptr);
        QVERIFY(*text != '\0');
        texts.insert(QString::fromUtf8(text));
    }
    QCOMPARE(texts.size(), BMP2JPEG_E_INVALID_ARGUMENT + 1);
    for (const int unknown : {-1, BMP2JPEG_E_INVALID_ARGUMENT + 1, INT_MIN, INT_MAX})
        QVERIFY(Bmp2JpegErrorText(unknown) != nullptr);
}

QTEST_GUILESS_MAIN(TestBmp2Jpeg)
#include "tst_bmp2jpeg.moc"
