// What checking an offered PNG file costs on its own, beside decoding it:
// the structure check a capture runs before any decoder sees the file
// (PngFile::check: every chunk walked, every CRC computed, text and profiles
// inflated within their bound) and the check of the bytes as they arrive
// (OfferStream, fed in the 64 KiB pieces a transfer brings), on PNG files
// as Qt writes them (as a Qt or GTK program offers them).
//
//   bench_png_check [--runs N]
#include "BenchPictures.h"
#include "OfferStream.h"
#include "PngStructure.h"
#include "Timing.h"

#include <QBuffer>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QImageWriter>
#include <cstdio>

namespace {

QByteArray qtPng(const QImage &picture)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    return writer.write(picture) ? png : QByteArray();
}

bool streamed(const QByteArray &png)
{
    platform::OfferStream stream(QStringLiteral("image/png"));
    constexpr qsizetype Piece = 64 * 1024;
    for (qsizetype at = 0; at < png.size(); at += Piece) {
        if (stream.feed(QByteArrayView(png).sliced(at, std::min(Piece, png.size() - at))) ==
            platform::OfferStream::State::Whole)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    const QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Timed runs."),
                                        QStringLiteral("N"), QStringLiteral("15"));
    parser.addOption(runsOption);
    parser.addHelpOption();
    parser.process(app);
    const int runs = std::max(1, parser.value(runsOption).toInt());

    std::printf("%-6s %-10s %8s %15s %15s %15s %8s\n", "kind", "size", "PNG KiB", "decode ms",
                "check ms", "stream ms", "check %");
    for (const QSize size : {QSize(1920, 1080), QSize(3840, 2160)}) {
        for (const char *kind : {"screen", "photo"}) {
            const QByteArray png = qtPng(bench::picture(QString::fromLatin1(kind), size));
            const bench::Timing decode =
                bench::measure(runs, [&] { return !QImage::fromData(png, "PNG").isNull(); });
            const bench::Timing check =
                bench::measure(runs, [&] { return PngFile::check(png).sound(); });
            const bench::Timing stream = bench::measure(runs, [&] { return streamed(png); });
            if (decode.failed() || check.failed() || stream.failed()) {
                std::fprintf(stderr, "bench_png_check: %s %dx%d failed\n", kind, size.width(),
                             size.height());
                return 1;
            }
            std::printf("%-6s %4dx%-5d %8lld %6.2f (%6.2f) %6.2f (%6.2f) %6.2f (%6.2f) %7.1f%%\n",
                        kind, size.width(), size.height(),
                        static_cast<long long>(png.size() / 1024), decode.median, decode.best,
                        check.median, check.best, stream.median, stream.best,
                        100.0 * (check.median + stream.median) / decode.median);
        }
    }
    std::printf("times: median (best) of %d runs; check %%: check and stream over the decode\n",
                runs);
    return 0;
}
