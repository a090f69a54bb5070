// Vantler's window under the offscreen platform, with its file dialogs and
// message boxes answered by ScriptedDialogs and the desktop opener watched.

#include "BmpConverter.h"
#include "JpegEncoder.h"
#include "RecordingLauncher.h"
#include "ScriptedDialogs.h"
#include "ShellOpen.h"
#include "SingleInstance.h"
#include "VantlerCommandLine.h"
#include "VantlerConversion.h"
#include "VantlerForm.h"
#include "VantlerRules.h"

#include <QtTest>
#include <QtWidgets>
#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Remembers what it was asked to convert and answers as told.
struct RecordingConverter : BmpConverter
{
    struct Call
    {
        QString bmp;
        QString jpg;
        int quality;
    };
    QList<Call> calls;
    Result answer{true, {}};
    Result convert(const QString &bmp, const QString &jpg, int quality) override
    {
        calls << Call{bmp, jpg, quality};
        return answer;
    }
};

// A noisy picture, so that its JPEG is far larger than a few kilobytes.
QImage noisyPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245U + 12345U;
            line[x] = qRgb(static_cast<int>(seed >> 24), static_cast<int>((seed >> 16) & 0xFF),
                           (x * 255) / width);
        }
    }
    return image;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Holds the file size limit of this process for a scope, as a full disk
// would: writes past it fail with EFBIG instead of ending the process.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool ok() const { return m_ok; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};

const QColor DarkRed(192, 0, 0);

} // namespace

class TestVantler : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    // Rules.
    void convertEnabled_needsBothPaths_data();
    void convertEnabled_needsBothPaths();
    void sentence_data();
    void sentence();
    void readSource_acceptsBitmapsOnly_data();
    void readSource_acceptsBitmapsOnly();
    void sameFile_seesThroughLinks();

    // The window.
    void start_nothingChosen_sliderAndConvertDisabled();
    void choices_enableSliderAndConvert_data();
    void choices_enableSliderAndConvert();
    void dialogs_carryTheirTitlesAndFilters();
    void cancelledSource_changesNothing();
    void cancelledTarget_blackValue_targetAndConvertKept();
    void refusedSource_toldAndSourceKept_data();
    void refusedSource_toldAndSourceKept();
    void quality37_shownAndPassedToEncoder();
    void convert_writesCompleteJpegAndOpensIt();
    void convert_targetWithoutExtension_usedAsTyped();
    void convert_existingTarget_replacedWithoutQuestion();
    void convert_failure_toldAndNothingOpened_data();
    void convert_failure_toldAndNothingOpened();
    void convert_targetIsTheSource_refused();
    void preview_opensTheSourceOnceChosen();
    void icons_alternateEverySecond();
    void close_endsTheProgram();
    void secondCopy_endsAtOnce();

    // The command line.
    void commandLine_data();
    void commandLine();
    void plainCommandLine_data();
    void plainCommandLine();

private:
    VantlerForm &makeForm(std::unique_ptr<BmpConverter> converter = nullptr);
    template <typename T> T *control(const char *name) const
    {
        auto *widget = m_form->findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    QString path(const QString &name) const { return m_root->filePath(name); }
    QString makeBitmap(const QString &name, int width = 64, int height = 48);
    void chooseSource(const QString &file);
    void chooseTarget(const QString &file);
    void convert() { control<QPushButton>("ConvertCommand")->click(); }
    QColor valueColour() const
    {
        return control<QLabel>("ResCaption")->palette().color(QPalette::WindowText);
    }
    QList<ScriptedDialogs::Shown> shownWith(platform::Dialogs::Icon icon) const;
    QStringList filesIn(const QString &folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

    std::unique_ptr<QTemporaryDir> m_root;
    QString m_programFolder;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<RecordingLauncher> m_launcher;
    std::unique_ptr<VantlerForm> m_form;
};

void TestVantler::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    m_programFolder = path("program");
    QVERIFY(QDir().mkpath(m_programFolder));
    QVERIFY(QFile::copy(QStringLiteral(PICTARRO_BIN_DIR "/libbmp2jpeg.so"),
                        m_programFolder + "/libbmp2jpeg.so"));
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_launcher = std::make_unique<RecordingLauncher>();
}

