// The readers of picture bytes other programs offer, without a display: the
// soundness of offered PNG files, offered pictures read or refused by type
// and size, pictures compared row by row.
#include "EncodedPicture.h"
#include "OfferStream.h"
#include "OfferedPicture.h"
#include "PictureRows.h"
#include "PngFile.h"

#include <QtTest>
#include <libdeflate.h>
#include <memory>
#include <optional>

class TestPictureBytes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pngCheck_data();
    void pngCheck();
    void offeredPicture_readOrRefused_data();
    void offeredPicture_readOrRefused();
    void offerStream_endsAtTheFirstByteThatCannotBelong_data();
    void offerStream_endsAtTheFirstByteThatCannotBelong();
    void pictureRows_pngReadsAsItsPixels_data();
    void pictureRows_pngReadsAsItsPixels();
};

namespace {

struct Chunk
{
    QByteArray type;
    QByteArray data;
};

QByteArray bigEndian(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray pngSignature()
{
    return QByteArray::fromHex("89504e470d0a1a0a");
}

QByteArray assemble(const QList<Chunk> &chunks)
{
    QByteArray png = pngSignature();
    for (const Chunk &chunk : chunks) {
        const QByteArray typed = chunk.type + chunk.data;
        const quint32 crc = libdeflate_crc32(0, typed.constData(), size_t(typed.size()));
        png += bigEndian(quint32(chunk.data.size())) + typed + bigEndian(crc);
    }
    return png;
}

// The chunks of a sound PNG file.
QList<Chunk> chunksOf(const QByteArray &png)
{
    QList<Chunk> chunks;
    for (qsizetype at = 8; at + 12 <= png.size();) {
        const auto length = qFromBigEndian<quint32>(png.constData() + at);
        chunks.append({png.mid(at + 4, 4), png.mid(at + 8, length)});
        at += 12 + length;
    }
    return chunks;
}

QByteArray pngOf(const QImage &picture)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return png;
}

QByteArray header(quint32 width, quint32 height, char depth, char colour, char interlace = 0)
{
    const char rest[] = {depth, colour, 0, 0, interlace};
    return bigEndian(width) + bigEndian(height) + QByteArray(rest, sizeof rest);
}

// A zlib stream of `size` zero bytes.
QByteArray zlibOfZeros(qsizetype size)
{
    const QByteArray zeros(size, '\0');
    const std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor *)> compressor(
        libdeflate_alloc_compressor(1), libdeflate_free_compressor);
    QByteArray stream(qsizetype(libdeflate_zlib_compress_bound(compressor.get(), size_t(size))),
                      '\0');
    stream.truncate(qsizetype(libdeflate_zlib_compress(
        compressor.get(), zeros.constData(), size_t(size), stream.data(), size_t(stream.size()))));
    return stream;
}

} // namespace

