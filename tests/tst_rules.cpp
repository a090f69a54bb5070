// The capture service's rules that need no display: the name filter, the
// counter's arithmetic and text, capture file names, typed conversions, the
// soundness of offered PNG files, pictures compared row by row.
#include "CaptureCounter.h"
#include "CaptureNaming.h"
#include "OfferedPicture.h"
#include "PictureRows.h"
#include "PngFile.h"
#include "RecordingLauncher.h"
#include "ShellOpen.h"
#include "Steps.h"
#include "Symbols.h"
#include "UserDirs.h"

#include <QImageWriter>
#include <QtTest>
#include <libdeflate.h>
#include <memory>
#include <optional>

Q_DECLARE_METATYPE(std::optional<QString>)
Q_DECLARE_METATYPE(CaptureNaming::Format)

class TestRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void removeSymbols_data();
    void removeSymbols();

    void advancedCounter_data();
    void advancedCounter();

    void customCounter_data();
    void customCounter();

    void captureFile_data();
    void captureFile();
    void plainFileName_data();
    void plainFileName();
    void folderTexts();
    void defaultFolder_data();
    void defaultFolder();

    void toInt32_data();
    void toInt32();
    void toBoolean_data();
    void toBoolean();

    void captureFile_fromHostileInput_staysInTheFolder_data();
    void captureFile_fromHostileInput_staysInTheFolder();
    void folderPath_data();
    void folderPath();
    void pngCheck_data();
    void pngCheck();
    void offeredPicture_readOrRefused_data();
    void offeredPicture_readOrRefused();
    void pictureRows_pngReadsAsItsPixels_data();
    void pictureRows_pngReadsAsItsPixels();
    void shellOpen_runsOnlyProgramsBesideUs_data();
    void shellOpen_runsOnlyProgramsBesideUs();
};

void TestRules::removeSymbols_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("colon") << "My:Shot"
                           << "MyShot";
    QTest::newRow("all nine between letters") << "a\\b/c:d*e?f<g>h|i\""
                                              << "abcdefghi";
    QTest::newRow("only forbidden") << "\\/:*?<>|\""
                                    << "";
    QTest::newRow("blanks kept") << "  Holiday  "
                                 << "  Holiday  ";
    QTest::newRow("unicode kept") << QString::fromUtf8("Écran ½ 日本")
                                  << QString::fromUtf8("Écran ½ 日本");
    QTest::newRow("dots kept") << ".."
                               << "..";
    QTest::newRow("empty") << ""
                           << "";
}

void TestRules::removeSymbols()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(Symbols::RemoveSymbols(text, Symbols::NoWay), expected);
}

void TestRules::advancedCounter_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("counter");
    QTest::addColumn<std::optional<QString>>("expected");
    const std::optional<QString> none;
    QTest::newRow("zero") << "C"
                          << "0" << std::optional<QString>("1");
    QTest::newRow("blanks") << "C"
                            << "  41 " << std::optional<QString>("42");
    QTest::newRow("negative") << "C"
                              << "-4" << std::optional<QString>("-3");
    QTest::newRow("minus one to zero") << "C"
                                       << "-1" << std::optional<QString>("0");
    QTest::newRow("fraction") << "C"
                              << "12.5" << std::optional<QString>("13.5");
    QTest::newRow("small fraction") << "C"
                                    << "0.1" << std::optional<QString>("1.1");
    QTest::newRow("fourteen nines")
        << "C"
        << "99999999999999" << std::optional<QString>("100000000000000");
    QTest::newRow("money maximum")
        << "C"
        << "922337203685476" << std::optional<QString>("922337203685477");
    QTest::newRow("text") << "C"
                          << "12abc" << none;
    QTest::newRow("empty") << "C"
                           << "" << none;
    QTest::newRow("infinity") << "C"
                              << "inf" << none;
    QTest::newRow("not a number") << "C"
                                  << "nan" << none;
    QTest::newRow("german fraction") << "de_DE"
                                     << "12,5" << std::optional<QString>("13,5");
    QTest::newRow("german whole") << "de_DE"
                                  << "1234" << std::optional<QString>("1235");
    QTest::newRow("german reads a point fraction") << "de_DE"
                                                   << "12.5" << std::optional<QString>("13,5");
}

