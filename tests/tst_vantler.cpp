// Vantler's window under the offscreen platform, with its file dialogs and
// message boxes answered by ScriptedDialogs and the desktop opener watched.

#include "BmpConverter.h"
#include "SingleInstance.h"
#include "TestFiles.h"
#include "VantlerFixture.h"

#include <QtTest>
#include <QtWidgets>
#include <memory>
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

const QColor DarkRed(192, 0, 0);

} // namespace

class TestVantler : public QObject, private VantlerFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

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

private:
    VantlerForm &makeForm(std::unique_ptr<BmpConverter> converter = nullptr);
    template <typename T> T *control(const char *name) const
    {
        auto *widget = m_form->findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    void chooseSource(const QString &file);
    void chooseTarget(const QString &file);
    void convert() { control<QPushButton>("ConvertCommand")->click(); }
    QColor valueColour() const
    {
        return control<QLabel>("ResCaption")->palette().color(QPalette::WindowText);
    }
    QList<ScriptedDialogs::Shown> shownWith(platform::Dialogs::Icon icon) const;
};

VantlerForm &TestVantler::makeForm(std::unique_ptr<BmpConverter> converter)
{
    m_form = std::make_unique<VantlerForm>(m_programFolder, std::move(converter));
    m_form->Form_Load();
    return *m_form;
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
        QTRY_VERIFY_WITH_TIMEOUT(bmpIcon->isHidden() && !jpgIcon->isHidden(), WaitMs);
        QVERIFY(bmpTimer->isActive() != jpgTimer->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(!bmpIcon->isHidden() && jpgIcon->isHidden(), WaitMs);
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
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(lock), WaitMs);

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

QTEST_MAIN(TestVantler)
#include "tst_vantler.moc"
