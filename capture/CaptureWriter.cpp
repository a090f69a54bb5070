#include "CaptureWriter.h"

#include "JpegEncoder.h"

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

} // namespace CaptureWriter