void TestVantler::cleanup()
{
    m_form.reset();
    m_launcher.reset();
    m_dialogs.reset();
    m_root.reset();
}

VantlerForm &TestVantler::makeForm(std::unique_ptr<BmpConverter> converter)
{
    m_form = std::make_unique<VantlerForm>(m_programFolder, std::move(converter));
    m_form->Form_Load();
    return *m_form;
}

QString TestVantler::makeBitmap(const QString &name, int width, int height)
{
    const QString file = path(name);
    if (!noisyPicture(width, height).save(file, "BMP"))
        qFatal("cannot write %s", qPrintable(file));
    return file;
}

void TestVantler::chooseSource(const QString &file)
{
    m_dialogs->chooseNext(file);
    control<QPushButton>("SelectBMP")->click();
}

void TestVantler::chooseTarget(const QString &file)
{
    m_dialogs->chooseNext(file);
    control<QPushButton>("SelectJPG")->click();
}

QList<ScriptedDialogs::Shown> TestVantler::shownWith(platform::Dialogs::Icon icon) const
{
    QList<ScriptedDialogs::Shown> result;
    for (const ScriptedDialogs::Shown &shown : m_dialogs->shown) {
        if (shown.icon == icon)
            result << shown;
    }
    return result;
}

// ------------------------------------------------------------------ rules

void TestVantler::convertEnabled_needsBothPaths_data()
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

void TestVantler::convertEnabled_needsBothPaths()
{
    QFETCH(QString, source);
    QFETCH(QString, target);
    QFETCH(bool, enabled);
    QCOMPARE(VantlerRules::convertEnabled(source, target), enabled);
    QCOMPARE(VantlerRules::qualityEnabled(target), !target.isEmpty());
}

void TestVantler::sentence_data()
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

void TestVantler::sentence()
{
    QFETCH(QString, reason);
    QFETCH(QString, expected);
    QCOMPARE(VantlerRules::sentence(reason), expected);
}

void TestVantler::readSource_acceptsBitmapsOnly_data()
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

void TestVantler::readSource_acceptsBitmapsOnly()
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

void TestVantler::sameFile_seesThroughLinks()
{
    const QString bitmap = makeBitmap("a.bmp");
    QVERIFY(QFile::link(bitmap, path("link.bmp")));
    QVERIFY(VantlerRules::sameFile(bitmap, bitmap));
    QVERIFY(VantlerRules::sameFile(bitmap, path("link.bmp")));
    QVERIFY(VantlerRules::sameFile(bitmap, path("./a.bmp")));
    QVERIFY(!VantlerRules::sameFile(bitmap, path("a.jpg")));
    QVERIFY(!VantlerRules::sameFile(path("missing.bmp"), path("missing.bmp.jpg")));
}

// ----------------------------------------------------------------- window