void TestRules::advancedCounter()
{
    QFETCH(QString, locale);
    QFETCH(QString, counter);
    QFETCH(std::optional<QString>, expected);
    QCOMPARE(CaptureCounter::advanced(counter, QLocale(locale)), expected);
}

void TestRules::customCounter_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<std::optional<QString>>("expected");
    const std::optional<QString> none;
    QTest::newRow("between blanks") << "C"
                                    << " 12 " << std::optional<QString>("12");
    QTest::newRow("trailing zero dropped") << "C"
                                           << "12.50" << std::optional<QString>("12.5");
    QTest::newRow("negative") << "C"
                              << "-4" << std::optional<QString>("-4");
    QTest::newRow("plus sign") << "C"
                               << "+7" << std::optional<QString>("7");
    QTest::newRow("whole fraction dropped") << "C"
                                            << "3.0000" << std::optional<QString>("3");
    QTest::newRow("leading point") << "C"
                                   << ".5" << std::optional<QString>("0.5");
    QTest::newRow("rounds to four places") << "C"
                                           << "1.23456" << std::optional<QString>("1.2346");
    QTest::newRow("half to even, down") << "C"
                                        << "1.00005" << std::optional<QString>("1");
    QTest::newRow("half to even, up") << "C"
                                      << "1.00015" << std::optional<QString>("1.0002");
    QTest::newRow("past half") << "C"
                               << "1.000051" << std::optional<QString>("1.0001");
    QTest::newRow("minus zero") << "C"
                                << "-0" << std::optional<QString>("0");
    QTest::newRow("range top") << "C"
                               << "922337203685477.5807"
                               << std::optional<QString>("922337203685477.5807");
    QTest::newRow("range bottom") << "C"
                                  << "-922337203685477.5808"
                                  << std::optional<QString>("-922337203685477.5808");
    QTest::newRow("above range") << "C"
                                 << "922337203685477.5808" << none;
    QTest::newRow("far above range") << "C"
                                     << "99999999999999999999999" << none;
    QTest::newRow("grouped") << "en_US"
                             << "1,234" << std::optional<QString>("1234");
    QTest::newRow("text") << "C"
                          << "abc" << none;
    QTest::newRow("number then text") << "C"
                                      << "12abc" << none;
    QTest::newRow("empty, as Cancel gives") << "C"
                                            << "" << none;
    QTest::newRow("blanks only") << "C"
                                 << "   " << none;
    QTest::newRow("sign only") << "C"
                               << "-" << none;
    QTest::newRow("two points") << "C"
                                << "1.2.3" << none;
    QTest::newRow("exponent") << "C"
                              << "1e3" << none;
    QTest::newRow("german comma") << "de_DE"
                                  << "12,50" << std::optional<QString>("12,5");
    QTest::newRow("german grouping") << "de_DE"
                                     << "1.234,5" << std::optional<QString>("1234,5");
}

void TestRules::customCounter()
{
    QFETCH(QString, locale);
    QFETCH(QString, reply);
    QFETCH(std::optional<QString>, expected);
    QCOMPARE(CaptureCounter::customValue(reply, QLocale(locale)), expected);
}

void TestRules::captureFile_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("counter");
    QTest::addColumn<CaptureNaming::Format>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("bitmap") << "/home/ann/Shots"
                            << "Pictarro"
                            << "5" << CaptureNaming::Format::Bitmap
                            << "/home/ann/Shots/Pictarro 5.bmp";
    QTest::newRow("jpeg") << "/home/ann/Shots"
                          << "Pictarro"
                          << "2" << CaptureNaming::Format::Jpeg << "/home/ann/Shots/Pictarro 2.jpg";
    QTest::newRow("root folder doubles the separator")
        << "/"
        << "Pictarro"
        << "1" << CaptureNaming::Format::Bitmap << "//Pictarro 1.bmp";
    QTest::newRow("text counter used as is")
        << "/s"
        << "Pictarro"
        << "12abc" << CaptureNaming::Format::Bitmap << "/s/Pictarro 12abc.bmp";
    QTest::newRow("empty base name") << "/s"
                                     << ""
                                     << "3" << CaptureNaming::Format::Bitmap << "/s/ 3.bmp";
    QTest::newRow("blanks in the base name")
        << "/s"
        << "  Holiday  "
        << "1" << CaptureNaming::Format::Bitmap << "/s/  Holiday   1.bmp";
    QTest::newRow("png") << "/home/ann/Shots"
                         << "Pictarro"
                         << "3" << CaptureNaming::Format::Png << "/home/ann/Shots/Pictarro 3.png";
}

