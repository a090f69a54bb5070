// The JPEG encoder's calls: file errors with their errno, permissions of a
// replaced file, a conversion killed at any moment, arguments refused before
// any work, the quality's range and effect, and a text for every result.
#include "TestBitmaps.h"
#include "TestFiles.h"
#include "bmp2jpeg.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <climits>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace bitmaps;

class TestEncoderApi : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reportsFileErrors_data();
    void reportsFileErrors();
    void reportsUnwritableFolder();
    void replacesTargetWithUsualPermissions_data();
    void replacesTargetWithUsualPermissions();
    void refusesNullPaths();
    void killedAnywhere_leavesOnlyAWholePicture();
    void refusesBadPixelArguments_data();
    void refusesBadPixelArguments();
    void clampsQuality_data();
    void clampsQuality();
    void higherQualityGivesLargerFiles();
    void describesEveryError();
};

void TestEncoderApi::reportsFileErrors_data()
{
    QTest::addColumn<QString>("source"); // relative to a fresh folder holding good.bmp
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("error");

    QTest::newRow("missing source") << "missing.bmp"
                                    << "out.jpg" << int(BMP2JPEG_E_READ) << ENOENT;
    QTest::newRow("source is a folder") << "folder"
                                        << "out.jpg" << int(BMP2JPEG_E_READ) << EISDIR;
    QTest::newRow("target folder missing") << "good.bmp"
                                           << "missing/out.jpg" << int(BMP2JPEG_E_WRITE) << ENOENT;
    QTest::newRow("target is a folder") << "good.bmp"
                                        << "folder" << int(BMP2JPEG_E_WRITE) << EISDIR;
    QTest::newRow("target name too long")
        << "good.bmp" << QString(300, QLatin1Char('x')) << int(BMP2JPEG_E_WRITE) << ENAMETOOLONG;
}

void TestEncoderApi::reportsFileErrors()
{
    QFETCH(QString, source);
    QFETCH(QString, target);
    QFETCH(int, result);
    QFETCH(int, error);

    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("good.bmp")), makeBitmap(format(40, 24)).file));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    const QStringList before = entries(dir.path());

    QCOMPARE(BmpToJpeg(path(dir.filePath(source)), path(dir.filePath(target)), 75), result);
    QCOMPARE(Bmp2JpegLastErrno(), error);
    QCOMPARE(entries(dir.path()), before);
    QVERIFY(entries(dir.filePath(QStringLiteral("folder"))).isEmpty());

    // The next successful call clears the error.
    QCOMPARE(BmpToJpeg(path(dir.filePath(QStringLiteral("good.bmp"))),
                       path(dir.filePath(QStringLiteral("good.jpg"))), 75),
             int(BMP2JPEG_OK));
    QCOMPARE(Bmp2JpegLastErrno(), 0);
}

void TestEncoderApi::reportsUnwritableFolder()
{
    if (geteuid() == 0)
        QSKIP("running as root, which may write into any folder");
    QTemporaryDir dir;
    const QString bmp = dir.filePath(QStringLiteral("in.bmp"));
    QVERIFY(writeFile(bmp, makeBitmap(format(40, 24)).file));
    const QString locked = dir.filePath(QStringLiteral("locked"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("locked")));
    QVERIFY(::chmod(path(locked).constData(), 0555) == 0);

    const int result = BmpToJpeg(path(bmp), path(locked + QStringLiteral("/out.jpg")), 75);
    const int error = Bmp2JpegLastErrno();
    ::chmod(path(locked).constData(), 0755);
    QCOMPARE(result, int(BMP2JPEG_E_WRITE));
    QCOMPARE(error, EACCES);
    QVERIFY(entries(locked).isEmpty());
}

void TestEncoderApi::replacesTargetWithUsualPermissions_data()
{
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("permissions");

    QTest::newRow("umask 022") << 022 << 0644;
    QTest::newRow("umask 027") << 027 << 0640;
    QTest::newRow("umask 077") << 077 << 0600;
}