void TestVantler::start_nothingChosen_sliderAndConvertDisabled()
{
    VantlerForm &form = makeForm();
    QCOMPARE(form.windowTitle(), "Pictarro - Vantler");
    QCOMPARE(form.size(), QSize(479, 533)); // 7185 x 7995 twips
    QCOMPARE(control<QPushButton>("SelectBMP")->text(), "BMP - Browse...");
    QCOMPARE(control<QPushButton>("SelectJPG")->text(), "JPG - Browse...");
    QCOMPARE(control<QPushButton>("ConvertCommand")->text(), "Convert Now!");
    QCOMPARE(control<QPushButton>("Command1")->text(), "Close Vantler");
    QVERIFY(control<QLineEdit>("BMPPAth")->text().isEmpty());
    QVERIFY(control<QLineEdit>("JPGPath")->text().isEmpty());
    QVERIFY(control<QLineEdit>("BMPPAth")->isReadOnly());
    QVERIFY(control<QLineEdit>("JPGPath")->isReadOnly());
    QCOMPARE(control<QSlider>("Res")->value(), 100);
    QCOMPARE(control<QLabel>("ResCaption")->text(), "100");
    QVERIFY(!control<QSlider>("Res")->isEnabled());
    QVERIFY(!control<QPushButton>("ConvertCommand")->isEnabled());
    QVERIFY(!control<QLabel>("BMPImage")->isHidden());
    QVERIFY(control<QLabel>("JPGImage")->isHidden());
    QVERIFY(!control<QLabel>("Preview")->pixmap().isNull());
    for (const char *art : {"bmp-file.svg", "jpg-file.svg", "preview.svg", "vantler.svg"})
        QVERIFY2(QFile::exists(QStringLiteral(":/vantler/") + art), art);
    QCOMPARE(form.focusWidget(), control<QLineEdit>("Text1"));
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestVantler::choices_enableSliderAndConvert_data()
{
    // Steps: S a bitmap as source, X a file that is not one, s the open
    // dialog cancelled, T a target, t the save dialog cancelled.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<bool>("sliderEnabled");
    QTest::addColumn<bool>("convertEnabled");
    QTest::newRow("source only") << "S" << false << false;
    QTest::newRow("target only") << "T" << true << false;
    QTest::newRow("source then target") << "ST" << true << true;
    QTest::newRow("target then source") << "TS" << true << true;
    QTest::newRow("source cancelled") << "s" << false << false;
    QTest::newRow("target cancelled") << "t" << false << false;
    QTest::newRow("both, then source cancelled") << "STs" << true << true;
    QTest::newRow("both, then target cancelled") << "STt" << false << true;
    QTest::newRow("target cancelled, then chosen") << "tT" << true << false;
    QTest::newRow("target only, cancelled again") << "Tt" << false << false;
    QTest::newRow("refused source with a target") << "TX" << true << false;
    QTest::newRow("refused source after a good one") << "STX" << true << true;
    QTest::newRow("both, target cancelled, chosen again") << "STtT" << true << true;
}

void TestVantler::choices_enableSliderAndConvert()
{
    QFETCH(QString, steps);
    QFETCH(bool, sliderEnabled);
    QFETCH(bool, convertEnabled);
    const QString bitmap = makeBitmap("a.bmp");
    QVERIFY(writeFile(path("not-a-bitmap.bmp"), "text"));
    makeForm();
    for (const QChar step : steps) {
        switch (step.toLatin1()) {
        case 'S':
            chooseSource(bitmap);
            break;
        case 'X':
            chooseSource(path("not-a-bitmap.bmp"));
            break;
        case 's':
            chooseSource({});
            break;
        case 'T':
            chooseTarget(path("a.jpg"));
            break;
        case 't':
            chooseTarget({});
            break;
        }
    }
    QCOMPARE(control<QSlider>("Res")->isEnabled(), sliderEnabled);
    QCOMPARE(control<QPushButton>("ConvertCommand")->isEnabled(), convertEnabled);
    QCOMPARE(valueColour(), sliderEnabled ? DarkRed : QColor(Qt::black));
    QCOMPARE(control<QLabel>("Label18")->palette().color(QPalette::WindowText), valueColour());
}

void TestVantler::dialogs_carryTheirTitlesAndFilters()
{
    makeForm();
    chooseSource({});
    chooseTarget({});
    QCOMPARE(m_dialogs->fileDialogs.size(), 2);
    QCOMPARE(m_dialogs->fileDialogs[0],
             (QStringList{"open", "Select your BMP image..", "BMP Image (*.bmp)", ""}));
    QCOMPARE(m_dialogs->fileDialogs[1],
             (QStringList{"save", "Save your JPG Image as..", "JPG Image (*.jpg)", ""}));
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestVantler::cancelledSource_changesNothing()
{
    const QString bitmap = makeBitmap("a.bmp");
    makeForm();
    chooseSource(bitmap);
    auto *preview = control<QLabel>("Preview");
    const qint64 shown = preview->pixmap().cacheKey();
    QCOMPARE(preview->toolTip(), bitmap);

    chooseSource({});
    QCOMPARE(control<QLineEdit>("BMPPAth")->text(), bitmap);
    QCOMPARE(preview->pixmap().cacheKey(), shown);
    QCOMPARE(preview->toolTip(), bitmap);
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestVantler::cancelledTarget_blackValue_targetAndConvertKept()
{
    const QString bitmap = makeBitmap("a.bmp");
    makeForm();
    chooseSource(bitmap);
    chooseTarget(path("a.jpg"));
    QCOMPARE(valueColour(), DarkRed);
    QVERIFY(control<QPushButton>("ConvertCommand")->isEnabled());

    chooseTarget({});
    QCOMPARE(control<QLineEdit>("JPGPath")->text(), path("a.jpg"));
    QVERIFY(!control<QSlider>("Res")->isEnabled());
    QCOMPARE(valueColour(), QColor(Qt::black));
    QVERIFY(control<QPushButton>("ConvertCommand")->isEnabled());
}

void TestVantler::refusedSource_toldAndSourceKept_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("exists");
    QTest::newRow("text file") << QByteArray("just some text") << true;
    QTest::newRow("damaged bitmap") << QByteArray("BM") + QByteArray(40, '\x7f') << true;
    QTest::newRow("gone before it was read") << QByteArray() << false;
}

void TestVantler::refusedSource_toldAndSourceKept()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, exists);
    const QString good = makeBitmap("good.bmp");
    const QString bad = path("bad file.bmp");
    if (exists)
        QVERIFY(writeFile(bad, bytes));
    makeForm();
    chooseSource(good);
    const qint64 shown = control<QLabel>("Preview")->pixmap().cacheKey();

    chooseSource(bad);
    QCOMPARE(m_dialogs->shown.size(), 1);
    const ScriptedDialogs::Shown message = m_dialogs->shown.first();
    QCOMPARE(message.icon, platform::Dialogs::Icon::Critical);
    QCOMPARE(message.title, "Vantler");
    QVERIFY2(message.text.contains(bad), qPrintable(message.text));
    QCOMPARE(control<QLineEdit>("BMPPAth")->text(), good);
    QCOMPARE(control<QLabel>("Preview")->pixmap().cacheKey(), shown);
    QCOMPARE(control<QLabel>("Preview")->toolTip(), good);
}

