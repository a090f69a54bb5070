// Times BmpToJpeg against cjpeg on a 3840x2160 24-bit screenshot-like
// bitmap, both at quality 75, and prints a small table.
//
// usage: bench_bmp2jpeg [runs] [cjpeg program]

#include "ScreenLikePicture.h"
#include "Timing.h"
#include "bmp2jpeg.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <unistd.h>
#include <vector>

namespace {

using bench::measure;
using bench::Timing;

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;
constexpr short kQuality = 75;

// A 24-bit bottom-up BI_RGB bitmap with a 40-byte header.
bool writeBitmap(const QImage &image, const QString &path)
{
    const int rowBytes = (image.width() * 3 + 3) / 4 * 4;
    const quint32 offset = 14 + 40;
    const quint32 fileSize = offset + static_cast<quint32>(rowBytes) * image.height();
    QByteArray head(54, '\0');
    const auto put = [&head](int at, quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            head[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    head[0] = 'B';
    head[1] = 'M';
    put(2, fileSize, 4);
    put(10, offset, 4);
    put(14, 40, 4);
    put(18, static_cast<quint32>(image.width()), 4);
    put(22, static_cast<quint32>(image.height()), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(head) != head.size())
        return false;
    QByteArray row(rowBytes, '\0');
    for (int y = image.height() - 1; y >= 0; --y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            row[3 * x] = static_cast<char>(qBlue(line[x]));
            row[3 * x + 1] = static_cast<char>(qGreen(line[x]));
            row[3 * x + 2] = static_cast<char>(qRed(line[x]));
        }
        if (file.write(row) != row.size())
            return false;
    }
    return true;
}

bool runProgram(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// Writes `bytes` to a new file and flushes it to the disk: the share of
// BmpToJpeg's time that making the JPEG durable takes.
bool writeAndSync(const QString &path, const QByteArray &bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool ok =
        ::write(fd, bytes.constData(), static_cast<std::size_t>(bytes.size())) == bytes.size() &&
        ::fdatasync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

void printColumns(const char *what, const Timing &t)
{
    if (t.best < 0)
        std::printf("%-34s %10s %10s\n", what, "failed", "failed");
    else
        std::printf("%-34s %10.1f %10.1f\n", what, t.best, t.median);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = args.size() > 1 ? std::max(1, args.at(1).toInt()) : 15;
    const QString cjpeg = args.size() > 2 ? args.at(2) : QStringLiteral("cjpeg");

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    const QString bmp = dir.filePath(QStringLiteral("screen.bmp"));
    const QString ours = dir.filePath(QStringLiteral("bmp2jpeg.jpg"));
    const QString theirs = dir.filePath(QStringLiteral("cjpeg.jpg"));
    if (!writeBitmap(screenLikePicture(), bmp)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(bmp));
        return 1;
    }
    const QByteArray bmpPath = QFile::encodeName(bmp);
    const QByteArray oursPath = QFile::encodeName(ours);

    const Timing library = measure(runs, [&] {
        return BmpToJpeg(bmpPath.constData(), oursPath.constData(), kQuality) == BMP2JPEG_OK;
    });
    const Timing program = measure(runs, [&] {
        return runProgram(cjpeg, {QStringLiteral("-quality"), QString::number(kQuality),
                                  QStringLiteral("-outfile"), theirs, bmp});
    });
    const Timing start =
        measure(runs, [&] { return runProgram(cjpeg, {QStringLiteral("-version")}); });
    QFile jpeg(ours);
    const QByteArray jpegBytes = jpeg.open(QIODevice::ReadOnly) ? jpeg.readAll() : QByteArray();
    int copy = 0;
    const Timing sync = measure(runs, [&] {
        return writeAndSync(dir.filePath(QStringLiteral("sync%1.jpg").arg(copy++)), jpegBytes);
    });

    std::printf("%dx%d 24-bit bitmap, %.1f MB, quality %d, %d runs\n\n", kWidth, kHeight,
                static_cast<double>(QFileInfo(bmp).size()) / 1e6, kQuality, runs);
    std::printf("%-34s %10s %10s\n", "", "best ms", "median ms");
    printColumns("BmpToJpeg", library);
    printColumns("cjpeg (process)", program);
    printColumns("cjpeg -version (process start)", start);
    printColumns("of which: JPEG write + fdatasync", sync);
    QFile other(theirs);
    const bool same = other.open(QIODevice::ReadOnly) && other.readAll() == jpegBytes;
    std::printf("\nJPEG size: BmpToJpeg %lld bytes, cjpeg %lld bytes (%s)\n",
                QFileInfo(ours).size(), QFileInfo(theirs).size(),
                same ? "identical files" : "different files");
    if (library.best > 0 && program.best > 0)
        std::printf("BmpToJpeg / cjpeg: best %.2f, median %.2f (target: at most 1.10)\n",
                    library.best / program.best, library.median / program.median);
    return library.best < 0 || program.best < 0 ? 1 : 0;
}