void TestEncoderApi::replacesTargetWithUsualPermissions()
{
    QFETCH(int, mask);
    QFETCH(int, permissions);

    QTemporaryDir dir;
    const QString bmp = dir.filePath(QStringLiteral("in.bmp"));
    const QString jpg = dir.filePath(QStringLiteral("out.jpg"));
    const Bitmap bitmap = makeBitmap(format(40, 24));
    QVERIFY(writeFile(bmp, bitmap.file));
    QVERIFY(writeFile(jpg, QByteArray("older picture")));

    const mode_t saved = ::umask(static_cast<mode_t>(mask));
    const int result = BmpToJpeg(path(bmp), path(jpg), 100);
    ::umask(saved);

    QCOMPARE(result, int(BMP2JPEG_OK));
    const QString difference = compare(QImage(jpg), bitmap.expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    struct stat status = {};
    QCOMPARE(::stat(path(jpg).constData(), &status), 0);
    QCOMPARE(static_cast<int>(status.st_mode & 0777), permissions);
    QCOMPARE(entries(dir.path()),
             QStringList({QStringLiteral("in.bmp"), QStringLiteral("out.jpg")}));
}

void TestEncoderApi::refusesNullPaths()
{
    QTemporaryDir dir;
    const QByteArray bmp = path(dir.filePath(QStringLiteral("in.bmp")));
    const QByteArray jpg = path(dir.filePath(QStringLiteral("out.jpg")));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("in.bmp")), makeBitmap(format(40, 24)).file));

    QCOMPARE(BmpToJpeg(nullptr, jpg, 75), int(BMP2JPEG_E_INVALID_ARGUMENT));
    QCOMPARE(BmpToJpeg(bmp, nullptr, 75), int(BMP2JPEG_E_INVALID_ARGUMENT));
    QCOMPARE(BmpToJpeg(bmp, "", 75), int(BMP2JPEG_E_INVALID_ARGUMENT));
    QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("in.bmp")});
}

void TestEncoderApi::killedAnywhere_leavesOnlyAWholePicture()
{
    // Noise makes a large JPEG that takes a while to write.
    QImage picture(4000, 3000, QImage::Format_RGB32);
    quint32 state = 2463534242u;
    for (int y = 0; y < picture.height(); ++y) {
        auto *row = reinterpret_cast<quint32 *>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            row[x] = state | 0xff000000u;
        }
    }
    QTemporaryDir dir;
    const QString jpg = dir.filePath(QStringLiteral("out.jpg"));

    const auto convert = [&] {
        return BmpToJpegPixels(picture.constBits(), picture.width(), picture.height(),
                               static_cast<int>(picture.bytesPerLine()), path(jpg), 100);
    };
    QCOMPARE(convert(), int(BMP2JPEG_OK));

    // Killed at any moment of a conversion that replaces it, the folder
    // holds only a whole picture under the target's name. The kill lands a
    // little later each round: in the encoding, the writing or after the end.
    for (int delayMs = 0; delayMs <= 300; delayMs += 25) {
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0)
            ::_exit(convert());
        QElapsedTimer clock;
        clock.start();
        int status = 0;
        while (::waitpid(child, &status, WNOHANG) == 0) {
            if (clock.elapsed() >= delayMs)
                ::kill(child, SIGKILL);
        }
        QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("out.jpg")});
        QCOMPARE(QImage(jpg).size(), picture.size());
    }
}

void TestEncoderApi::refusesBadPixelArguments_data()
{
    QTest::addColumn<bool>("nullPixels");
    QTest::addColumn<bool>("nullPath");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("pitch");
    QTest::addColumn<int>("result");

    const int invalid = BMP2JPEG_E_INVALID_ARGUMENT;
    QTest::newRow("null pixels") << true << false << 4 << 4 << 16 << invalid;
    QTest::newRow("null path") << false << true << 4 << 4 << 16 << invalid;
    QTest::newRow("zero width") << false << false << 0 << 4 << 16 << invalid;
    QTest::newRow("zero height") << false << false << 4 << 0 << 16 << invalid;
    QTest::newRow("negative width") << false << false << -4 << 4 << 16 << invalid;
    QTest::newRow("negative height") << false << false << 4 << -4 << 16 << invalid;
    QTest::newRow("pitch below width * 4") << false << false << 4 << 4 << 15 << invalid;
    QTest::newRow("negative pitch") << false << false << 4 << 4 << -16 << invalid;
    QTest::newRow("pitch overflowing width * 4")
        << false << false << INT_MAX / 2 << 1 << 16 << invalid;
    QTest::newRow("wider than a JPEG")
        << false << false << 65501 << 1 << 65501 * 4 << int(BMP2JPEG_E_TOO_LARGE);
    QTest::newRow("too many pixels")
        << false << false << 20000 << 20000 << 80000 << int(BMP2JPEG_E_TOO_LARGE);
}