void TestRules::captureFile()
{
    QFETCH(QString, folder);
    QFETCH(QString, base);
    QFETCH(QString, counter);
    QFETCH(CaptureNaming::Format, format);
    QFETCH(QString, expected);
    QCOMPARE(CaptureNaming::captureFile(folder, base, counter, format), expected);
}

void TestRules::plainFileName_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("counter");
    QTest::addColumn<bool>("plain");
    QTest::newRow("ordinary") << "Pictarro"
                              << "7" << true;
    QTest::newRow("dots only") << ".."
                               << "1" << true;
    QTest::newRow("separator in the counter") << "Pictarro"
                                              << "1/../../x" << false;
    QTest::newRow("separator in the base name") << "a/b"
                                                << "1" << false;
    QTest::newRow("nul in the counter") << "Pictarro" << QString(QChar(u'\0')) << false;
}

void TestRules::plainFileName()
{
    QFETCH(QString, base);
    QFETCH(QString, counter);
    QFETCH(bool, plain);
    QCOMPARE(CaptureNaming::isPlainFileName(base, counter), plain);
}

void TestRules::folderTexts()
{
    QCOMPARE(CaptureNaming::defaultFolder("/opt/Pictarro", true, "/home/ann/Pictures"),
             "/opt/Pictarro/Captured Screens");
    QCOMPARE(CaptureNaming::defaultFolder("/", true, "/home/ann/Pictures"), "//Captured Screens");
    QCOMPARE(CaptureNaming::openCaption("/home/ann/My Shots"), "Open: [ /home/ann/My Shots ]");
}

void TestRules::defaultFolder_data()
{
    // `userDirs` is the text of $XDG_CONFIG_HOME/user-dirs.dirs (null: no
    // such file); `configHome` whether XDG_CONFIG_HOME is set (else the file
    // is looked for in $HOME/.config). Paths in `expected` are below the
    // test's root folder, written as "<root>".
    QTest::addColumn<bool>("programWritable");
    QTest::addColumn<bool>("configHome");
    QTest::addColumn<QString>("userDirs");
    QTest::addColumn<QString>("expected");

    const QString pictures = QStringLiteral("XDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
    QTest::newRow("writable program folder: beside the program")
        << true << true << pictures << "<root>/program/Captured Screens";
    QTest::newRow("read-only: the pictures folder the file names")
        << false << true << pictures << "<root>/home/Bilder/Captured Screens";
    QTest::newRow("read-only: the file found through $HOME/.config")
        << false << false << pictures << "<root>/home/Bilder/Captured Screens";
    QTest::newRow("read-only, no file: $HOME/Pictures")
        << false << true << QString() << "<root>/home/Pictures/Captured Screens";
    QTest::newRow("read-only, no pictures line: $HOME/Pictures")
        << false << true << "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
        << "<root>/home/Pictures/Captured Screens";
    QTest::newRow("an absolute folder, blanks and escaped quote")
        << false << true
        << "# written by xdg-user-dirs-update\nXDG_PICTURES_DIR=\"/srv/My \\\"Shots\\\"\"\n"
        << "/srv/My \"Shots\"/Captured Screens";
    QTest::newRow("the last assignment counts")
        << false << true << pictures + "XDG_PICTURES_DIR=\"$HOME/Fotos\"\n"
        << "<root>/home/Fotos/Captured Screens";
    QTest::newRow("$HOME alone: the home folder")
        << false << true << "XDG_PICTURES_DIR=\"$HOME/\"\n"
        << "<root>/home/Captured Screens";
    QTest::newRow("a relative value is no value")
        << false << true << "XDG_PICTURES_DIR=\"Bilder\"\n"
        << "<root>/home/Pictures/Captured Screens";
    QTest::newRow("$HOMEX is not $HOME") << false << true << "XDG_PICTURES_DIR=\"$HOMEX/Bilder\"\n"
                                         << "<root>/home/Pictures/Captured Screens";
    QTest::newRow("another variable of a similar name")
        << false << true << "XDG_PICTURES_DIRS=\"$HOME/Bilder\"\n"
        << "<root>/home/Pictures/Captured Screens";
    QTest::newRow("blanks around the line, CR LF endings")
        << false << true << "  XDG_PICTURES_DIR=\"$HOME/Bilder\"  \r\n"
        << "<root>/home/Bilder/Captured Screens";
}

void TestRules::defaultFolder()
{
    QFETCH(bool, programWritable);
    QFETCH(bool, configHome);
    QFETCH(QString, userDirs);
    QFETCH(QString, expected);

    const QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString config = configHome ? root.filePath("config") : root.filePath("home/.config");
    QVERIFY(QDir().mkpath(config));
    if (!userDirs.isNull()) {
        QFile file(config + "/user-dirs.dirs");
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write(userDirs.toUtf8()) == userDirs.toUtf8().size());
    }
    QProcessEnvironment environment;
    environment.insert("HOME", root.filePath("home"));
    if (configHome)
        environment.insert("XDG_CONFIG_HOME", config);

    const QString folder = CaptureNaming::defaultFolder(
        root.filePath("program"), programWritable, platform::UserDirs::picturesFolder(environment));
    QCOMPARE(folder, QString(expected).replace("<root>", root.path()));
}