void TestVantler::quality37_shownAndPassedToEncoder()
{
    auto converter = std::make_unique<RecordingConverter>();
    RecordingConverter *calls = converter.get();
    makeForm(std::move(converter));
    const QString bitmap = makeBitmap("a.bmp");
    chooseSource(bitmap);
    chooseTarget(path("a.jpg"));

    control<QSlider>("Res")->setValue(37);
    QCOMPARE(control<QLabel>("ResCaption")->text(), "37");
    convert();
    QCOMPARE(calls->calls.size(), 1);
    QCOMPARE(calls->calls[0].bmp, bitmap);
    QCOMPARE(calls->calls[0].jpg, path("a.jpg"));
    QCOMPARE(calls->calls[0].quality, 37);

    // The same pair converts again at another quality.
    control<QSlider>("Res")->setValue(0);
    QCOMPARE(control<QLabel>("ResCaption")->text(), "0");
    convert();
    QCOMPARE(calls->calls.size(), 2);
    QCOMPARE(calls->calls[1].quality, 0);
}

void TestVantler::convert_writesCompleteJpegAndOpensIt()
{
    const QString bitmap = makeBitmap("screen shot.bmp", 120, 80);
    const QString target = path("screen shot.jpg");
    makeForm();
    chooseSource(bitmap);
    chooseTarget(target);
    convert();

    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(m_dialogs->shown[0].icon, platform::Dialogs::Icon::Information);
    QCOMPARE(m_dialogs->shown[0].title, "Vantler");
    QCOMPARE(m_dialogs->shown[0].text,
             "Your selected image has been successfully converted!\r\n" + target);
    QImageReader reader(target);
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    QCOMPARE(reader.read().size(), QSize(120, 80));
    QCOMPARE(m_launcher->opened, QList<QUrl>{QUrl::fromLocalFile(target)});
    QVERIFY(m_launcher->started.isEmpty());
    // Nothing of the conversion changes the choices.
    QCOMPARE(control<QLineEdit>("BMPPAth")->text(), bitmap);
    QCOMPARE(control<QLineEdit>("JPGPath")->text(), target);
    QVERIFY(control<QPushButton>("ConvertCommand")->isEnabled());
    QCOMPARE(filesIn(m_root->path()).size(), 2);
}

