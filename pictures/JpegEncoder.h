#pragma once

#include <QImage>
#include <QLibrary>
#include <QString>

namespace platform {

// The binding to the JPEG encoder library libbmp2jpeg.so. The library is
// looked for in the given folder (the program's own) and bound by name at
// the first call; a missing library makes every call fail with
// EncoderMissing.
class JpegEncoder
{
public:
    static constexpr int Ok = 0;
    static constexpr int EncoderMissing = -1;

    explicit JpegEncoder(const QString &folder);

    // Converts a bitmap file into a JPEG file; 0 on success.
    int bmpToJpeg(const QString &bmp, const QString &jpg, int quality);

    // Encodes a picture held in memory into a JPEG file; 0 on success.
    int encode(const QImage &image, const QString &jpg, int quality);

    // Why the last failing call failed, in words ("No space left on device").
    QString errorText(int code);

    static QString libraryFileName() { return QStringLiteral("libbmp2jpeg.so"); }

private:
    bool bind();

    using BmpToJpegFn = int (*)(const char *, const char *, short);
    using PixelsFn = int (*)(const unsigned char *, int, int, int, const char *, short);
    using ErrorTextFn = const char *(*)(int);
    using LastErrnoFn = int (*)();

    QLibrary m_library;
    bool m_tried = false;
    BmpToJpegFn m_bmpToJpeg = nullptr;
    PixelsFn m_pixels = nullptr;
    ErrorTextFn m_errorText = nullptr;
    LastErrnoFn m_lastErrno = nullptr;
};

} // namespace platform