void TestPictureBytes::pngCheck_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("length"); // of the sound file; 0 when unsound
    QTest::addColumn<QSize>("size");

    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(qRgb(10, 200, 30));
    const QByteArray qt = pngOf(picture);
    const QList<Chunk> chunks = chunksOf(qt);
    const QByteArray idat = chunks.at(chunks.size() - 2).data;
    QVERIFY(chunks.first().type == "IHDR" && chunks.last().type == "IEND");
    const QByteArray rgb8 = header(40, 30, 8, 2);
    const int whole = int(qt.size());
    const QSize size(40, 30);

    QTest::newRow("Qt's own") << qt << whole << size;
    QTest::newRow("bytes after IEND are not part of it")
        << qt + QByteArray(7, '\0') << whole << size;
    QTest::newRow("palette") << pngOf(picture.convertToFormat(QImage::Format_Indexed8)) << -1
                             << size;
    QTest::newRow("16-bit grey") << pngOf(picture.convertToFormat(QImage::Format_Grayscale16)) << -1
                                 << size;
    QTest::newRow("unknown ancillary chunk")
        << assemble({{"IHDR", rgb8}, {"abCd", "x"}, {"IDAT", idat}, {"IEND", {}}}) << -1 << size;
    QTest::newRow("IDAT split in two")
        << assemble({{"IHDR", rgb8}, {"IDAT", idat.left(5)}, {"IDAT", idat.mid(5)}, {"IEND", {}}})
        << -1 << size;

    // Compressed text and profiles: a few kilobytes are sound; what would
    // inflate past 8 MB is a decompression bomb, and so is a file whose
    // chunks do together.
    const QByteArray mebibyte = zlibOfZeros(1 << 20);
    const QByteArray bomb = zlibOfZeros((8 << 20) + 1);
    QTest::newRow("zTXt of a megabyte")
        << assemble({{"IHDR", rgb8},
                     {"zTXt", QByteArray("Comment\0\0", 9) + mebibyte},
                     {"IDAT", idat},
                     {"IEND", {}}})
        << -1 << size;
    QTest::newRow("iTXt uncompressed, any size")
        << assemble({{"IHDR", rgb8},
                     {"iTXt", QByteArray("XML\0\0\0en\0\0", 10) + bomb},
                     {"IDAT", idat},
                     {"IEND", {}}})
        << -1 << size;
    QTest::newRow("zTXt broken off") << assemble({{"IHDR", rgb8},
                                                  {"zTXt", QByteArray("C\0\0", 3) + bomb.left(99)},
                                                  {"IDAT", idat},
                                                  {"IEND", {}}})
                                     << -1 << size;
    QTest::newRow("zTXt bomb") << assemble({{"IHDR", rgb8},
                                            {"zTXt", QByteArray("Comment\0\0", 9) + bomb},
                                            {"IDAT", idat},
                                            {"IEND", {}}})
                               << 0 << QSize();
    QTest::newRow("iTXt bomb") << assemble({{"IHDR", rgb8},
                                            {"iTXt", QByteArray("XML\0\1\0en\0\0", 10) + bomb},
                                            {"IDAT", idat},
                                            {"IEND", {}}})
                               << 0 << QSize();
    QTest::newRow("iCCP bomb") << assemble({{"IHDR", rgb8},
                                            {"iCCP", QByteArray("icc\0\0", 5) + bomb},
                                            {"IDAT", idat},
                                            {"IEND", {}}})
                               << 0 << QSize();
    QList<Chunk> nine{{"IHDR", rgb8}};
    for (int i = 0; i < 9; ++i)
        nine.append({"zTXt", QByteArray("Comment\0\0", 9) + mebibyte});
    QTest::newRow("nine zTXt of a megabyte each")
        << assemble(nine + QList<Chunk>{{"IDAT", idat}, {"IEND", {}}}) << 0 << QSize();

    QTest::newRow("empty") << QByteArray() << 0 << QSize();
    QTest::newRow("signature only") << pngSignature() << 0 << QSize();
    QByteArray noise(4096, Qt::Uninitialized);
    QRandomGenerator(77).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
    QTest::newRow("random bytes") << noise << 0 << QSize();
    QTest::newRow("random bytes after the signature") << pngSignature() + noise << 0 << QSize();
    QTest::newRow("last byte cut off") << qt.chopped(1) << 0 << QSize();
    QTest::newRow("IEND missing") << qt.chopped(12) << 0 << QSize();
    QByteArray flipped = qt;
    flipped[qt.size() - 20] = char(flipped[qt.size() - 20] ^ 0x10); // inside IDAT
    QTest::newRow("picture data damaged") << flipped << 0 << QSize();
    QByteArray longer = qt;
    qToBigEndian(quint32(0x7ffffff0), longer.data() + 8);
    QTest::newRow("IHDR longer than the file") << longer << 0 << QSize();
    QTest::newRow("IHDR not first")
        << assemble({{"tEXt", "a"}, {"IHDR", rgb8}, {"IDAT", idat}, {"IEND", {}}}) << 0 << QSize();
    QTest::newRow("no IDAT") << assemble({{"IHDR", rgb8}, {"IEND", {}}}) << 0 << QSize();
    QTest::newRow("IDAT interrupted") << assemble({{"IHDR", rgb8},
                                                   {"IDAT", idat.left(5)},
                                                   {"tEXt", "a"},
                                                   {"IDAT", idat.mid(5)},
                                                   {"IEND", {}}})
                                      << 0 << QSize();
    QTest::newRow("unknown critical chunk")
        << assemble({{"IHDR", rgb8}, {"ABCD", "x"}, {"IDAT", idat}, {"IEND", {}}}) << 0 << QSize();
    QTest::newRow("chunk type not letters")
        << assemble({{"IHDR", rgb8}, {"ab1d", "x"}, {"IDAT", idat}, {"IEND", {}}}) << 0 << QSize();
    QTest::newRow("IEND with data")
        << assemble({{"IHDR", rgb8}, {"IDAT", idat}, {"IEND", "x"}}) << 0 << QSize();
    QTest::newRow("zero width")
        << assemble({{"IHDR", header(0, 30, 8, 2)}, {"IDAT", idat}, {"IEND", {}}}) << 0 << QSize();
    QTest::newRow("width past 2^31")
        << assemble({{"IHDR", header(0x80000000u, 30, 8, 2)}, {"IDAT", idat}, {"IEND", {}}}) << 0
        << QSize();
    QTest::newRow("RGB of 4 bits")
        << assemble({{"IHDR", header(40, 30, 4, 2)}, {"IDAT", idat}, {"IEND", {}}}) << 0 << QSize();
    QTest::newRow("colour type 5")
        << assemble({{"IHDR", header(40, 30, 8, 5)}, {"IDAT", idat}, {"IEND", {}}}) << 0 << QSize();
    QTest::newRow("interlace 2") << assemble({{"IHDR", header(40, 30, 8, 2, 2)},
                                              {"IDAT", idat},
                                              {"IEND", {}}})
                                 << 0 << QSize();
    QTest::newRow("palette type without PLTE")
        << assemble({{"IHDR", header(40, 30, 8, 3)}, {"IDAT", idat}, {"IEND", {}}}) << 0 << QSize();
    QTest::newRow("PLTE in grey")
        << assemble({{"IHDR", header(40, 30, 8, 0)}, {"PLTE", "abc"}, {"IDAT", idat}, {"IEND", {}}})
        << 0 << QSize();
}

