#pragma once

#include "PngStructure.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QImage>
#include <QSize>

// PNG files: a fast encoder for pictures that must be encoded. Whether one
// offered on the clipboard is sound: PngStructure.h.
namespace PngFile {

// The picture as a PNG file: 8-bit RGB, or RGBA when it has an alpha
// channel; each row filtered as the one of None, Sub and Up that looks
// cheapest, compressed by libdeflate. How well a sample of rows packs picks
// the effort: `level` for pictures that pack well (screenshots: within a few
// per cent of Qt's own writer, several times faster), the fastest level for
// grainy ones (photographs: about as small either way), none for noise (no
// larger, and many times faster). Empty for a null picture or when memory
// runs out.
inline constexpr int DefaultLevel = 6;
QByteArray encode(const QImage &picture, int level = DefaultLevel);

// The same, written to `out` as it is made, without a copy of the whole
// file in memory.
enum class Written
{
    Done,
    NoMemory,     // for the picture, or a null picture
    DeviceFailed, // `out` did not take it all: see its error
};
Written encode(const QImage &picture, QIODevice &out, int level = DefaultLevel);

} // namespace PngFile