void TestEncoderApi::refusesBadPixelArguments()
{
    QFETCH(bool, nullPixels);
    QFETCH(bool, nullPath);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, pitch);
    QFETCH(int, result);

    // The calls must fail before touching the pixels, so a few bytes do.
    const unsigned char pixels[64] = {};
    QTemporaryDir dir;
    const QByteArray jpg = path(dir.filePath(QStringLiteral("out.jpg")));
    QCOMPARE(BmpToJpegPixels(nullPixels ? nullptr : pixels, width, height, pitch,
                             nullPath ? nullptr : jpg.constData(), 75),
             result);
    QVERIFY(entries(dir.path()).isEmpty());
}

void TestEncoderApi::clampsQuality_data()
{
    QTest::addColumn<int>("given");
    QTest::addColumn<int>("sameAs");

    QTest::newRow("0 is 1") << 0 << 1;
    QTest::newRow("-1 is 1") << -1 << 1;
    QTest::newRow("SHRT_MIN is 1") << int(SHRT_MIN) << 1;
    QTest::newRow("101 is 100") << 101 << 100;
    QTest::newRow("SHRT_MAX is 100") << int(SHRT_MAX) << 100;
}

void TestEncoderApi::clampsQuality()
{
    QFETCH(int, given);
    QFETCH(int, sameAs);

    QTemporaryDir dir;
    const QString bmp = dir.filePath(QStringLiteral("in.bmp"));
    const QString a = dir.filePath(QStringLiteral("a.jpg"));
    const QString b = dir.filePath(QStringLiteral("b.jpg"));
    QVERIFY(writeFile(bmp, makeBitmap(format(40, 24)).file));
    QCOMPARE(BmpToJpeg(path(bmp), path(a), static_cast<short>(given)), int(BMP2JPEG_OK));
    QCOMPARE(BmpToJpeg(path(bmp), path(b), static_cast<short>(sameAs)), int(BMP2JPEG_OK));
    QCOMPARE(readFile(a), readFile(b));
}

void TestEncoderApi::higherQualityGivesLargerFiles()
{
    QTemporaryDir dir;
    const QString bmp = dir.filePath(QStringLiteral("in.bmp"));
    const QString low = dir.filePath(QStringLiteral("low.jpg"));
    const QString high = dir.filePath(QStringLiteral("high.jpg"));
    QVERIFY(writeFile(bmp, makeBitmap(format(40, 24)).file));
    QCOMPARE(BmpToJpeg(path(bmp), path(low), 10), int(BMP2JPEG_OK));
    QCOMPARE(BmpToJpeg(path(bmp), path(high), 100), int(BMP2JPEG_OK));
    QVERIFY2(QFileInfo(high).size() > QFileInfo(low).size(),
             qPrintable(QStringLiteral("quality 100: %1 bytes, quality 10: %2 bytes")
                            .arg(QFileInfo(high).size())
                            .arg(QFileInfo(low).size())));
}

void TestEncoderApi::describesEveryError()
{
    QSet<QString> texts;
    for (int code = BMP2JPEG_OK; code <= BMP2JPEG_E_INVALID_ARGUMENT; ++code) {
        const char *text = Bmp2JpegErrorText(code);
        QVERIFY(text != nullptr);
        QVERIFY(*text != '\0');
        texts.insert(QString::fromUtf8(text));
    }
    QCOMPARE(texts.size(), BMP2JPEG_E_INVALID_ARGUMENT + 1);
    for (const int unknown : {-1, BMP2JPEG_E_INVALID_ARGUMENT + 1, INT_MIN, INT_MAX})
        QVERIFY(Bmp2JpegErrorText(unknown) != nullptr);
}

QTEST_GUILESS_MAIN(TestEncoderApi)
#include "tst_encoderapi.moc"