void TestPictureBytes::pngCheck()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, length);
    QFETCH(QSize, size);
    const PngFile::Check check = PngFile::check(bytes);
    QCOMPARE(check.length, length < 0 ? bytes.size() : length);
    QCOMPARE(check.sound(), length != 0);
    QCOMPARE(check.size, size);
}

void TestPictureBytes::offeredPicture_readOrRefused_data()
{
    // Bytes offered as a MIME type, and what becomes of them: the picture
    // Qt reads from them (or any picture when `expected` is null and the
    // outcome Picture), a file that is not read, or a size refused.
    using platform::OfferedPicture::Outcome;
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("type");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QSize>("size");

    QImage picture(37, 23, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 7, y * 11, (x * y) % 256));
    }
    const QSize size = picture.size();
    const QByteArray png = pngOf(picture);
    QTest::newRow("PNG") << png << "image/png" << Outcome::Picture << size;
    QTest::newRow("PNG, 16 bits") << pngOf(picture.convertToFormat(QImage::Format_RGBA64))
                                  << "image/png" << Outcome::Picture << size;
    QTest::newRow("PNG with a zTXt bomb")
        << assemble({chunksOf(png).first(),
                     {"zTXt", QByteArray("C\0\0", 3) + zlibOfZeros((8 << 20) + 1)},
                     chunksOf(png).at(1),
                     {"IEND", {}}})
        << "image/png" << Outcome::Unreadable << QSize();
    QTest::newRow("PNG cut short")
        << png.chopped(1) << "image/png" << Outcome::Unreadable << QSize();
    const QByteArray bigIdat = zlibOfZeros(4097 * 20000);
    QTest::newRow("PNG of 16385 x 20000, too large")
        << assemble({{"IHDR", header(16385, 20000, 1, 0)}, {"IDAT", bigIdat}, {"IEND", {}}})
        << "image/png" << Outcome::TooLarge << QSize(16385, 20000);
    QTest::newRow("PNG of 16384 x 9000 at 16 bits, too large")
        << assemble({{"IHDR", header(16384, 9000, 16, 0)}, {"IDAT", bigIdat}, {"IEND", {}}})
        << "image/png" << Outcome::TooLarge << QSize(16384, 9000);
    QTest::newRow("PNG as Qt's own type")
        << png << "application/x-qt-image" << Outcome::Picture << size;
    QTest::newRow("PNG offered as GIF, a type not read")
        << png << "image/gif" << Outcome::Unreadable << QSize();

    const QByteArray bitmap = encoded(picture, "bmp");
    QTest::newRow("bitmap") << bitmap << "image/bmp" << Outcome::Picture << size;
    QTest::newRow("bitmap, 8 bits")
        << encoded(picture.convertToFormat(QImage::Format_Indexed8), "bmp") << "image/x-bmp"
        << Outcome::Picture << size;
    QTest::newRow("bitmap cut short")
        << bitmap.chopped(40) << "image/bmp" << Outcome::Unreadable << QSize();
    QByteArray claim = bitmap;
    qToLittleEndian<qint32>(100000, claim.data() + 18);
    qToLittleEndian<qint32>(100000, claim.data() + 22);
    // Told by its header, as its reader stops there.
    QTest::newRow("bitmap header claiming 100000 x 100000")
        << claim << "image/bmp" << Outcome::TooLarge << QSize(100000, 100000);
    QTest::newRow("PNG header claiming 16385 x 20000, nothing after it")
        << assemble({{"IHDR", header(16385, 20000, 8, 2)}}) << "image/png" << Outcome::TooLarge
        << QSize(16385, 20000);
    QByteArray runs = claim;
    qToLittleEndian<quint16>(8, runs.data() + 28);
    qToLittleEndian<quint32>(1, runs.data() + 30); // run-length coded: a few bytes may do
    QTest::newRow("run-length bitmap claiming 100000 x 100000")
        << runs << "image/bmp" << Outcome::TooLarge << QSize(100000, 100000);

    QTest::newRow("JPEG") << encoded(picture, "jpeg") << "image/jpeg" << Outcome::Picture << size;
    QTest::newRow("JPEG, progressive")
        << encoded(picture, "jpeg", true) << "image/jpeg" << Outcome::Picture << size;
    QTest::newRow("JPEG, grey") << encoded(picture.convertToFormat(QImage::Format_Grayscale8),
                                           "jpeg")
                                << "image/jpeg" << Outcome::Picture << size;
    QByteArray wide = encoded(picture, "jpeg");
    const qsizetype frame = wide.indexOf("\xff\xc0");
    QVERIFY(frame > 0);
    qToBigEndian<quint16>(20000, wide.data() + frame + 7);
    QTest::newRow("JPEG frame of 20000 x 23, too large")
        << wide << "image/jpeg" << Outcome::TooLarge << QSize(20000, 23);
    QTest::newRow("JPEG cut before its frame")
        << wide.left(frame + 4) << "image/jpeg" << Outcome::Unreadable << QSize();
}