void TestVantler::convert_targetWithoutExtension_usedAsTyped()
{
    makeForm();
    chooseSource(makeBitmap("a.bmp"));
    chooseTarget(path("holiday"));
    convert();
    QCOMPARE(QImageReader(path("holiday")).format(), QByteArray("jpeg"));
    QVERIFY(!QFileInfo::exists(path("holiday.jpg")));
    QCOMPARE(m_launcher->opened, QList<QUrl>{QUrl::fromLocalFile(path("holiday"))});
}

void TestVantler::convert_existingTarget_replacedWithoutQuestion()
{
    QVERIFY(writeFile(path("a.jpg"), "an older file"));
    makeForm();
    chooseSource(makeBitmap("a.bmp", 30, 20));
    chooseTarget(path("a.jpg"));
    convert();
    QCOMPARE(QImageReader(path("a.jpg")).read().size(), QSize(30, 20));
    QVERIFY(shownWith(platform::Dialogs::Icon::Question).isEmpty());
    QCOMPARE(shownWith(platform::Dialogs::Icon::Information).size(), 1);
}

void TestVantler::convert_failure_toldAndNothingOpened_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reason");
    QTest::newRow("bitmap damaged after it was chosen") << "damaged"
                                                        << "damaged";
    QTest::newRow("bitmap deleted after it was chosen") << "deleted"
                                                        << "cannot be read";
    QTest::newRow("target folder missing") << "no folder"
                                           << "cannot be written";
    QTest::newRow("target folder read-only") << "read-only"
                                             << "Permission denied";
    QTest::newRow("disk full") << "full"
                               << "cannot be written";
    QTest::newRow("older target kept") << "damaged, older target"
                                       << "damaged";
    QTest::newRow("encoder missing") << "no encoder"
                                     << "libbmp2jpeg.so";
}

