// Files that cost far more than their bytes if a reader believes them: for
// offering on the clipboard in the end-to-end tests.
#pragma once

#include "E2eSupport.h"

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <QtEndian>
#include <zlib.h>

namespace e2e {

// A zlib stream of `size` zero bytes, gigabytes in a few megabytes, made
// without holding them: the deflate blocks of a mebibyte of zeros, each
// independent of what came before, repeated, then an empty last block.
inline QByteArray zlibOfZeros(qint64 size)
{
    constexpr qint64 Piece = qint64{1} << 20;
    const auto blocks = [](qint64 zeros) {
        const QByteArray input(static_cast<qsizetype>(zeros), '\0');
        QByteArray output(static_cast<qsizetype>(compressBound(static_cast<uLong>(zeros)) + 64),
                          '\0');
        z_stream stream{};
        deflateInit(&stream, Z_BEST_COMPRESSION);
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.data()));
        stream.avail_in = static_cast<uInt>(zeros);
        stream.next_out = reinterpret_cast<Bytef *>(output.data());
        stream.avail_out = static_cast<uInt>(output.size());
        deflate(&stream, Z_FULL_FLUSH);
        output.truncate(static_cast<qsizetype>(stream.total_out));
        deflateEnd(&stream);
        return output.mid(2); // without the zlib header
    };
    QByteArray stream("\x78\xda", 2);
    const QByteArray piece = blocks(Piece);
    for (qint64 i = 0; i < size / Piece; ++i)
        stream += piece;
    if (size % Piece != 0)
        stream += blocks(size % Piece);
    stream += QByteArray("\x03\x00", 2); // the last block: empty
    const auto adler = static_cast<quint32>((size % 65521) << 16 | 1);
    char check[4];
    qToBigEndian(adler, check);
    return stream + QByteArray(check, 4);
}

inline QByteArray pngChunk(const char *type, const QByteArray &data, quint32 claimed = 0)
{
    QByteArray chunk(4, '\0');
    qToBigEndian<quint32>(claimed ? claimed : static_cast<quint32>(data.size()), chunk.data());
    const QByteArray body = QByteArray(type, 4) + data;
    char crc[4];
    qToBigEndian(static_cast<quint32>(crc32(0, reinterpret_cast<const Bytef *>(body.constData()),
                                            static_cast<uInt>(body.size()))),
                 crc);
    return chunk + body + QByteArray(crc, 4);
}

inline QByteArray pngHeader(quint32 width, quint32 height, char depth, char colour)
{
    QByteArray header(13, '\0');
    qToBigEndian(width, header.data());
    qToBigEndian(height, header.data() + 4);
    header[8] = depth;
    header[9] = colour;
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header);
}

// Offers that cost far more than their bytes, if believed: a small PNG
// file with `extra` just before its IEND (or instead of it), a PNG of
// 30000 × 30000 zeros, a bitmap header claiming 100000 × 100000.
inline QByteArray hostileFile(const QString &kind)
{
    QByteArray small;
    QBuffer buffer(&small);
    buffer.open(QIODevice::WriteOnly);
    testPicture(QSize(40, 30)).save(&buffer, "PNG");
    const QByteArray withoutEnd = small.left(small.lastIndexOf("IEND") - 4);
    const QByteArray end = small.mid(small.lastIndexOf("IEND") - 4);
    constexpr qint64 Gigabyte = qint64{1} << 30;
    if (kind == QLatin1String("claim")) // a text chunk claiming 2 GB, then the file ends
        return withoutEnd + pngChunk("tEXt", "Comment", 0x7fffffff).left(16);
    if (kind == QLatin1String("zTXt"))
        return withoutEnd +
               pngChunk("zTXt", QByteArray("Comment\0\0", 9) + zlibOfZeros(2 * Gigabyte)) + end;
    if (kind == QLatin1String("iCCP"))
        return small.left(33) + pngChunk("iCCP", QByteArray("icc\0\0", 5) + zlibOfZeros(Gigabyte)) +
               small.mid(33);
    if (kind == QLatin1String("IDAT")) {
        constexpr quint32 Side = 30000;
        const qint64 rowBytes = 1 + (Side + 7) / 8; // 1 bit grey, and the filter byte
        return pngHeader(Side, Side, 1, 0) + pngChunk("IDAT", zlibOfZeros(rowBytes * Side)) +
               pngChunk("IEND", {});
    }
    // A bitmap whose header claims 100000 × 100000 at 24 bits, with 64 bytes of pixels.
    QByteArray bitmap(54 + 64, '\0');
    bitmap[0] = 'B';
    bitmap[1] = 'M';
    qToLittleEndian<quint32>(static_cast<quint32>(bitmap.size()), bitmap.data() + 2);
    qToLittleEndian<quint32>(54, bitmap.data() + 10);
    qToLittleEndian<quint32>(40, bitmap.data() + 14);
    qToLittleEndian<qint32>(100000, bitmap.data() + 18);
    qToLittleEndian<qint32>(100000, bitmap.data() + 22);
    qToLittleEndian<quint16>(1, bitmap.data() + 26);
    qToLittleEndian<quint16>(24, bitmap.data() + 28);
    return bitmap;
}

} // namespace e2e
