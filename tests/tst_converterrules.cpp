// Vantler's rules without a window: when converting may start, its
// messages, the bitmaps it accepts, one file under two names; and its
// command line, converting whole or not at all.

#include "JpegEncoder.h"
#include "TestFiles.h"
#include "VantlerCommandLine.h"
#include "VantlerConversion.h"
#include "VantlerFixture.h"
#include "VantlerRules.h"

#include <QtTest>
#include <QtWidgets>
#include <cstring>
#include <optional>

class TestConverterRules : public QObject, private VantlerFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void convertEnabled_needsBothPaths_data();
    void convertEnabled_needsBothPaths();
    void sentence_data();
    void sentence();
    void readSource_acceptsBitmapsOnly_data();
    void readSource_acceptsBitmapsOnly();
    void sameFile_seesThroughLinks();

    void commandLine_data();
    void commandLine();
    void plainCommandLine_data();
    void plainCommandLine();
};

// ------------------------------------------------------------------ rules

void TestConverterRules::convertEnabled_needsBothPaths_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("neither") << ""
                             << "" << false;
    QTest::newRow("source only") << "/a.bmp"
                                 << "" << false;
    QTest::newRow("target only") << ""
                                 << "/a.jpg" << false;
    QTest::newRow("both") << "/a.bmp"
                          << "/a.jpg" << true;
    QTest::newRow("blanks count as a name") << " "
                                            << " " << true;
}

void TestConverterRules::convertEnabled_needsBothPaths()
{
    QFETCH(QString, source);
    QFETCH(QString, target);
    QFETCH(bool, enabled);
    QCOMPARE(VantlerRules::convertEnabled(source, target), enabled);
    QCOMPARE(VantlerRules::qualityEnabled(target), !target.isEmpty());
}

void TestConverterRules::sentence_data()
{
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "the bitmap file is damaged"
                           << "The bitmap file is damaged.";
    QTest::newRow("with errno text") << "the JPEG file cannot be written: No space left on device"
                                     << "The JPEG file cannot be written: No space left on device.";
    QTest::newRow("already a sentence") << "Gone."
                                        << "Gone.";
    QTest::newRow("empty") << ""
                           << "The reason is not known.";
}

void TestConverterRules::sentence()
{
    QFETCH(QString, reason);
    QFETCH(QString, expected);
    QCOMPARE(VantlerRules::sentence(reason), expected);
}

void TestConverterRules::readSource_acceptsBitmapsOnly_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<QString>("reason");

    QByteArray bitmap;
    {
        QBuffer buffer(&bitmap);
        buffer.open(QIODevice::WriteOnly);
        noisyPicture(20, 10).save(&buffer, "BMP");
    }
    QByteArray topDown = bitmap;
    // Height -10: the rows run from the top.
    const qint32 negative = -10;
    std::memcpy(topDown.data() + 22, &negative, 4);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        noisyPicture(20, 10).save(&buffer, "PNG");
    }

    QTest::newRow("bitmap") << bitmap << true << "";
    QTest::newRow("top-down bitmap") << topDown << true << "";
    QTest::newRow("PNG named .bmp") << png << false << "not a bitmap";
    QTest::newRow("text") << QByteArray("hello") << false << "not a bitmap";
    QTest::newRow("empty file") << QByteArray() << false << "not a bitmap";
    QTest::newRow("header only") << bitmap.left(30) << false << "damaged";
    QTest::newRow("absurd size") << QByteArray("BM") + QByteArray(12, '\0') +
                                        QByteArray::fromHex("28000000ffff0000ffff0000010018000000"
                                                            "0000000000000000000000000000000000"
                                                            "0000000000")
                                 << false << "damaged";
}

void TestConverterRules::readSource_acceptsBitmapsOnly()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, readable);
    QFETCH(QString, reason);
    QTemporaryDir folder;
    const QString file = folder.filePath("picture.bmp");
    QVERIFY(writeFile(file, bytes));

    const VantlerRules::SourceImage source = VantlerRules::readSource(file, QSize(40, 30));
    QCOMPARE(source.readable(), readable);
    if (readable) {
        QCOMPARE(source.preview.size(), QSize(40, 30));
        QVERIFY(source.reason.isEmpty());
    } else {
        QVERIFY2(source.reason.contains(reason), qPrintable(source.reason));
    }
}

void TestConverterRules::sameFile_seesThroughLinks()
{
    const QString bitmap = makeBitmap("a.bmp");
    QVERIFY(QFile::link(bitmap, path("link.bmp")));
    QVERIFY(VantlerRules::sameFile(bitmap, bitmap));
    QVERIFY(VantlerRules::sameFile(bitmap, path("link.bmp")));
    QVERIFY(VantlerRules::sameFile(bitmap, path("./a.bmp")));
    QVERIFY(!VantlerRules::sameFile(bitmap, path("a.jpg")));
    QVERIFY(!VantlerRules::sameFile(path("missing.bmp"), path("missing.bmp.jpg")));
}

