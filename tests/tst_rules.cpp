// The capture service's rules that need no display: the name filter, the
// counter's arithmetic and text, capture file names and folders, typed
// conversions, what the desktop is asked to open or run, the recent
// captures of the notification-area menu. The readers of
// picture bytes other programs offer are in tst_picturebytes.
#include "CaptureCounter.h"
#include "CaptureList.h"
#include "CaptureNaming.h"
#include "ClipboardAfterCapture.h"
#include "RecordingLauncher.h"
#include "ShellOpen.h"
#include "Steps.h"
#include "Symbols.h"
#include "UserDirs.h"

#include <QtTest>
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
    void shellOpen_runsOnlyProgramsBesideUs_data();
    void shellOpen_runsOnlyProgramsBesideUs();
    void recentCaptures_data();
    void recentCaptures();
    void clipboardMode_readAndStored_data();
    void clipboardMode_readAndStored();
    void clipboardFileFormats_data();
    void clipboardFileFormats();
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

void TestRules::recentCaptures_data()
{
    // What the folder holds: "name@seconds" is a file modified at that
    // second, a name ending in "/" a subfolder; a folder of "-" is none.
    QTest::addColumn<QStringList>("folder");
    QTest::addColumn<QStringList>("newest");
    QTest::newRow("by time, not by number")
        << QStringList{"Pictarro 1.bmp@300", "Pictarro 2.bmp@100", "Pictarro 3.bmp@200"}
        << QStringList{"Pictarro 1.bmp", "Pictarro 3.bmp", "Pictarro 2.bmp"};
    // Captures within one tick of a coarse file-system clock.
    QTest::newRow("same moment: the higher number first")
        << QStringList{"Pictarro 9.png@100", "Pictarro 10.png@100", "Pictarro 8.png@100"}
        << QStringList{"Pictarro 10.png", "Pictarro 9.png", "Pictarro 8.png"};
    QTest::newRow("only the formats Pictarro writes, in any case")
        << QStringList{"notes.txt@600",      "photo.jpeg@500",     "anim.gif@400", "Shot.PNG@300",
                       "Pictarro 2.jpg@200", "Pictarro 1.bmp@100", "bmp@700"}
        << QStringList{"Shot.PNG", "Pictarro 2.jpg", "Pictarro 1.bmp"};
    QStringList twelve;
    QStringList tenNewest;
    for (int n = 1; n <= 12; ++n)
        twelve << QStringLiteral("Pictarro %1.jpg@%2").arg(n).arg(1000 + n);
    for (int n = 12; n >= 3; --n)
        tenNewest << QStringLiteral("Pictarro %1.jpg").arg(n);
    QTest::newRow("ten at most") << twelve << tenNewest;
    QTest::newRow("hidden files and subfolders left out")
        << QStringList{".Pictarro 5.bmp@900", "Older.png/", "Pictarro 4.bmp@100"}
        << QStringList{"Pictarro 4.bmp"};
    QTest::newRow("empty folder") << QStringList{} << QStringList{};
    QTest::newRow("no folder") << QStringList{"-"} << QStringList{};
}

void TestRules::recentCaptures()
{
    QFETCH(QStringList, folder);
    QFETCH(QStringList, newest);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString captures = root.filePath(QStringLiteral("Captured Screens"));
    if (folder != QStringList{"-"})
        QVERIFY(QDir().mkpath(captures));
    for (const QString &entry : std::as_const(folder)) {
        if (entry == "-")
            continue;
        if (entry.endsWith(u'/')) {
            QVERIFY(QDir(captures).mkdir(entry.chopped(1)));
            continue;
        }
        const QString name = entry.section(u'@', 0, 0);
        QFile file(QDir(captures).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("picture");
        QVERIFY(file.flush()); // a later write would make the file newer again
        QVERIFY(file.setFileTime(QDateTime::fromSecsSinceEpoch(entry.section(u'@', 1).toLongLong()),
                                 QFileDevice::FileModificationTime));
    }
    QStringList paths;
    for (const QString &name : std::as_const(newest))
        paths << QDir(captures).filePath(name);
    QCOMPARE(CaptureList::newestIn(captures, 10), paths);
}

QTEST_GUILESS_MAIN(TestRules)
#include "tst_rules.moc"

// ---------------------------------------------------- clipboard after capture

void TestRules::clipboardMode_readAndStored_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("readAs"); // stored again
    QTest::newRow("missing") << ""
                             << "Empty";
    QTest::newRow("Empty") << "Empty"
                           << "Empty";
    QTest::newRow("Picture") << "Picture"
                             << "Picture";
    QTest::newRow("File") << "File"
                          << "File";
    QTest::newRow("other case") << "picture"
                                << "Empty";
    QTest::newRow("blank around") << " File"
                                  << "Empty";
    QTest::newRow("a number") << "1"
                              << "Empty";
}

void TestRules::clipboardMode_readAndStored()
{
    QFETCH(QString, stored);
    QFETCH(QString, readAs);
    QCOMPARE(ClipboardAfterCapture::stored(ClipboardAfterCapture::fromStored(stored)), readAs);
}

void TestRules::clipboardFileFormats_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("uri");
    QTest::newRow("plain") << "/home/ann/Captured/Pictarro_1.png"
                           << QByteArray("file:///home/ann/Captured/Pictarro_1.png");
    QTest::newRow("blank") << "/home/ann/Captured Screens/Pictarro 1.bmp"
                           << QByteArray("file:///home/ann/Captured%20Screens/Pictarro%201.bmp");
    QTest::newRow("reserved and percent")
        << "/tmp/a#b?c%d&e;f=g+h@i:j,k!l'm(n)o*p$q[r]s~t.u-v_w"
        << QByteArray("file:///tmp/a%23b%3Fc%25d%26e%3Bf%3Dg%2Bh%40i%3Aj%2Ck%21l%27m%28n%29o%2Ap"
                      "%24q%5Br%5Ds~t.u-v_w");
    QTest::newRow("non-ASCII as UTF-8")
        << QString::fromUtf8("/home/zoë/Écran 日本.jpg")
        << QByteArray("file:///home/zo%C3%AB/%C3%89cran%20%E6%97%A5%E6%9C%AC.jpg");
    QTest::newRow("line break") << "/tmp/one\ntwo" << QByteArray("file:///tmp/one%0Atwo");
    QTest::newRow("backslash") << "/tmp/a\\b" << QByteArray("file:///tmp/a%5Cb");
}

void TestRules::clipboardFileFormats()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, uri);
    QCOMPARE(ClipboardAfterCapture::fileUri(path), uri);
    const ClipboardAfterCapture::Formats formats = ClipboardAfterCapture::fileFormats(path);
    QStringList types;
    for (const auto &format : formats)
        types << format.first;
    QCOMPARE(types, (QStringList{"text/uri-list", "x-special/gnome-copied-files", "UTF8_STRING",
                                 "text/plain;charset=utf-8"}));
    QCOMPARE(formats[0].second, uri + "\r\n");
    QCOMPARE(formats[1].second, "copy\n" + uri);
    QCOMPARE(formats[2].second, path.toUtf8());
    QCOMPARE(formats[3].second, path.toUtf8());
}
