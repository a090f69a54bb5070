// PNG encoders for captures that must be encoded: Qt's writer at its
// default and at faster zlib levels, libpng and libspng at fast settings,
// and Pictarro's own (libdeflate, PngFile::encode), on 1920×1080 pictures:
// screenshot-like, a grainy photograph and noise. Each file is decoded again
// and compared with the picture. Beside them, Qt's decode of its own file:
// the decode half of the bare fetch and decode a capture is measured against.
//
//   bench_png_encoders [--runs N]
#include "BenchPictures.h"
#include "PngFile.h"
#include "Timing.h"

#include <QBuffer>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QImageWriter>
#include <cstdio>
#include <png.h>
#include <spng.h>

namespace {

QByteArray qtPng(const QImage &picture, int quality)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setQuality(quality);
    return writer.write(picture) ? png : QByteArray();
}

void appendToArray(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<QByteArray *>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char *>(data), static_cast<qsizetype>(length));
}

QByteArray libpng(const QImage &picture, int level, int filters)
{
    QByteArray out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, appendToArray, nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width()),
                 static_cast<png_uint_32>(picture.height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, level);
    png_set_filter(png, 0, filters);
    png_write_info(png, info);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    png_set_bgr(png);
    for (int y = 0; y < picture.height(); ++y)
        png_write_row(png, picture.constScanLine(y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

QByteArray libspng(const QImage &picture, int level)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    QByteArray rows;
    const qsizetype rowBytes = qsizetype(rgb.width()) * 3;
    rows.reserve(rowBytes * rgb.height());
    for (int y = 0; y < rgb.height(); ++y)
        rows.append(reinterpret_cast<const char *>(rgb.constScanLine(y)), rowBytes);
    spng_ctx *context = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_set_option(context, SPNG_ENCODE_TO_BUFFER, 1);
    spng_set_option(context, SPNG_IMG_COMPRESSION_LEVEL, level);
    spng_ihdr header{};
    header.width = static_cast<uint32_t>(rgb.width());
    header.height = static_cast<uint32_t>(rgb.height());
    header.bit_depth = 8;
    header.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
    spng_set_ihdr(context, &header);
    QByteArray out;
    if (spng_encode_image(context, rows.constData(), static_cast<size_t>(rows.size()), SPNG_FMT_PNG,
                          SPNG_ENCODE_FINALIZE) == 0) {
        size_t length = 0;
        int error = 0;
        void *buffer = spng_get_png_buffer(context, &length, &error);
        if (buffer)
            out = QByteArray(static_cast<const char *>(buffer), static_cast<qsizetype>(length));
        std::free(buffer);
    }
    spng_ctx_free(context);
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Timed runs each."),
                                        QStringLiteral("N"), QStringLiteral("7"));
    parser.addOption(runsOption);
    parser.process(app);
    const int runs = qMax(1, parser.value(runsOption).toInt());
    const QSize size(1920, 1080);

    struct Encoder
    {
        const char *name;
        std::function<QByteArray(const QImage &)> encode;
    };
    const QList<Encoder> encoders = {
        {"Qt writer, default (zlib 6, adaptive filters)",
         [](const QImage &p) {
             return qtPng(p, -1);
         }},
        {"Qt writer, quality 70",
         [](const QImage &p) {
             return qtPng(p, 70);
         }},
        {"Qt writer, quality 50",
         [](const QImage &p) {
             return qtPng(p, 50);
         }},
        {"libpng, zlib 1, Up",
         [](const QImage &p) {
             return libpng(p, 1, PNG_FILTER_UP);
         }},
        {"libpng, zlib 3, Paeth",
         [](const QImage &p) {
             return libpng(p, 3, PNG_FILTER_PAETH);
         }},
        {"libspng, zlib 1",
         [](const QImage &p) {
             return libspng(p, 1);
         }},
        {"libspng, zlib 6",
         [](const QImage &p) {
             return libspng(p, 6);
         }},
        {"Pictarro: None/Sub/Up, libdeflate (ISA-L when grainy)",
         [](const QImage &p) {
             return PngFile::encode(p);
         }},
    };
    std::printf("PNG encoders on %dx%d pictures, median of %d runs (best in brackets); size "
                "against Qt's default writer\n",
                size.width(), size.height(), runs);
    for (const char *kind : {"screen", "photo", "noise"}) {
        const QImage picture = bench::picture(QLatin1String(kind), size);
        const QByteArray reference = qtPng(picture, -1);
        std::printf("\n%s\n\n| encoder | encode | size | against Qt |\n|---|---|---|---|\n", kind);
        const bench::Timing decode =
            bench::measure(runs, [&] { return !QImage::fromData(reference, "PNG").isNull(); });
        std::printf("| Qt's decode of the Qt default file | %.1f ms (%.1f) | | |\n", decode.median,
                    decode.best);
        for (const Encoder &encoder : encoders) {
            QByteArray png;
            const bench::Timing timing = bench::measure(runs, [&] {
                png = encoder.encode(picture);
                return !png.isEmpty();
            });
            const bool exact =
                QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32) == picture;
            std::printf("| %s | %.1f ms (%.1f) | %.0f KiB | %.2f×%s |\n", encoder.name,
                        timing.median, timing.best, png.size() / 1024.0,
                        double(png.size()) / double(reference.size()),
                        exact ? "" : " NOT PIXEL-EXACT");
            std::fflush(stdout);
        }
    }
    return 0;
}
