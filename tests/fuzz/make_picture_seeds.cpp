// Writes the seed corpora of the fuzz targets for the readers of pictures
// other programs offer, into <folder>/png, <folder>/offered, <folder>/stream
// and <folder>/pipe: small PNG files of every colour type and depth, with and
// without text and profile chunks; bitmaps of every depth Qt writes; JPEG
// files, baseline, progressive and grey; and a few hostile ones (a chunk
// claiming 2 GB, a file cut short, a header claiming a huge picture).
//
// usage: make_picture_seeds <folder>

#include "../EncodedPicture.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QtEndian>
#include <cstdio>
#include <libdeflate.h>

namespace {

QImage pattern(QSize size, bool alpha)
{
    QImage picture(size, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            picture.setPixel(x, y, qRgba(x * 19, y * 37, (x ^ y) * 11, alpha ? 255 - x * 9 : 255));
    }
    return picture;
}

QByteArray chunk(const char *type, const QByteArray &data, quint32 claimed = 0)
{
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(claimed ? claimed : static_cast<quint32>(data.size()), out.data());
    const QByteArray body = QByteArray(type, 4) + data;
    out += body;
    char crc[4];
    qToBigEndian<quint32>(static_cast<quint32>(libdeflate_crc32(0, body.constData(),
                                                                static_cast<size_t>(body.size()))),
                          crc);
    return out + QByteArray(crc, 4);
}

// The PNG file with `extra` chunks just after IHDR.
QByteArray withChunks(const QByteArray &png, const QByteArray &extra)
{
    return png.left(8 + 25) + extra + png.mid(8 + 25);
}

QByteArray zlib(const QByteArray &data)
{
    return qCompress(data).mid(4); // without Qt's length in front
}

struct Seeds
{
    QString folder;
    int written = 0;

    void write(const QString &kind, const QString &name, const QByteArray &bytes)
    {
        QDir().mkpath(folder + u'/' + kind);
        QFile file(folder + u'/' + kind + u'/' + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "make_picture_seeds: cannot write %s\n", qPrintable(name));
            std::exit(1);
        }
        ++written;
    }
};

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_picture_seeds <folder>\n");
        return 2;
    }
    Seeds seeds{QString::fromLocal8Bit(argv[1])};
    const QImage opaque = pattern(QSize(13, 7), false);
    const QImage clear = pattern(QSize(9, 11), true);

    QList<std::pair<QString, QByteArray>> pngs{
        {"rgb", encoded(opaque, "png")},
        {"rgba", encoded(clear, "png")},
        {"palette", encoded(opaque.convertToFormat(QImage::Format_Indexed8), "png")},
        {"palette-alpha", encoded(clear.convertToFormat(QImage::Format_Indexed8), "png")},
        {"grey", encoded(opaque.convertToFormat(QImage::Format_Grayscale8), "png")},
        {"grey16", encoded(opaque.convertToFormat(QImage::Format_Grayscale16), "png")},
        {"mono", encoded(opaque.convertToFormat(QImage::Format_Mono), "png")},
        {"rgba64", encoded(clear.convertToFormat(QImage::Format_RGBA64), "png")},
    };
    const QByteArray rgb = pngs.front().second;
    pngs.append({"text", withChunks(rgb, chunk("tEXt", QByteArray("Title\0shot", 10)) +
                                             chunk("zTXt", QByteArray("Comment\0\0", 9) +
                                                               zlib(QByteArray(3000, 'a'))))});
    pngs.append({"itxt", withChunks(rgb, chunk("iTXt", QByteArray("XML\0\1\0en\0\0", 10) +
                                                           zlib(QByteArray(500, '<'))))});
    pngs.append({"iccp", withChunks(rgb, chunk("iCCP", QByteArray("icc\0\0", 5) +
                                                           zlib(QByteArray(4000, '\7'))))});
    pngs.append(
        {"claim", withChunks(rgb, chunk("tEXt", QByteArray("Title\0x", 7), 0x7fffffff)).left(80)});
    pngs.append({"cut", rgb.left(rgb.size() / 2)});
    for (const auto &[name, bytes] : pngs)
        seeds.write(QStringLiteral("png"), name + QLatin1String(".png"), bytes);

    // The offered files: a byte for the type (its place in
    // OfferedPicture::types(): PNG, 4 bitmap names, 3 JPEG names, Qt's
    // own), then the file.
    QList<std::pair<QString, QByteArray>> offered;
    for (const auto &[name, bytes] : pngs)
        offered.append({name + QLatin1String(".png"), '\0' + bytes});
    offered.append({"rgb.bmp", '\1' + encoded(opaque, "bmp")});
    offered.append({"argb.bmp", '\1' + encoded(clear, "bmp")});
    offered.append(
        {"indexed.bmp", '\2' + encoded(opaque.convertToFormat(QImage::Format_Indexed8), "bmp")});
    offered.append(
        {"mono.bmp", '\3' + encoded(opaque.convertToFormat(QImage::Format_Mono), "bmp")});
    QByteArray claim = encoded(opaque, "bmp").left(60);
    qToLittleEndian<qint32>(100000, claim.data() + 18);
    qToLittleEndian<qint32>(100000, claim.data() + 22);
    offered.append({"claim.bmp", '\1' + claim});
    offered.append({"baseline.jpg", '\5' + encoded(opaque, "jpeg")});
    offered.append(
        {"progressive.jpg", '\6' + encoded(pattern(QSize(40, 24), false), "jpeg", true)});
    offered.append(
        {"grey.jpg", '\7' + encoded(opaque.convertToFormat(QImage::Format_Grayscale8), "jpeg")});
    offered.append({"qt.png", '\10' + rgb});
    for (const auto &[name, bytes] : offered)
        seeds.write(QStringLiteral("offered"), name, bytes);
    // The same for the check as the bytes arrive: after the type's byte, one
    // for the size of the pieces they come in.
    int pieces = 0;
    for (const auto &[name, bytes] : offered)
        seeds.write(QStringLiteral("stream"), name,
                    bytes.left(1) + char(pieces++ * 13 % 256) + bytes.mid(1));

    // The data-control offers: the types, one a line, an empty line, a
    // byte for the size of the pieces the owner writes, and the data.
    const QByteArray types[] = {"text/html\nimage/png\n\n", "image/bmp\nimage/png\n\n",
                                "image/jpeg\n\n", "application/x-qt-image\nimage/gif\n\n"};
    int n = 0;
    for (const auto &[name, bytes] : offered) {
        const QByteArray &type = types[n++ % 4];
        seeds.write(QStringLiteral("pipe"), name, type + char(n * 7) + bytes.mid(1));
    }
    std::printf("make_picture_seeds: %d seeds in %s\n", seeds.written, argv[1]);
    return 0;
}