void TestRules::toInt32_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("expected");
    QTest::newRow("plain") << "75" << true << 75;
    QTest::newRow("blanks") << " 75 " << true << 75;
    QTest::newRow("negative") << "-3" << true << -3;
    QTest::newRow("half rounds to even") << "2.5" << true << 2;
    QTest::newRow("fraction rounds") << "75.6" << true << 76;
    QTest::newRow("too large") << "3000000000" << false << 0;
    QTest::newRow("text") << "abc" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
}

void TestRules::toInt32()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, expected);
    int value = 0;
    QCOMPARE(attempt("convert", [&] { value = Convert::toInt32(text); }), ok);
    QCOMPARE(value, expected);
}

void TestRules::toBoolean_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("expected");
    QTest::newRow("True") << "True" << true << true;
    QTest::newRow("false any case") << "fALSE" << true << false;
    QTest::newRow("non-zero number") << "-1" << true << true;
    QTest::newRow("zero") << "0" << true << false;
    QTest::newRow("yes is not a truth value") << "yes" << false << false;
    QTest::newRow("empty") << "" << false << false;
}

void TestRules::toBoolean()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(bool, expected);
    bool value = false;
    QCOMPARE(attempt("convert", [&] { value = Convert::toBoolean(text); }), ok);
    QCOMPARE(value, expected);
}

void TestRules::captureFile_fromHostileInput_staysInTheFolder_data()
{
    QTest::addColumn<QString>("typed"); // into the base name field, or read from the store
    QTest::addColumn<QString>("counter");
    QTest::newRow("climbing up") << "../../etc/passwd"
                                 << "1";
    QTest::newRow("subfolders") << "a/b/c"
                                << "2";
    QTest::newRow("parent folder alone") << ".."
                                         << "3";
    QTest::newRow("current folder alone") << "."
                                          << "4";
    QTest::newRow("root") << "/"
                          << "5";
    QTest::newRow("windows separators") << "..\\..\\Windows"
                                        << "6";
    QTest::newRow("drive") << "C:\\shots"
                           << "7";
    QTest::newRow("home") << "~/shot"
                          << "8";
    QTest::newRow("shell syntax") << "$(rm -rf ~)`x`"
                                  << "-4";
    QTest::newRow("line breaks") << "one\ntwo"
                                 << "12.5";
    QTest::newRow("only forbidden characters") << "\\/:*?<>|\""
                                               << "99999999999999";
}

