#pragma once

#include "CaptureNaming.h"

#include <QByteArrayView>
#include <QImage>
#include <QString>

namespace platform {
class JpegEncoder;
}

// Writes one captured picture to its file. The file appears complete under
// its name or not at all: it is written under a temporary name in the same
// folder and renamed when whole.
namespace CaptureWriter {

struct Result
{
    bool ok = false;
    QString error; // why it failed, in words
};

Result writeBitmap(const QImage &picture, const QString &path);
Result writeJpeg(const QImage &picture, const QString &path, int quality,
                 platform::JpegEncoder &encoder);

// A PNG file the clipboard offered, as it is: `png` is a file that
// PngFile::check() found sound, cut to its length.
Result writePngFile(QByteArrayView png, const QString &path);

// The picture encoded as PNG (PngFile::encode()).
Result writePng(const QImage &picture, const QString &path);

} // namespace CaptureWriter