void TestConverterRules::commandLine_data()
{
    // In the arguments, {bmp} is a good bitmap, {damaged} a cut-off one,
    // {missing} a file that does not exist, {jpg} a target in an existing
    // folder and {nofolder} one in a missing folder. `named` is the file the
    // one error line must name; `quality` the quality whose JPEG the target
    // must hold byte for byte (-1: no target may appear).
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<int>("exitCode"); // -1: the window opens
    QTest::addColumn<QString>("named");
    QTest::addColumn<int>("quality");
    QTest::addColumn<QString>("output");

    QTest::newRow("good, default quality 100")
        << QStringList{"{bmp}", "{jpg}"} << "" << 0 << "" << 100 << "";
    QTest::newRow("quality reaches the file")
        << QStringList{"--quality", "37", "{bmp}", "{jpg}"} << "" << 0 << "" << 37 << "";
    QTest::newRow("short quality option")
        << QStringList{"-q", "0", "{bmp}", "{jpg}"} << "" << 0 << "" << 0 << "";
    QTest::newRow("damaged bitmap")
        << QStringList{"{damaged}", "{jpg}"} << "" << 1 << "{damaged}" << -1 << "";
    QTest::newRow("missing source")
        << QStringList{"{missing}", "{jpg}"} << "" << 1 << "{missing}" << -1 << "";
    QTest::newRow("missing target folder")
        << QStringList{"{bmp}", "{nofolder}"} << "" << 1 << "{nofolder}" << -1 << "";
    QTest::newRow("target is the source")
        << QStringList{"{bmp}", "{bmp}"} << "" << 1 << "{bmp}" << -1 << "";
    QTest::newRow("encoder missing")
        << QStringList{"{bmp}", "{jpg}"} << "noEncoder" << 1 << "libbmp2jpeg.so" << -1 << "";
    QTest::newRow("full disk") << QStringList{"{bmp}", "{jpg}"} << "fullDisk" << 1 << "{jpg}" << -1
                               << "";
    QTest::newRow("no files: the window") << QStringList{} << "" << -1 << "" << -1 << "";
    QTest::newRow("one file only") << QStringList{"{bmp}"} << "" << 2 << "" << -1 << "";
    QTest::newRow("three files") << QStringList{"{bmp}", "{jpg}", "{jpg}"} << "" << 2 << "" << -1
                                 << "";
    QTest::newRow("quality above 100")
        << QStringList{"--quality", "101", "{bmp}", "{jpg}"} << "" << 2 << "" << -1 << "";
    QTest::newRow("quality not a number")
        << QStringList{"--quality", "high", "{bmp}", "{jpg}"} << "" << 2 << "" << -1 << "";
    QTest::newRow("quality without files")
        << QStringList{"--quality", "50"} << "" << 2 << "" << -1 << "";
    QTest::newRow("unknown option")
        << QStringList{"--fast", "{bmp}", "{jpg}"} << "" << 2 << "" << -1 << "";
    QTest::newRow("help") << QStringList{"--help"} << "" << 0 << "" << -1 << "Usage:";
    QTest::newRow("version") << QStringList{"--version"} << "" << 0 << "" << -1 << "Vantler 1.4.1";
    QTest::newRow("a window-system option is left to Qt")
        << QStringList{"-platform", "offscreen"} << "" << -1 << "" << -1 << "";
}

