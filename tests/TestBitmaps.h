// Bitmap files written byte by byte in every kind the encoder reads, each
// with the picture its JPEG should show, and the comparison of a decoded
// JPEG with that picture: shared by the encoder's test programs.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QMetaType>
#include <QString>
#include <initializer_list>

namespace bitmaps {

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

Format format(int headerSize, int bitCount, quint32 compression = BiRgb);
Format withMasks(Format f, quint32 red, quint32 green, quint32 blue, quint32 alpha = 0);
Format topDown(Format f);
Format withPalette(Format f, int entries);

// Little-endian values written into a file's bytes at an offset.
void putU16(QByteArray &bytes, int at, quint32 value);
void putU32(QByteArray &bytes, int at, quint32 value);

// The true-colour test picture's pixel: eight colour bars over the upper
// three fifths, a smooth ramp below.
QRgb trueColourAt(int x, int y, int width, int height);

struct Bitmap
{
    QByteArray file;
    QImage expected; // what the JPEG should show
};

Bitmap makeBitmap(const Format &format, int width = 133, int height = 50);

// A small RLE bitmap with a hand-written stream, for damaged streams.
QByteArray rleFile(int bitCount, int width, int height, const QByteArray &stream);

QByteArray bytes(std::initializer_list<int> values);

// Empty when the decoded JPEG shows the expected picture within what JPEG
// compression at quality 100 explains, else what differs.
QString compare(const QImage &actual, const QImage &expected);

// A path as the encoder's C interface takes it.
QByteArray path(const QString &p);

} // namespace bitmaps

Q_DECLARE_METATYPE(bitmaps::Format)
