#pragma once

#include <QByteArrayView>
#include <QSize>

// What a PNG file offered on the clipboard is worth keeping as it is.
namespace PngFile {

struct Check
{
    // How many of the bytes form the file, up to the end of IEND; 0 when
    // they are not a sound PNG. Bytes after IEND are not part of it.
    qsizetype length = 0;
    QSize size; // from IHDR, when sound

    bool sound() const { return length > 0; }
};

// Checks the signature and walks the chunks: every length within the
// bytes, every CRC right, IHDR first and valid, a palette where the colour
// type needs one, one run of IDAT chunks, no critical chunk this check does
// not know, IEND last. The compressed picture data is not inflated.
Check check(QByteArrayView bytes);

} // namespace PngFile
