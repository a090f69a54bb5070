#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

// Pictures offered by other programs, as bytes of a MIME type: checked for
// sound structure before any decoder sees them, and read only when their
// size is within a ceiling, so that what a picture costs is what it is.
namespace platform::OfferedPicture {

// The largest picture read, each way. Decoded at 4 bytes a pixel, it fills
// MaxDecodedBytes; no picture read costs more than that and a small margin.
// (The fuzz targets lower it, so that each input is quick to read and an
// allocation past their ceiling stands out.)
#ifndef PICTARRO_OFFERED_MAX_SIDE
#define PICTARRO_OFFERED_MAX_SIDE 16384
#endif
inline constexpr int MaxSide = PICTARRO_OFFERED_MAX_SIDE;
inline constexpr qint64 MaxDecodedBytes = qint64{MaxSide} * MaxSide * 4;

enum class Outcome
{
    Picture,    // read
    Unreadable, // not a sound file of its type, or a type not read
    TooLarge,   // sound, but larger than the ceiling: not decoded
};

struct Read
{
    Outcome outcome = Outcome::Unreadable;
    QImage picture;       // read(): the picture, when read
    QSize size;           // the size the file gives, when read or too large
    qsizetype length = 0; // keepPng(): the bytes that form the file, when read
};

// The MIME types read, best first: PNG (what screenshot tools offer, and
// losslessly), bitmap, JPEG, and Qt's own picture type, which carries a
// picture only within this process. Others are not read: every reader of
// another program's bytes is checked and fuzzed here, and these are all
// that screenshot tools offer.
const QStringList &types();

// The offered types that are read, best first. Qt's own type only when
// the clipboard is kept `withinProcess`: on a desktop Qt lists it beside
// any picture type it could decode itself, and would decode the other
// program's bytes unchecked to serve it.
QStringList chosenTypes(const QStringList &offered, bool withinProcess);

// The picture in `bytes`, offered as `mimeType`. First the headers are
// checked as OfferStream checks them while they arrive: bytes it refuses
// are Unreadable, and a header that gives a size past the ceiling is
// TooLarge whatever follows it (its reader stops there). Then:
// - PNG: PngFile::check() first; only the chunks the pixels need reach Qt.
// - bitmap: the header is checked (known layout, sizes, pixel data within
//   the bytes) before Qt reads it.
// - JPEG: the markers are walked, within the bytes, up to the frame header
//   that gives the size; libjpeg decodes with its own memory bounded (a
//   progressive file keeps every coefficient) and its scans counted.
Read read(QByteArrayView bytes, const QString &mimeType);

// A PNG file to be kept as it is, not decoded: Picture, with its length,
// when PngFile::check() finds it sound and it is within the ceiling
// (TooLarge as read() tells it).
Read keepPng(QByteArrayView bytes);

// What a bitmap file's headers say of its layout. `headers` holds the file
// header and the whole info header (14 bytes and the info header's size).
struct BitmapLayout
{
    qint64 offset = 0;     // where the pixels start
    qint64 headerSize = 0; // the info header's
    qint64 width = 0;
    qint64 height = 0;  // rows, whichever way they run
    quint32 bits = 0;   // a pixel's
    bool plain = false; // rows of pixels, padded to 4 bytes
    bool runs = false;  // run-length rows
    // Positive sizes, one plane, and a depth and compression Qt reads.
    bool known = false;
};
BitmapLayout bitmapLayout(const unsigned char *headers);

// Why a picture of this size, too large, is not saved: for the user.
QString tooLargeReason(QSize size);

} // namespace platform::OfferedPicture