void TestPictureBytes::offeredPicture_readOrRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, type);
    QFETCH(platform::OfferedPicture::Outcome, outcome);
    QFETCH(QSize, size);
    const platform::OfferedPicture::Read read = platform::OfferedPicture::read(bytes, type);
    QCOMPARE(read.outcome, outcome);
    QCOMPARE(read.size, size);
    if (outcome != platform::OfferedPicture::Outcome::Picture) {
        QVERIFY(read.picture.isNull());
        return;
    }
    // The same pixels as Qt's own reader gives (JPEG: libjpeg read the
    // same way).
    const QImage qt = QImage::fromData(bytes).convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!qt.isNull());
    QCOMPARE(read.picture.convertToFormat(QImage::Format_ARGB32), qt);
}

void TestPictureBytes::offerStream_endsAtTheFirstByteThatCannotBelong_data()
{
    // Offered bytes checked as they arrive: the state they leave, and how
    // many of them the picture takes at most (-1: all of them).
    using State = platform::OfferStream::State;
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("type");
    QTest::addColumn<State>("state");
    QTest::addColumn<qint64>("taken");
    QTest::addColumn<QSize>("size");

    QImage picture(37, 23, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 7, y * 11, (x * y) % 256));
    }
    const QSize size = picture.size();
    const QByteArray zeros(1 << 20, '\0');
    const QByteArray tail(4096, 'x');

    const QByteArray png = pngOf(picture);
    const QList<Chunk> chunks = chunksOf(png);
    QTest::newRow("PNG") << png << "image/png" << State::Whole << qint64(png.size()) << size;
    QTest::newRow("PNG, bytes after IEND not taken")
        << png + tail << "image/png" << State::Whole << qint64(png.size()) << size;
    QTest::newRow("PNG, interlaced, palette") << assemble({{"IHDR", header(37, 23, 8, 3, 1)},
                                                           {"PLTE", QByteArray(6, '\x10')},
                                                           {"IDAT", zlibOfZeros(23 * 38 + 200)},
                                                           {"IEND", {}}})
                                              << "image/png" << State::Whole << qint64(-1) << size;
    QTest::newRow("PNG, cut short: more to come")
        << png.chopped(1) << "image/png" << State::More << qint64(-1) << size;
    QTest::newRow("zeros as PNG") << zeros << "image/png" << State::Refused << qint64(8) << QSize();
    QTest::newRow("PNG signature, then zeros")
        << pngSignature() + zeros << "image/png" << State::Refused << qint64(16) << QSize();
    QTest::newRow("PNG, IHDR not first") << assemble({chunks.at(1)}) + zeros << "image/png"
                                         << State::Refused << qint64(16) << QSize();
    QTest::newRow("PNG, tEXt claiming 2 GB")
        << assemble({chunks.first()}) + bigEndian(0x7fffffff) + "tEXt" + zeros << "image/png"
        << State::Refused << qint64(41) << size;
    QTest::newRow("PNG, IDAT claiming more than its pixels need")
        << assemble({chunks.first()}) + bigEndian(2 << 20) + "IDAT" + zeros << "image/png"
        << State::Refused << qint64(41) << size;
    QTest::newRow("PNG, IDAT after IDAT's run")
        << assemble({chunks.first(), chunks.at(1), {"tEXt", "a"}, chunks.at(1), {"IEND", {}}})
        << "image/png" << State::Refused << qint64(-1) << size;
    QTest::newRow("PNG, unknown critical chunk")
        << assemble({chunks.first(), {"CRIT", "a"}}) + zeros << "image/png" << State::Refused
        << qint64(41) << size;
    QTest::newRow("PNG of 16385 x 20000, too large")
        << assemble({{"IHDR", header(16385, 20000, 1, 0)}}) + zeros << "image/png"
        << State::TooLarge << qint64(33) << QSize(16385, 20000);
    QTest::newRow("PNG of 20 x 20 at 4 bits RGB")
        << assemble({{"IHDR", header(20, 20, 4, 2)}}) << "image/png" << State::Refused << qint64(33)
        << QSize();

    const QByteArray bitmap = encoded(picture, "bmp");
    QTest::newRow("bitmap") << bitmap << "image/bmp" << State::Whole << qint64(bitmap.size())
                            << size;
    QTest::newRow("bitmap, bytes past its pixels not taken")
        << bitmap + tail << "image/x-ms-bmp" << State::Whole << qint64(bitmap.size()) << size;
    QTest::newRow("bitmap, 8 bits")
        << encoded(picture.convertToFormat(QImage::Format_Indexed8), "bmp") << "image/bmp"
        << State::Whole << qint64(-1) << size;
    QTest::newRow("zeros as bitmap")
        << zeros << "image/bmp" << State::Refused << qint64(18) << QSize();
    QByteArray claim = bitmap;
    qToLittleEndian<qint32>(100000, claim.data() + 18);
    qToLittleEndian<qint32>(100000, claim.data() + 22);
    QTest::newRow("bitmap header claiming 100000 x 100000")
        << claim + zeros << "image/bmp" << State::TooLarge << qint64(54) << QSize(100000, 100000);
    QByteArray far = bitmap;
    qToLittleEndian<quint32>(0x7fffffff, far.data() + 10);
    QTest::newRow("bitmap, pixels 2 GB past the header")
        << far << "image/bmp" << State::Refused << qint64(54) << QSize();

    const QByteArray jpeg = encoded(picture, "jpeg");
    QTest::newRow("JPEG") << jpeg << "image/jpeg" << State::Whole << qint64(jpeg.size()) << size;
    const QByteArray progressive = encoded(picture, "jpeg", true);
    QTest::newRow("JPEG, progressive, bytes after its end not taken")
        << progressive + tail << "image/jpeg" << State::Whole << qint64(progressive.size()) << size;
    QTest::newRow("zeros as JPEG")
        << zeros << "image/jpeg" << State::Refused << qint64(2) << QSize();
    QByteArray wide = jpeg;
    const qsizetype frame = wide.indexOf("\xff\xc0");
    QVERIFY(frame > 0);
    qToBigEndian<quint16>(20000, wide.data() + frame + 7);
    QTest::newRow("JPEG frame of 20000 x 23, too large")
        << wide << "image/jpeg" << State::TooLarge << qint64(frame + 11) << QSize(20000, 23);
    QTest::newRow("JPEG, scan before its frame")
        << QByteArray::fromHex("ffd8ffda000c") + zeros << "image/jpeg" << State::Refused
        << qint64(4) << QSize();
    QTest::newRow("JPEG, zeros after its frame") << jpeg.left(frame + 19) + zeros << "image/jpeg"
                                                 << State::Refused << qint64(frame + 20) << size;
    QTest::newRow("PNG offered as GIF, a type not read")
        << png << "image/gif" << State::Refused << qint64(0) << QSize();
}

