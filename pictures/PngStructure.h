#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSize>

// The structure of PNG files that come from other programs: checked before
// any decoder sees them.
namespace PngFile {

inline constexpr unsigned char Signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

// Compressed text and colour profiles (zTXt, iTXt, iCCP) together may
// inflate to this many bytes; a file whose inflate to more is not sound.
// Real profiles and texts are a few kilobytes.
inline constexpr qsizetype MaxInflatedAncillary = qsizetype{8} << 20;

struct Check
{
    // How many of the bytes form the file, up to the end of IEND; 0 when
    // they are not a sound PNG. Bytes after IEND are not part of it.
    qsizetype length = 0;
    QSize size;    // from IHDR, when sound
    int depth = 0; // bits per channel, from IHDR, when sound

    bool sound() const { return length > 0; }
};

// Checks the signature and walks the chunks: every length within the
// bytes, every CRC right, IHDR first and valid, a palette where the colour
// type needs one, one run of IDAT chunks, no critical chunk this check does
// not know, IEND last; zTXt, iTXt and iCCP together inflating to no more
// than MaxInflatedAncillary (a broken stream counts for nothing, but none
// gets past what is left). The picture data itself is not inflated.
Check check(QByteArrayView bytes);

// The chunks a decoder needs for the pixels (IHDR, PLTE, tRNS, IDAT, IEND)
// of a file check() found sound, without the others: no text, profile or
// other ancillary chunk reaches a decoder.
QByteArray pixelChunks(QByteArrayView sound);

} // namespace PngFile
