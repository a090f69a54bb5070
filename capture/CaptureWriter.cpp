#include "CaptureWriter.h"

#include "JpegEncoder.h"
#include "PngFile.h"

#include <QImageWriter>
#include <QSaveFile>

namespace CaptureWriter {

Result writeBitmap(const QImage &picture, const QString &path)
{
    if (picture.isNull())
        return {false, QStringLiteral("There is no picture to save.")};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, file.errorString()};
    QImageWriter writer(&file, "bmp");
    if (!writer.write(picture)) {
        file.cancelWriting();
        return {false, writer.errorString()};
    }
    if (!file.commit())
        return {false, file.errorString()};
    return {true, {}};
}

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
    const QByteArray png = PngFile::encode(picture);
    if (png.isEmpty())
        return {false, QStringLiteral("There is not enough memory to encode the picture.")};
    return writeBytes(png, path);
}

} // namespace CaptureWriter