void TestPictureBytes::offerStream_endsAtTheFirstByteThatCannotBelong()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, type);
    QFETCH(platform::OfferStream::State, state);
    QFETCH(qint64, taken);
    QFETCH(QSize, size);
    // The same however the bytes arrive: all at once, a byte at a time, in
    // pieces of an odd size.
    for (const qsizetype piece : {bytes.size(), qsizetype(1), qsizetype(7)}) {
        platform::OfferStream stream(type);
        for (qsizetype at = 0;
             at < bytes.size() && stream.state() == platform::OfferStream::State::More; at += piece)
            stream.feed(bytes.mid(at, piece));
        QCOMPARE(stream.state(), state);
        if (taken >= 0)
            QVERIFY2(stream.taken() <= taken, qPrintable(QString::number(stream.taken())));
        else
            QCOMPARE(stream.taken(), state == platform::OfferStream::State::Refused
                                         ? stream.taken()
                                         : qint64(bytes.size()));
        QCOMPARE(stream.size(), size);
        if (state != platform::OfferStream::State::Refused)
            QVERIFY(stream.taken() <= stream.limit());
    }
}

void TestPictureBytes::pictureRows_pngReadsAsItsPixels_data()
{
    // A PNG file, and whether it is whole: when it is, its rows must hash
    // as those of the picture Qt decodes from it, whichever way it is read.
    QTest::addColumn<QByteArray>("png");
    QTest::addColumn<bool>("whole");

    QImage picture(37, 23, QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgba(x * 7, y * 11, (x * y) % 256, 255 - x * 3));
    }
    const QImage opaque = picture.convertToFormat(QImage::Format_RGB32);
    QTest::newRow("RGB") << pngOf(opaque) << true;
    QTest::newRow("RGBA") << pngOf(picture) << true;
    QTest::newRow("palette") << pngOf(opaque.convertToFormat(QImage::Format_Indexed8,
                                                             Qt::ThresholdDither))
                             << true;
    QTest::newRow("palette with transparency")
        << pngOf(picture.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither)) << true;
    QTest::newRow("grey") << pngOf(opaque.convertToFormat(QImage::Format_Grayscale8)) << true;
    QTest::newRow("1-bit") << pngOf(opaque.convertToFormat(QImage::Format_Mono)) << true;
    QTest::newRow("16-bit grey") << pngOf(opaque.convertToFormat(QImage::Format_Grayscale16))
                                 << true;
    QTest::newRow("16-bit RGBA") << pngOf(picture.convertToFormat(QImage::Format_RGBA64)) << true;
    QTest::newRow("cut short") << pngOf(opaque).left(100) << false;
    QByteArray noise(600, Qt::Uninitialized);
    QRandomGenerator(5).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
    QTest::newRow("random bytes after the signature") << pngSignature() + noise << false;
}

