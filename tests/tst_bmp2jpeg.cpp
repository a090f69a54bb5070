// The JPEG encoder's pixels: every kind of bitmap it reads against the
// picture it should show, a part of a larger picture in memory, and damaged
// files refused with nothing left behind.
#include "TestBitmaps.h"
#include "TestFiles.h"
#include "bmp2jpeg.h"

#include <QImage>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>

using namespace bitmaps;

class TestBmp2Jpeg : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void convertsEveryVariant_data();
    void convertsEveryVariant();
    void refusesDamagedFiles_data();
    void refusesDamagedFiles();
    void encodesPixels_data();
    void encodesPixels();
};

void TestBmp2Jpeg::convertsEveryVariant_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<int>("width");

    const quint32 r8 = 0x00FF0000;
    const quint32 g8 = 0x0000FF00;
    const quint32 b8 = 0x000000FF;

    QTest::newRow("1 bit") << format(40, 1) << 133;
    QTest::newRow("1 bit, top-down") << topDown(format(40, 1)) << 133;
    QTest::newRow("1 bit, width 128") << format(40, 1) << 128;
    QTest::newRow("4 bits") << format(40, 4) << 133;
    QTest::newRow("4 bits, 10 colours, others black") << withPalette(format(40, 4), 10) << 133;
    QTest::newRow("8 bits") << format(40, 8) << 133;
    QTest::newRow("8 bits, top-down") << topDown(format(40, 8)) << 133;
    QTest::newRow("8 bits, 8 colours, others black") << withPalette(format(40, 8), 8) << 133;
    QTest::newRow("16 bits 5-5-5") << format(40, 16) << 133;
    QTest::newRow("16 bits 5-5-5, top-down") << topDown(format(40, 16)) << 133;
    QTest::newRow("16 bits 5-6-5 bitfields")
        << withMasks(format(40, 16, BiBitfields), 0xF800, 0x07E0, 0x001F) << 133;
    QTest::newRow("16 bits 4-4-4, v3 header")
        << withMasks(format(56, 16, BiBitfields), 0x0F00, 0x00F0, 0x000F, 0xF000) << 133;
    QTest::newRow("16 bits 1-5-5-5 alpha bitfields")
        << withMasks(format(40, 16, BiAlphaBitfields), 0x7C00, 0x03E0, 0x001F, 0x8000) << 133;
    QTest::newRow("16 bits, V5 header without bitfields ignores its masks")
        << withMasks(format(124, 16), 0xF800, 0x07E0, 0x001F) << 133;
    QTest::newRow("24 bits") << format(40, 24) << 133;
    QTest::newRow("24 bits, top-down") << topDown(format(40, 24)) << 133;
    QTest::newRow("24 bits, width 128") << format(40, 24) << 128;
    QTest::newRow("24 bits, width 1") << format(40, 24) << 1;
    Format trimmed = format(40, 24);
    trimmed.trimFinalPadding = true;
    QTest::newRow("24 bits, last row's padding missing") << trimmed << 133;
    QTest::newRow("32 bits") << format(40, 32) << 133;
    QTest::newRow("32 bits, top-down") << topDown(format(40, 32)) << 133;
    QTest::newRow("32 bits, bitfields B-G-R-X")
        << withMasks(format(40, 32, BiBitfields), r8, g8, b8) << 133;
    QTest::newRow("32 bits, bitfields R-G-B-X, top-down")
        << topDown(withMasks(format(40, 32, BiBitfields), b8, g8, r8)) << 133;
    QTest::newRow("32 bits, bitfields X-B-G-R")
        << withMasks(format(40, 32, BiBitfields), 0xFF000000, r8, g8) << 133;
    QTest::newRow("32 bits, bitfields X-R-G-B, v2 header")
        << withMasks(format(52, 32, BiBitfields), g8, r8, 0xFF000000) << 133;
    QTest::newRow("32 bits, bitfields G-R-B-X")
        << withMasks(format(40, 32, BiBitfields), g8, b8, r8) << 133;
    QTest::newRow("32 bits, bitfields 10-10-10, V5 header")
        << withMasks(format(124, 32, BiBitfields), 0x3FF00000, 0x000FFC00, 0x000003FF) << 133;
    QTest::newRow("32 bits, alpha bitfields")
        << withMasks(format(40, 32, BiAlphaBitfields), r8, g8, b8, 0xFF000000) << 133;
    QTest::newRow("RLE8") << format(40, 8, BiRle8) << 133;
    QTest::newRow("RLE8, top-down") << topDown(format(40, 8, BiRle8)) << 133;
    QTest::newRow("RLE8, width 300") << format(40, 8, BiRle8) << 300;
    Format skip8 = format(40, 8, BiRle8);
    skip8.rleSkip = true;
    QTest::newRow("RLE8 with a skip") << skip8 << 133;
    Format early8 = format(40, 8, BiRle8);
    early8.rleEndEarly = true;
    QTest::newRow("RLE8 ending early") << early8 << 133;
    QTest::newRow("RLE4") << format(40, 4, BiRle4) << 133;
    QTest::newRow("RLE4, 10 colours") << withPalette(format(40, 4, BiRle4), 10) << 133;
    Format skip4 = format(40, 4, BiRle4);
    skip4.rleSkip = true;
    QTest::newRow("RLE4 with a skip") << skip4 << 133;
    QTest::newRow("core header, 1 bit") << format(12, 1) << 133;
    QTest::newRow("core header, 4 bits, 10 colours") << withPalette(format(12, 4), 10) << 133;
    QTest::newRow("core header, 8 bits") << format(12, 8) << 133;
    QTest::newRow("core header, 24 bits") << format(12, 24) << 133;
    QTest::newRow("OS/2 2.x header, 8 bits") << format(64, 8) << 133;
    QTest::newRow("V4 header, 24 bits") << format(108, 24) << 133;
    QTest::newRow("V5 header, 8 bits") << format(124, 8) << 133;
    QTest::newRow("V5 header, 16 bits 5-6-5, top-down")
        << topDown(withMasks(format(124, 16, BiBitfields), 0xF800, 0x07E0, 0x001F)) << 133;
}

