#pragma once

#include "JpegEncoder.h"

#include <QString>

// Turns a bitmap file into a JPEG file. The window converts through this
// interface so tests can watch what it asks for.
class BmpConverter
{
public:
    struct Result
    {
        bool ok = false;
        QString reason; // in words, empty on success
    };

    virtual ~BmpConverter() = default;
    // On success the target is a complete JPEG file (an existing one is
    // replaced); on failure the target is as it was before the call.
    virtual Result convert(const QString &bmp, const QString &jpg, int quality) = 0;
};

// The converter of the program: BmpToJpeg of libbmp2jpeg.so in the given
// folder, bound at the first conversion.
class LibraryConverter : public BmpConverter
{
public:
    explicit LibraryConverter(const QString &programFolder);
    Result convert(const QString &bmp, const QString &jpg, int quality) override;

private:
    platform::JpegEncoder m_encoder;
};