void TestPictureBytes::pictureRows_pngReadsAsItsPixels()
{
    QFETCH(QByteArray, png);
    QFETCH(bool, whole);
    namespace Rows = platform::PictureRows;
    // Every row a print came to have.
    const auto rowsOf = [](const auto &source, QSize size) {
        Rows::GrowingPrint print(size);
        print.make(source);
        std::vector<Rows::RowHash> rows;
        while (const std::optional<Rows::RowHash> row = print.row(int(rows.size())))
            rows.push_back(*row);
        return rows;
    };
    const std::vector<Rows::RowHash> rows = rowsOf(png, Rows::pngSize(png));
    if (!whole) {
        QVERIFY(rows.empty());
        return;
    }
    const QImage decoded = QImage::fromData(png, "PNG");
    QCOMPARE(Rows::pngSize(png), decoded.size());
    QCOMPARE(rows, rowsOf(decoded, decoded.size()));
    // A scan that may stop stops at the row it is told to.
    int rowsSeen = 0;
    QCOMPARE(Rows::scan(png, [&rowsSeen](int row, Rows::RowHash) { return ++rowsSeen, row < 4; }),
             Rows::Scan::Stopped);
    QCOMPARE(rowsSeen, 5);
}

QTEST_GUILESS_MAIN(TestPictureBytes)
#include "tst_picturebytes.moc"
