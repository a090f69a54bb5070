// Times what Vantler does with a 3840x2160 24-bit bitmap: reading it for the
// preview when it is chosen, and converting it at quality 75 through the
// encoder library bound from the program folder, beside cjpeg converting
// the same file. Prints best and median of each.
//
// usage: bench_vantler [runs] [cjpeg program]

#include "BmpConverter.h"
#include "ScreenLikePicture.h"
#include "Timing.h"
#include "VantlerRules.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int Width = 3840;
constexpr int Height = 2160;
constexpr int Quality = 75;

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 15;
    const QString cjpeg = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("cjpeg");

    QTemporaryDir folder;
    const QString bitmap = folder.filePath("desktop.bmp");
    if (!screenLikePicture().save(bitmap, "BMP")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(bitmap));
        return 1;
    }
    std::printf("%dx%d 24-bit bitmap, %.1f MB, quality %d, %d runs each\n\n", Width, Height,
                static_cast<double>(QFileInfo(bitmap).size()) / 1e6, Quality, runs);

    LibraryConverter converter(QStringLiteral(PICTARRO_BIN_DIR));
    const QString vantlerJpeg = folder.filePath("vantler.jpg");
    const bench::Timing convert = bench::measure(runs, [&] {
        const BmpConverter::Result result = converter.convert(bitmap, vantlerJpeg, Quality);
        if (!result.ok)
            std::fprintf(stderr, "conversion failed: %s\n", qPrintable(result.reason));
        return result.ok;
    });

    const bench::Timing choose = bench::measure(
        runs, [&] { return VantlerRules::readSource(bitmap, QSize(425, 314)).readable(); });

    const QString cjpegJpeg = folder.filePath("cjpeg.jpg");
    const bench::Timing reference = bench::measure(runs, [&] {
        return QProcess::execute(cjpeg, {QStringLiteral("-quality"), QString::number(Quality),
                                         QStringLiteral("-outfile"), cjpegJpeg, bitmap}) == 0;
    });

    std::printf("| %-52s | best | median |\n|---|---|---|\n", "");
    bench::printRow("Vantler: conversion (LibraryConverter, BmpToJpeg)", convert, 52);
    bench::printRow("cjpeg -quality 75 (a process)", reference, 52);
    bench::printRow("Vantler: choosing the bitmap (check + preview)", choose, 52);
    std::printf("\nJPEG sizes: Vantler %lld bytes, cjpeg %lld bytes\n",
                QFileInfo(vantlerJpeg).size(), QFileInfo(cjpegJpeg).size());
    return convert.best < 0 || reference.best < 0 ? 1 : 0;
}
