#include "CaptureWriter.h"

#include "JpegEncoder.h"
#include "PngFile.h"

#include <QBuffer>
#include <QImageWriter>
#include <QSaveFile>
#include <new>

namespace CaptureWriter {

namespace {

Result writeBytes(QByteArrayView bytes, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, file.errorString()};
    if (file.write(bytes.data(), bytes.size()) != bytes.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return {false, error};
    }
    // commit() flushes the data to the disk before the rename.
    if (!file.commit())
        return {false, file.errorString()};
    return {true, {}};
}

} // namespace

Result writeBitmap(const QImage &picture, const QString &path)
{
    if (picture.isNull())
        return {false, QStringLiteral("There is no picture to save.")};
    // Qt's writer goes row by row; into memory that costs little, into the
    // file it would cost a write call per row. The room for the largest
    // bitmap it writes (32 bits a pixel, and headers) is taken at once.
    QByteArray bitmap;
    try {
        bitmap.reserve(qsizetype(picture.width()) * picture.height() * 4 + 1024);
    } catch (const std::bad_alloc &) {
        return {false, QStringLiteral("There is not enough memory to save the picture.")};
    }
    QBuffer buffer(&bitmap);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    if (!writer.write(picture))
        return {false, writer.errorString()};
    return writeBytes(bitmap, path);
}

Result writeJpeg(const QImage &picture, const QString &path, int quality,
                 platform::JpegEncoder &encoder)
{
    if (picture.isNull())
        return {false, QStringLiteral("There is no picture to save.")};
    const int code = encoder.encode(picture, path, quality);
    if (code != platform::JpegEncoder::Ok)
        return {false, encoder.errorText(code)};
    return {true, {}};
}

Result writePngFile(QByteArrayView png, const QString &path)
{
    return writeBytes(png, path);
}

Result writePng(const QImage &picture, const QString &path)
{
    if (picture.isNull())
        return {false, QStringLiteral("There is no picture to save.")};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, file.errorString()};
    switch (PngFile::encode(picture, file)) {
    case PngFile::Written::Done:
        break;
    case PngFile::Written::NoMemory:
        file.cancelWriting();
        return {false, QStringLiteral("There is not enough memory to encode the picture.")};
    case PngFile::Written::DeviceFailed: {
        const QString error = file.errorString();
        file.cancelWriting();
        return {false, error};
    }
    }
    // commit() flushes the data to the disk before the rename.
    if (!file.commit())
        return {false, file.errorString()};
    return {true, {}};
}

} // namespace CaptureWriter