void TestBmp2Jpeg::convertsEveryVariant()
{
    QFETCH(Format, format);
    QFETCH(int, width);

    const Bitmap bitmap = makeBitmap(format, width);
    QTemporaryDir dir;
    const QString bmp = dir.filePath(QStringLiteral("in.bmp"));
    const QString jpg = dir.filePath(QStringLiteral("out.jpg"));
    QVERIFY(writeFile(bmp, bitmap.file));

    QCOMPARE(BmpToJpeg(path(bmp), path(jpg), 100), int(BMP2JPEG_OK));
    const QString difference = compare(QImage(jpg), bitmap.expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    QCOMPARE(entries(dir.path()),
             QStringList({QStringLiteral("in.bmp"), QStringLiteral("out.jpg")}));
}

void TestBmp2Jpeg::refusesDamagedFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("result");

    const QByteArray good = makeBitmap(format(40, 24)).file;
    const auto changed = [&](int at, quint32 value, bool sixteenBits = false) {
        QByteArray b = good;
        if (sixteenBits)
            putU16(b, at, value);
        else
            putU32(b, at, value);
        return b;
    };
    const int damaged = BMP2JPEG_E_DAMAGED;
    const int unsupported = BMP2JPEG_E_UNSUPPORTED;

    QTest::newRow("empty file") << QByteArray() << int(BMP2JPEG_E_NOT_BITMAP);
    QTest::newRow("bad magic") << QByteArray("MB" + good.mid(2)) << int(BMP2JPEG_E_NOT_BITMAP);
    QTest::newRow("PNG file") << QByteArray("\x89PNG\r\n\x1a\n") << int(BMP2JPEG_E_NOT_BITMAP);
    QTest::newRow("magic only") << good.left(2) << damaged;
    QTest::newRow("file header only") << good.left(14) << damaged;
    QTest::newRow("headers only") << good.left(54) << damaged;
    QTest::newRow("truncated pixel data") << good.left(good.size() - 300) << damaged;
    QTest::newRow("last pixel missing") << good.left(good.size() - 2) << damaged;
    QTest::newRow("taller than the file") << changed(22, 1000) << damaged;
    QTest::newRow("wider than the file") << changed(18, 100000) << damaged;
    QByteArray huge = changed(18, 65535);
    putU32(huge, 22, 65535);
    QTest::newRow("65535x65535") << huge << damaged;
    QTest::newRow("zero width") << changed(18, 0) << damaged;
    QTest::newRow("negative width") << changed(18, static_cast<quint32>(-133)) << damaged;
    QTest::newRow("zero height") << changed(22, 0) << damaged;
    QTest::newRow("height INT_MIN") << changed(22, 0x80000000U) << damaged;
    QTest::newRow("header size 8") << changed(14, 8) << damaged;
    QTest::newRow("header size 20") << changed(14, 20) << unsupported;
    QTest::newRow("header size beyond the file") << changed(14, 0x7FFFFFFF) << damaged;
    QTest::newRow("pixel offset beyond the file") << changed(10, 0x7FFFFFFF) << damaged;
    QTest::newRow("pixel offset inside the header") << changed(10, 20) << damaged;
    QTest::newRow("7 bits per pixel") << changed(28, 7, true) << damaged;
    QTest::newRow("2 bits per pixel") << changed(28, 2, true) << unsupported;
    QTest::newRow("embedded PNG") << changed(30, BiPng) << unsupported;
    QTest::newRow("unknown compression") << changed(30, 9) << unsupported;
    QTest::newRow("RLE8 with 24 bits") << changed(30, BiRle8) << damaged;
    QTest::newRow("bitfields with 24 bits") << changed(30, BiBitfields) << damaged;

    const QByteArray fields =
        makeBitmap(withMasks(format(40, 16, BiBitfields), 0xF800, 0x07E0, 0x001F)).file;
    QByteArray zeroMask = fields;
    putU32(zeroMask, 58, 0);
    QTest::newRow("zero green mask") << zeroMask << damaged;
    QByteArray wideMask = fields;
    putU32(wideMask, 54, 0x1F800);
    QTest::newRow("mask wider than the pixel") << wideMask << damaged;
    QByteArray gappedMask = fields;
    putU32(gappedMask, 62, 0x0015);
    QTest::newRow("mask with gaps") << gappedMask << unsupported;
    QTest::newRow("masks cut off") << fields.left(60) << damaged;

    // 8x4 run-length pictures with hand-written streams.
    QTest::newRow("RLE8 run past the row end") << rleFile(8, 8, 4, bytes({9, 1, 0, 1})) << damaged;
    QTest::newRow("RLE8 runs past the row end")
        << rleFile(8, 8, 4, bytes({5, 1, 4, 1, 0, 1})) << damaged;
    QTest::newRow("RLE8 literal run past the row end")
        << rleFile(8, 8, 4, bytes({4, 1, 0, 5, 1, 2, 3, 4, 5, 0, 0, 1})) << damaged;
    QTest::newRow("RLE4 run past the row end")
        << rleFile(4, 8, 4, bytes({9, 0x12, 0, 1})) << damaged;
    QTest::newRow("RLE8 skip past the row end")
        << rleFile(8, 8, 4, bytes({4, 1, 0, 2, 5, 0, 0, 1})) << damaged;
    QTest::newRow("RLE8 skip past the last row")
        << rleFile(8, 8, 4, bytes({0, 2, 0, 5, 0, 1})) << damaged;
    QTest::newRow("RLE8 rows past the last row")
        << rleFile(8, 8, 4, bytes({8, 1, 0, 0, 8, 1, 0, 0, 8, 1, 0, 0, 8, 1, 0, 0, 8, 1, 0, 1}))
        << damaged;
    QTest::newRow("RLE8 stream cut short")
        << rleFile(8, 8, 4, bytes({8, 1, 0, 0, 8, 1})) << damaged;
    QTest::newRow("RLE8 literal run cut short")
        << rleFile(8, 8, 4, bytes({0, 6, 1, 2, 3})) << damaged;
    QTest::newRow("RLE8 skip cut short") << rleFile(8, 8, 4, bytes({0, 2, 1})) << damaged;
    QTest::newRow("RLE8 empty stream") << rleFile(8, 8, 4, QByteArray()) << damaged;
    QTest::newRow("RLE8 65535x65535")
        << rleFile(8, 65535, 65535, bytes({0, 1})) << int(BMP2JPEG_E_TOO_LARGE);
    QTest::newRow("RLE8 20000x20000")
        << rleFile(8, 20000, 20000, bytes({0, 1})) << int(BMP2JPEG_E_TOO_LARGE);
}