void TestVantler::convert_failure_toldAndNothingOpened()
{
    QFETCH(QString, fault);
    QFETCH(QString, reason);
    if (fault == "read-only" && ::geteuid() == 0)
        QSKIP("root writes into read-only folders");

    const QString bitmap = makeBitmap("a.bmp", 400, 300);
    QString targetFolder = path("out");
    QVERIFY(QDir().mkpath(targetFolder));
    if (fault == "no folder")
        targetFolder = path("gone");
    const QString target = targetFolder + "/a.jpg";
    if (fault.contains("older target"))
        QVERIFY(writeFile(target, "keep me"));
    if (fault == "no encoder")
        QVERIFY(QFile::remove(m_programFolder + "/libbmp2jpeg.so"));

    makeForm();
    chooseSource(bitmap);
    chooseTarget(target);
    if (fault.startsWith("damaged"))
        QVERIFY(writeFile(bitmap, readFile(bitmap).left(2000)));
    if (fault == "deleted")
        QVERIFY(QFile::remove(bitmap));
    if (fault == "read-only")
        QVERIFY(QFile::setPermissions(targetFolder, QFile::ReadOwner | QFile::ExeOwner));
    {
        std::unique_ptr<FileSizeLimit> limit;
        if (fault == "full") {
            limit = std::make_unique<FileSizeLimit>(4096);
            QVERIFY(limit->ok());
        }
        convert();
    }
    if (fault == "read-only")
        QFile::setPermissions(targetFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QCOMPARE(m_dialogs->shown.size(), 1);
    const ScriptedDialogs::Shown message = m_dialogs->shown.first();
    QCOMPARE(message.icon, platform::Dialogs::Icon::Critical);
    QCOMPARE(message.title, "Vantler");
    QVERIFY2(message.text.contains(target), qPrintable(message.text));
    QVERIFY2(message.text.contains(bitmap), qPrintable(message.text));
    QVERIFY2(message.text.contains(reason), qPrintable(message.text));
    QVERIFY(!message.text.contains("successfully"));
    QVERIFY(m_launcher->opened.isEmpty());
    QVERIFY(m_launcher->started.isEmpty());
    if (fault.contains("older target"))
        QCOMPARE(readFile(target), QByteArray("keep me"));
    else
        QVERIFY(!QFileInfo::exists(target));
    if (QFileInfo(targetFolder).isDir())
        QCOMPARE(filesIn(targetFolder).size(), fault.contains("older target") ? 1 : 0);
}

void TestVantler::convert_targetIsTheSource_refused()
{
    auto converter = std::make_unique<RecordingConverter>();
    RecordingConverter *calls = converter.get();
    const QString bitmap = makeBitmap("a.bmp");
    const QByteArray before = readFile(bitmap);
    makeForm(std::move(converter));
    chooseSource(bitmap);
    chooseTarget(bitmap);
    convert();
    QVERIFY(calls->calls.isEmpty());
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(m_dialogs->shown[0].icon, platform::Dialogs::Icon::Critical);
    QVERIFY(m_dialogs->shown[0].text.contains(bitmap));
    QCOMPARE(readFile(bitmap), before);
    QVERIFY(m_launcher->opened.isEmpty());
}

void TestVantler::preview_opensTheSourceOnceChosen()
{
    VantlerForm &form = makeForm();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *preview = control<QLabel>("Preview");
    QCOMPARE(preview->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(preview, Qt::LeftButton);
    QVERIFY(m_launcher->opened.isEmpty());

    const QString bitmap = makeBitmap("with blanks in it.bmp");
    chooseSource(bitmap);
    QTest::mouseClick(preview, Qt::LeftButton);
    QTest::mouseClick(preview, Qt::LeftButton);
    QCOMPARE(m_launcher->opened,
             (QList<QUrl>{QUrl::fromLocalFile(bitmap), QUrl::fromLocalFile(bitmap)}));
    QVERIFY(m_launcher->started.isEmpty());
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestVantler::icons_alternateEverySecond()
{
    makeForm();
    auto *bmpIcon = control<QLabel>("BMPImage");
    auto *jpgIcon = control<QLabel>("JPGImage");
    auto *bmpTimer = m_form->findChild<QTimer *>("BMPTimer");
    auto *jpgTimer = m_form->findChild<QTimer *>("JPGTimer");
    QVERIFY(bmpTimer && jpgTimer);
    QVERIFY(bmpTimer->isActive() && jpgTimer->isActive());
    QCOMPARE(bmpTimer->interval(), 1000);
    QCOMPARE(jpgTimer->interval(), 1000);

    for (int round = 0; round < 2; ++round) {
        QTRY_VERIFY_WITH_TIMEOUT(bmpIcon->isHidden() && !jpgIcon->isHidden(), 5000);
        QVERIFY(bmpTimer->isActive() != jpgTimer->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(!bmpIcon->isHidden() && jpgIcon->isHidden(), 5000);
        QVERIFY(bmpTimer->isActive() != jpgTimer->isActive());
    }
}

void TestVantler::close_endsTheProgram()
{
    VantlerForm &form = makeForm();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QSignalSpy ended(&form, &VantlerForm::endRequested);
    control<QPushButton>("Command1")->click();
    QCOMPARE(ended.size(), 1);
    QVERIFY(!form.isVisible());
}

void TestVantler::secondCopy_endsAtOnce()
{
    const QString program = QStringLiteral(PICTARRO_BIN_DIR "/Vantler");
    QVERIFY(QFileInfo(program).isExecutable());
    QProcess first;
    first.setProgram(program);
    first.start();
    QVERIFY(first.waitForStarted());
    // The lock is taken before the window appears.
    const QString lock = platform::SingleInstance::lockPath("Vantler");
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(lock), 10000);

    QProcess second;
    second.setProgram(program);
    second.start();
    QVERIFY(second.waitForStarted());
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(second.readAllStandardOutput().isEmpty());
    QCOMPARE(first.state(), QProcess::Running);

    first.kill();
    QVERIFY(first.waitForFinished(10000));
}

void TestVantler::commandLine_data()
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

void TestVantler::commandLine()
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

void TestVantler::plainCommandLine_data()
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

void TestVantler::plainCommandLine()
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

QTEST_MAIN(TestVantler)
#include "tst_vantler.moc"
