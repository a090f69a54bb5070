#include "BmpConverter.h"

LibraryConverter::LibraryConverter(const QString &programFolder) : m_encoder(programFolder)
{
}

BmpConverter::Result LibraryConverter::convert(const QString &bmp, const QString &jpg, int quality)
{
    const int code = m_encoder.bmpToJpeg(bmp, jpg, quality);
    if (code == platform::JpegEncoder::Ok)
        return {true, {}};
    return {false, m_encoder.errorText(code)};
}