void TestBmp2Jpeg::refusesDamagedFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(int, result);

    QTemporaryDir dir;
    const QString bmp = dir.filePath(QStringLiteral("in.bmp"));
    const QString jpg = dir.filePath(QStringLiteral("out.jpg"));
    QVERIFY(writeFile(bmp, file));

    QCOMPARE(BmpToJpeg(path(bmp), path(jpg), 75), result);
    QCOMPARE(Bmp2JpegLastErrno(), 0);
    QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("in.bmp")});

    // An existing target stays as it was.
    const QByteArray previous("previous picture");
    QVERIFY(writeFile(jpg, previous));
    QCOMPARE(BmpToJpeg(path(bmp), path(jpg), 75), result);
    QCOMPARE(readFile(jpg), previous);
    QCOMPARE(entries(dir.path()),
             QStringList({QStringLiteral("in.bmp"), QStringLiteral("out.jpg")}));
}

void TestBmp2Jpeg::encodesPixels_data()
{
    QTest::addColumn<QRect>("area"); // the part of a 200x90 picture to encode

    QTest::newRow("whole picture") << QRect(0, 0, 200, 90);
    QTest::newRow("odd part of a wider picture") << QRect(17, 9, 133, 50);
    QTest::newRow("single pixel") << QRect(60, 70, 1, 1);
}

void TestBmp2Jpeg::encodesPixels()
{
    QFETCH(QRect, area);

    QImage picture(200, 90, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(255, 0, 0));
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x)
            picture.setPixel(area.x() + x, area.y() + y,
                             trueColourAt(x, y, std::max(2, area.width()), area.height()));
    const QImage expected = picture.copy(area);

    QTemporaryDir dir;
    const QString jpg = dir.filePath(QStringLiteral("out.jpg"));
    const unsigned char *first =
        picture.constBits() + area.y() * picture.bytesPerLine() + area.x() * 4;
    QCOMPARE(BmpToJpegPixels(first, area.width(), area.height(),
                             static_cast<int>(picture.bytesPerLine()), path(jpg), 100),
             int(BMP2JPEG_OK));
    const QString difference = compare(QImage(jpg), expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("out.jpg")});
}

QTEST_GUILESS_MAIN(TestBmp2Jpeg)
#include "tst_bmp2jpeg.moc"