void TestConverterRules::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, setup);
    QFETCH(int, exitCode);
    QFETCH(QString, named);
    QFETCH(int, quality);
    QFETCH(QString, output);

    const QString bmp = makeBitmap("shot.bmp", 96, 64);
    const QString damaged = path("damaged.bmp");
    QVERIFY(writeFile(damaged, readFile(bmp).left(200)));
    QVERIFY(QDir().mkpath(path("out")));
    const QMap<QString, QString> files{{"{bmp}", bmp},
                                       {"{damaged}", damaged},
                                       {"{missing}", path("missing.bmp")},
                                       {"{jpg}", path("out/shot.jpg")},
                                       {"{nofolder}", path("nowhere/shot.jpg")}};
    QStringList commandLine{"vantler"};
    for (const QString &argument : arguments)
        commandLine << files.value(argument, argument);
    if (setup == "noEncoder")
        QVERIFY(QFile::remove(m_programFolder + "/libbmp2jpeg.so"));
    const QByteArray bitmapBefore = readFile(bmp);

    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    std::optional<int> result;
    {
        const FileSizeLimit limit(setup == "fullDisk" ? 1024 : RLIM_INFINITY);
        QVERIFY(limit.ok());
        result = VantlerCommandLine::handle(commandLine, m_programFolder, outStream, errStream);
    }

    QCOMPARE(result.value_or(-1), exitCode);
    QVERIFY2(out.contains(output), qPrintable(out));
    if (exitCode == 1) {
        const QString file = files.value(named, m_programFolder + "/" + named);
        QVERIFY2(err.startsWith("vantler: " + file + ": "), qPrintable(err));
        QCOMPARE(err.count('\n'), 1);
        QVERIFY(err.endsWith('\n'));
    } else if (exitCode == 2) {
        QVERIFY2(err.contains("Usage:"), qPrintable(err));
    } else {
        QVERIFY2(err.isEmpty(), qPrintable(err));
    }
    QCOMPARE(readFile(bmp), bitmapBefore);

    // Whole or nothing: a JPEG exactly as the encoder writes it at that
    // quality, or no file at all.
    QStringList expected;
    if (quality >= 0) {
        platform::JpegEncoder encoder(QStringLiteral(PICTARRO_BIN_DIR));
        QCOMPARE(encoder.bmpToJpeg(bmp, path("reference.jpg"), quality), 0);
        QCOMPARE(readFile(path("out/shot.jpg")), readFile(path("reference.jpg")));
        expected << "shot.jpg";
    }
    QCOMPARE(filesIn(path("out")), expected);
    QVERIFY(!QFileInfo::exists(path("nowhere")));
}

void TestConverterRules::plainCommandLine_data()
{
    // The program file converts these forms itself; everything else goes to
    // the full command line (a quality of -1: not taken as plain).
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("quality");
    QTest::addColumn<QString>("bmp");
    QTest::addColumn<QString>("jpg");

    QTest::newRow("two files") << QStringList{"a.bmp", "b.jpg"} << 100 << "a.bmp"
                               << "b.jpg";
    QTest::newRow("--quality N") << QStringList{"--quality", "37", "a.bmp", "b.jpg"} << 37
                                 << "a.bmp"
                                 << "b.jpg";
    QTest::newRow("--quality=N") << QStringList{"a.bmp", "--quality=0", "b.jpg"} << 0 << "a.bmp"
                                 << "b.jpg";
    QTest::newRow("-q N") << QStringList{"-q", "100", "a.bmp", "b.jpg"} << 100 << "a.bmp"
                          << "b.jpg";
    QTest::newRow("files after --") << QStringList{"--", "-a.bmp", "-b.jpg"} << 100 << "-a.bmp"
                                    << "-b.jpg";
    QTest::newRow("no files") << QStringList{} << -1 << ""
                              << "";
    QTest::newRow("one file") << QStringList{"a.bmp"} << -1 << ""
                              << "";
    QTest::newRow("three files") << QStringList{"a", "b", "c"} << -1 << ""
                                 << "";
    QTest::newRow("an empty name") << QStringList{"", "b.jpg"} << -1 << ""
                                   << "";
    QTest::newRow("quality 101") << QStringList{"-q", "101", "a", "b"} << -1 << ""
                                 << "";
    QTest::newRow("quality -5") << QStringList{"-q", "-5", "a", "b"} << -1 << ""
                                << "";
    QTest::newRow("quality 7.5") << QStringList{"--quality=7.5", "a", "b"} << -1 << ""
                                 << "";
    QTest::newRow("quality missing") << QStringList{"a", "b", "-q"} << -1 << ""
                                     << "";
    QTest::newRow("--help") << QStringList{"--help", "a", "b"} << -1 << ""
                            << "";
    QTest::newRow("--version") << QStringList{"--version"} << -1 << ""
                               << "";
    QTest::newRow("a Qt option") << QStringList{"-platform", "xcb", "a", "b"} << -1 << ""
                                 << "";
}

void TestConverterRules::plainCommandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, quality);
    QFETCH(QString, bmp);
    QFETCH(QString, jpg);

    QList<QByteArray> bytes{"vantler"};
    for (const QString &argument : arguments)
        bytes << argument.toLocal8Bit();
    std::vector<const char *> argv;
    for (const QByteArray &argument : bytes)
        argv.push_back(argument.constData());
    argv.push_back(nullptr);

    VantlerConversion::Request request;
    const bool plain =
        VantlerConversion::parsePlain(static_cast<int>(bytes.size()), argv.data(), request);
    QCOMPARE(plain, quality >= 0);
    if (plain) {
        QCOMPARE(request.quality, quality);
        QCOMPARE(QString::fromStdString(request.bmp), bmp);
        QCOMPARE(QString::fromStdString(request.jpg), jpg);
    }
}

QTEST_MAIN(TestConverterRules)
#include "tst_converterrules.moc"
