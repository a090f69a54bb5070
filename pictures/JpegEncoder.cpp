#include "JpegEncoder.h"

#include <QFile>
#include <cstring>

namespace platform {

namespace {

short qualityArgument(int quality)
{
    return static_cast<short>(qBound(0, quality, 100));
}

} // namespace

JpegEncoder::JpegEncoder(const QString &folder)
    : m_library(folder + QLatin1Char('/') + libraryFileName())
{
}

bool JpegEncoder::bind()
{
    if (!m_tried) {
        m_tried = true;
        if (m_library.load()) {
            m_bmpToJpeg = reinterpret_cast<BmpToJpegFn>(m_library.resolve("BmpToJpeg"));
            m_pixels = reinterpret_cast<PixelsFn>(m_library.resolve("BmpToJpegPixels"));
            m_errorText = reinterpret_cast<ErrorTextFn>(m_library.resolve("Bmp2JpegErrorText"));
            m_lastErrno = reinterpret_cast<LastErrnoFn>(m_library.resolve("Bmp2JpegLastErrno"));
        }
    }
    return m_bmpToJpeg && m_pixels;
}

int JpegEncoder::bmpToJpeg(const QString &bmp, const QString &jpg, int quality)
{
    if (!bind())
        return EncoderMissing;
    return m_bmpToJpeg(QFile::encodeName(bmp).constData(), QFile::encodeName(jpg).constData(),
                       qualityArgument(quality));
}

int JpegEncoder::encode(const QImage &image, const QString &jpg, int quality)
{
    if (!bind())
        return EncoderMissing;
    const QImage pixels =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
            ? image
            : image.convertToFormat(QImage::Format_RGB32);
    return m_pixels(pixels.constBits(), pixels.width(), pixels.height(),
                    static_cast<int>(pixels.bytesPerLine()), QFile::encodeName(jpg).constData(),
                    qualityArgument(quality));
}

QString JpegEncoder::errorText(int code)
{
    if (code == EncoderMissing)
        return QStringLiteral("The JPEG encoder %1 could not be loaded: %2")
            .arg(libraryFileName(), m_library.errorString());
    QString text = m_errorText ? QString::fromUtf8(m_errorText(code)) : QString();
    if (const int error = m_lastErrno ? m_lastErrno() : 0; error != 0)
        text += QLatin1String(": ") + QString::fromLocal8Bit(std::strerror(error));
    return text;
}

} // namespace platform
