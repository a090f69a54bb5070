#include "CaptureWriter.h"

#include "JpegEncoder.h"
#include "PngFile.h"

#include <QBuffer>
#include <QImageWriter>
#include <QSaveFile>
#include <functional>
#include <new>
#include <optional>

namespace CaptureWriter {

namespace {

// The file at `path` as `fill` writes it, whole or not at all: `fill`
// returns why it could not, or nothing. The data reaches the disk before
// the file gets its name (commit() flushes before the rename).
Result writeWhole(const QString &path,
                  const std::function<std::optional<QString>(QSaveFile &)> &fill)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, file.errorString()};
    if (const std::optional<QString> error = fill(file)) {
        file.cancelWriting();
        return {false, *error};
    }
    if (!file.commit())
        return {false, file.errorString()};
    return {true, {}};
}

Result writeBytes(QByteArrayView bytes, const QString &path)
{
    return writeWhole(path, [bytes](QSaveFile &file) -> std::optional<QString> {
        if (file.write(bytes.data(), bytes.size()) != bytes.size())
            return file.errorString();
        return std::nullopt;
    });
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
    return writeWhole(path, [&picture](QSaveFile &file) -> std::optional<QString> {
        switch (PngFile::encode(picture, file)) {
        case PngFile::Written::Done:
            break;
        case PngFile::Written::NoMemory:
            return QStringLiteral("There is not enough memory to encode the picture.");
        case PngFile::Written::DeviceFailed:
            return file.errorString();
        }
        return std::nullopt;
    });
}

} // namespace CaptureWriter