void TestRules::captureFile_fromHostileInput_staysInTheFolder()
{
    QFETCH(QString, typed);
    QFETCH(QString, counter);
    const QString folder = QStringLiteral("/home/user/Captured Screens");
    const QString baseName = Symbols::RemoveSymbols(typed, Symbols::NoWay);
    QVERIFY(CaptureNaming::isPlainFileName(baseName, counter));
    for (const auto format :
         {CaptureNaming::Format::Bitmap, CaptureNaming::Format::Jpeg, CaptureNaming::Format::Png}) {
        const QString file = CaptureNaming::captureFile(folder, baseName, counter, format);
        // A file right in the folder: no subfolder, no way up or out.
        QCOMPARE(QFileInfo(file).path(), folder);
        QCOMPARE(QDir::cleanPath(file), file);
        QVERIFY(!QFileInfo(file).fileName().contains(u'/'));
    }
}

void TestRules::folderPath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("usable");
    QTest::newRow("absolute") << "/home/user/shots" << true;
    QTest::newRow("root") << "/" << true;
    QTest::newRow("with blanks") << "/home/user/my shots " << true;
    QTest::newRow("relative") << "shots" << false;
    QTest::newRow("dot relative") << "./shots" << false;
    QTest::newRow("home shorthand") << "~/shots" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("NUL") << QStringLiteral("/home/user/shots") + QChar(u'\0') + "x" << false;
}

void TestRules::folderPath()
{
    QFETCH(QString, folder);
    QFETCH(bool, usable);
    QCOMPARE(CaptureNaming::isFolderPath(folder), usable);
}

namespace {

void writeFile(const QString &path, const QByteArray &bytes, bool executable)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    auto permissions = file.permissions();
    if (executable)
        permissions |= QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    QVERIFY(file.setPermissions(permissions));
}

} // namespace

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

QByteArray encoded(const QImage &picture, const char *format, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    writer.write(picture);
    return bytes;
}

} // namespace

void TestRules::pngCheck_data()
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

void TestRules::pngCheck()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, length);
    QFETCH(QSize, size);
    const PngFile::Check check = PngFile::check(bytes);
    QCOMPARE(check.length, length < 0 ? bytes.size() : length);
    QCOMPARE(check.sound(), length != 0);
    QCOMPARE(check.size, size);
}

void TestRules::offeredPicture_readOrRefused_data()
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
    QTest::newRow("bitmap header claiming 100000 x 100000")
        << claim << "image/bmp" << Outcome::Unreadable << QSize();
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

void TestRules::offeredPicture_readOrRefused()
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

void TestRules::pictureRows_pngReadsAsItsPixels_data()
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

void TestRules::pictureRows_pngReadsAsItsPixels()
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

void TestRules::shellOpen_runsOnlyProgramsBesideUs_data()
{
    // Paths below the program folder; every file has its execute bit set.
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("started");
    const QByteArray elf("\x7f"
                         "ELF\x02\x01\x01",
                         7);
    QTest::newRow("the converter beside the program") << "Vantler" << elf << true;
    QTest::newRow("capture in the capture folder")
        << "Captured Screens/Pictarro 1.bmp" << QByteArray("BM6") << false;
    QTest::newRow("capture beside the program")
        << "Pictarro 2.jpg" << QByteArray("\xff\xd8") << false;
    QTest::newRow("sound file") << "Sounds/Sound 1.wav" << QByteArray("RIFF") << false;
    QTest::newRow("document") << "License Agreement.rtf" << QByteArray("{\\rtf1 }") << false;
    QTest::newRow("script beside the program") << "tool.sh" << QByteArray("#!/bin/sh\n") << false;
    QTest::newRow("program disguised as a capture, in the capture folder")
        << "Captured Screens/Pictarro 3.bmp" << elf << false;
}

void TestRules::shellOpen_runsOnlyProgramsBesideUs()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(bool, started);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString programFolder = root.filePath(QStringLiteral("program"));
    const QString path = programFolder + u'/' + file;
    writeFile(path, content, true);
    if (QTest::currentTestFailed())
        return;

    RecordingLauncher launcher;
    platform::shellOpen(path, programFolder);
    if (started) {
        QCOMPARE(launcher.started, QStringList{QFileInfo(path).canonicalFilePath()});
        QVERIFY(launcher.opened.isEmpty());
    } else {
        QVERIFY2(launcher.started.isEmpty(), qPrintable(launcher.started.join(u' ')));
        QCOMPARE(launcher.opened, QList<QUrl>{QUrl::fromLocalFile(path)});
    }
}

QTEST_GUILESS_MAIN(TestRules)
#include "tst_rules.moc"
