// The main window on the offscreen platform: start-up from an empty and a
// stored store, every control storing its value as it changes, and the
// capture service from clipboard to file.
#include "CaptureEngine.h"
#include "Clipboard.h"
#include "MainForm.h"
#include "MediaPlayer.h"
#include "ScriptedDialogs.h"
#include "SettingsStore.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// How long a test waits for what it expects: generous, as a loaded machine
// may be slow; a wait ends as soon as the expectation holds.
constexpr int WaitMs = 20000;

using Icon = platform::Dialogs::Icon;
using Answer = platform::Dialogs::Answer;

QImage testPicture(int width = 53, int height = 31)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x * y) % 256));
    }
    return image;
}

QClipboard *clipboard()
{
    return QGuiApplication::clipboard();
}

// The picture as a PNG file that Pictarro's encoder would never write: Qt's
// writer, with a comment.
QByteArray pngFileOf(const QImage &picture, const QString &comment = QStringLiteral("offered"))
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setText(QStringLiteral("Comment"), comment);
    writer.write(picture);
    return png;
}

// Offers a picture as programs do: decoded, and, when given, also as the PNG
// file (image/png) nearly every Linux program offers beside it.
void offer(const QImage &picture, const QByteArray &png = {})
{
    auto *data = new QMimeData; // the clipboard takes ownership
    data->setImageData(picture);
    if (!png.isEmpty())
        data->setData(QStringLiteral("image/png"), png);
    clipboard()->setMimeData(data);
}

// A short, valid WAV file: a tenth of a second of a quiet tone.
void writeWav(const QString &path)
{
    const int rate = 8000;
    const int samples = rate / 10;
    QByteArray data;
    for (int i = 0; i < samples; ++i) {
        const auto value = static_cast<qint16>(1000 * std::sin(i * 0.3));
        data.append(static_cast<char>(value & 0xff)).append(static_cast<char>((value >> 8) & 0xff));
    }
    QByteArray wav;
    QDataStream out(&wav, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + data.size());
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(rate) << quint32(rate * 2)
        << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(data.size());
    out.writeRawData(data.constData(), data.size());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(wav);
}

} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void load_emptyStore_appliesDefaults();
    void load_storedValues_data();
    void load_storedValues();
    void load_leavesClipboardEmpty();

    void baseName_typed_isFilteredAndStored_data();
    void baseName_typed_isFilteredAndStored();
    void baseName_keepsAtMostFiftyCharacters();
    void noWaySymbols_explainsTheForbiddenCharacters();
    void customCounter_data();
    void customCounter();
    void resetCounter_storesZero();
    void format_and_quality_areStoredAsTheyChange();
    void quality_mouseOverSlider_storesAgain();
    void defaultFolder_onlyOnYes_data();
    void defaultFolder_onlyOnYes();
    void openCaption_followsTheFolder();
    void deletedFolder_isRecreated();

    void capture_isPixelExact_andNumbered_data();
    void capture_isPixelExact_andNumbered();
    void capture_jpeg_usesTheQuality();
    void capture_leavesTextAlone_data();
    void capture_leavesTextAlone();
    void capture_pictureBesideHtml_isSaved();
    void capture_missingFolder_oneMessage_pictureDropped();
    void capture_switchedOff_waits_untilSwitchedOn();
    void capture_wrapsAfterFourteenNines();
    void capture_neverReplacesAnEarlierFile();
    void capture_textCounter_isUsedAsItStands();
    void capture_counterFromDamagedStore_staysInTheFolder();
    void capture_unwritableFolder_saysSo_andLeavesNothing();
    void capture_withoutEncoder_saysSo();
    void capture_playsTheSound();
    void capture_refillingManager_savedOnce_noLoop_data();
    void capture_refillingManager_savedOnce_noLoop();
    void capture_refillingManager_failedPicture_oneMessage();
    void load_unusableFolder_fallsBackToDefault_data();
    void load_unusableFolder_fallsBackToDefault();

    void engine_readsTheSettingsAtEachCapture();

private:
    MainForm &makeForm(bool withEncoder = true);
    void storeSetting(const QString &section, const QString &key, const QString &value);
    QString stored(const QString &section, const QString &key) const;
    template <typename T> T *control(const char *name) const
    {
        auto *widget = m_form->findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    CaptureEngine *engine() const { return control<CaptureEngine>("CaptureEngine"); }
    void tick() { engine()->CaptureTimer_Timer(); }
    QString captureFolder() const { return control<QLineEdit>("CapturePath")->text(); }
    QStringList captures() const
    {
        return QDir(captureFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    std::unique_ptr<QTemporaryDir> m_root;
    MainForm::Environment m_env;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<MainForm> m_form;
};

void TestMainForm::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    m_env.programFolder = m_root->filePath("program");
    m_env.settingsFile = m_root->filePath("config/Pictarro/1.ini");
    m_env.userDataFolder = m_root->filePath("data/Pictarro");
    QVERIFY(QDir().mkpath(m_env.programFolder));
    QVERIFY(QDir().mkpath(m_env.userDataFolder));
    m_dialogs = std::make_unique<ScriptedDialogs>();
    clipboard()->clear();
}

void TestMainForm::cleanup()
{
    m_form.reset();
    m_dialogs.reset();
    clipboard()->clear();
}

MainForm &TestMainForm::makeForm(bool withEncoder)
{
    if (withEncoder) {
        QFile::copy(QStringLiteral(PICTARRO_BIN_DIR "/libbmp2jpeg.so"),
                    m_env.programFolder + "/libbmp2jpeg.so");
    }
    m_form = std::make_unique<MainForm>(m_env);
    m_form->Form_Load();
    return *m_form;
}

void TestMainForm::storeSetting(const QString &section, const QString &key, const QString &value)
{
    platform::SettingsStore(m_env.settingsFile).setValue(section, key, value);
}

QString TestMainForm::stored(const QString &section, const QString &key) const
{
    return platform::SettingsStore(m_env.settingsFile).value(section, key);
}

// ---------------------------------------------------------------- start-up

void TestMainForm::load_emptyStore_appliesDefaults()
{
    makeForm();
    const QString folder = m_env.programFolder + "/Captured Screens";
    QCOMPARE(captureFolder(), folder);
    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(control<QLineEdit>("ImageName")->text(), "Pictarro");
    QCOMPARE(control<QLineEdit>("ImageCounter")->text(), "0");
    QVERIFY(control<QRadioButton>("BMP")->isChecked());
    QCOMPARE(control<QSlider>("Res")->value(), 100);
    QVERIFY(!control<QSlider>("Res")->isEnabled());
    QCOMPARE(control<QLabel>("ResCaption")->text(), "100");
    QCOMPARE(control<QLabel>("EnableDisable")->text(), "Enabled");
    QVERIFY(m_form->captureEnabled());
    QCOMPARE(control<QLineEdit>("WinPath")->text(), m_env.userDataFolder);
    QCOMPARE(m_form->findChild<QAction *>("SysCapture")->text(), "Open: [ " + folder + " ]");
    QCOMPARE(control<QToolButton>("OpenFolder")->toolTip(), "Open: [ " + folder + " ]");
    QCOMPARE(m_form->findChild<platform::MediaPlayer *>("MediaPlayer")->fileName(), QString());

    // The defaults that have change rules are stored; the rest stays absent.
    QCOMPARE(stored("CapturePath", "Folder"), folder);
    QCOMPARE(stored("ImageName", "SaveName"), "Pictarro");
    QCOMPARE(stored("CaptureCounter", "CaptureCounter"), "0");
    const platform::SettingsStore store(m_env.settingsFile);
    QVERIFY(!store.contains("QualityValue", "QualityValue"));
    QVERIFY(!store.contains("ImageExtensionJPG", "SaveExtensionJPG"));
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestMainForm::load_storedValues_data()
{
    QTest::addColumn<QString>("quality");
    QTest::addColumn<QString>("jpeg");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("counter");
    QTest::addColumn<int>("expectedQuality");
    QTest::addColumn<bool>("expectedJpeg");
    QTest::addColumn<QString>("expectedName");
    QTest::addColumn<QString>("storedName");
    QTest::addColumn<QString>("expectedCounter");
    QTest::addColumn<QString>("png"); // the PNG flag, stored when not empty
    QTest::addColumn<bool>("expectedPng");

    QTest::newRow("ordinary") << "75"
                              << "True"
                              << "Shot"
                              << "12" << 75 << true << "Shot"
                              << "Shot"
                              << "12" << QString() << false;
    QTest::newRow("bitmap") << "40"
                            << "False"
                            << "Shot"
                            << "3" << 40 << false << "Shot"
                            << "Shot"
                            << "3" << QString() << false;
    QTest::newRow("quality text") << "abc"
                                  << "True"
                                  << "Shot"
                                  << "1" << 100 << true << "Shot"
                                  << "Shot"
                                  << "1" << QString() << false;
    QTest::newRow("quality out of range") << "250"
                                          << ""
                                          << "Shot"
                                          << "1" << 100 << false << "Shot"
                                          << "Shot"
                                          << "1" << QString() << false;
    QTest::newRow("quality negative") << "-5"
                                      << "1"
                                      << "Shot"
                                      << "1" << 100 << true << "Shot"
                                      << "Shot"
                                      << "1" << QString() << false;
    QTest::newRow("format garbage") << "75"
                                    << "maybe"
                                    << "Shot"
                                    << "1" << 75 << false << "Shot"
                                    << "Shot"
                                    << "1" << QString() << false;
    QTest::newRow("forbidden characters removed") << "75"
                                                  << "False"
                                                  << "My:Shot|<1>"
                                                  << "1" << 75 << false << "MyShot1"
                                                  << "MyShot1"
                                                  << "1" << QString() << false;
    QTest::newRow("blanks kept in the field") << "75"
                                              << "False"
                                              << "  Holiday  "
                                              << "1" << 75 << false << "  Holiday  "
                                              << "Holiday"
                                              << "1" << QString() << false;
    QTest::newRow("only forbidden characters: the default name") << "75"
                                                                 << "False"
                                                                 << "***"
                                                                 << "1" << 75 << false << "Pictarro"
                                                                 << "Pictarro"
                                                                 << "1" << QString() << false;
    QTest::newRow("empty counter") << "75"
                                   << "False"
                                   << "Shot"
                                   << "" << 75 << false << "Shot"
                                   << "Shot"
                                   << "0" << QString() << false;
    QTest::newRow("text counter kept") << "75"
                                       << "False"
                                       << "Shot"
                                       << "12abc" << 75 << false << "Shot"
                                       << "Shot"
                                       << "12abc" << QString() << false;
    QTest::newRow("png") << "75"
                         << "False"
                         << "Shot"
                         << "1" << 75 << false << "Shot"
                         << "Shot"
                         << "1"
                         << "True" << true;
    QTest::newRow("png wins over jpeg") << "75"
                                        << "True"
                                        << "Shot"
                                        << "1" << 75 << false << "Shot"
                                        << "Shot"
                                        << "1"
                                        << "True" << true;
    QTest::newRow("png flag garbage") << "75"
                                      << "True"
                                      << "Shot"
                                      << "1" << 75 << true << "Shot"
                                      << "Shot"
                                      << "1"
                                      << "perhaps" << false;
    QTest::newRow("png flag false") << "75"
                                    << "True"
                                    << "Shot"
                                    << "1" << 75 << true << "Shot"
                                    << "Shot"
                                    << "1"
                                    << "False" << false;
}

void TestMainForm::load_storedValues()
{
    QFETCH(QString, quality);
    QFETCH(QString, jpeg);
    QFETCH(QString, name);
    QFETCH(QString, counter);
    QFETCH(int, expectedQuality);
    QFETCH(bool, expectedJpeg);
    QFETCH(QString, expectedName);
    QFETCH(QString, storedName);
    QFETCH(QString, expectedCounter);
    QFETCH(QString, png);
    QFETCH(bool, expectedPng);

    storeSetting("QualityValue", "QualityValue", quality);
    storeSetting("ImageExtensionJPG", "SaveExtensionJPG", jpeg);
    if (!png.isEmpty())
        storeSetting("ImageExtensionPNG", "SaveExtensionPNG", png);
    storeSetting("ImageName", "SaveName", name);
    storeSetting("CaptureCounter", "CaptureCounter", counter);
    makeForm();

    QCOMPARE(control<QSlider>("Res")->value(), expectedQuality);
    QCOMPARE(control<QLabel>("ResCaption")->text(), QString::number(expectedQuality));
    QCOMPARE(control<QRadioButton>("JPG")->isChecked(), expectedJpeg);
    QCOMPARE(control<QRadioButton>("PNG")->isChecked(), expectedPng);
    QCOMPARE(control<QRadioButton>("BMP")->isChecked(), !expectedJpeg && !expectedPng);
    QCOMPARE(control<QSlider>("Res")->isEnabled(), expectedJpeg);
    const QColor percent = control<QLabel>("Centesimal")->palette().color(QPalette::WindowText);
    if (expectedJpeg)
        QCOMPARE(percent, QColor(192, 0, 0));
    QCOMPARE(control<QLineEdit>("ImageName")->text(), expectedName);
    QCOMPARE(stored("ImageName", "SaveName"), storedName);
    QCOMPARE(control<QLineEdit>("ImageCounter")->text(), expectedCounter);
    QCOMPARE(stored("CaptureCounter", "CaptureCounter"), expectedCounter);
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestMainForm::load_leavesClipboardEmpty()
{
    // A picture left on the clipboard before the start is not a capture.
    clipboard()->setImage(testPicture());
    makeForm();
    QCoreApplication::processEvents();
    tick();
    QVERIFY(clipboard()->image().isNull());
    QVERIFY(captures().isEmpty());
}

// ------------------------------------------------------ name and counter

void TestMainForm::baseName_typed_isFilteredAndStored_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("storedValue");
    QTest::newRow("colon") << "My:Shot"
                           << "MyShot"
                           << "MyShot";
    QTest::newRow("all nine") << "a\\b/c:d*e?f<g>h|i\""
                              << "abcdefghi"
                              << "abcdefghi";
    QTest::newRow("nothing left") << "\\/:*?"
                                  << ""
                                  << "";
    QTest::newRow("blanks only stored trimmed") << "  Holiday  "
                                                << "  Holiday  "
                                                << "Holiday";
}

void TestMainForm::baseName_typed_isFilteredAndStored()
{
    QFETCH(QString, typed);
    QFETCH(QString, field);
    QFETCH(QString, storedValue);
    makeForm();
    auto *name = control<QLineEdit>("ImageName");
    name->clear();
    QTest::keyClicks(name, typed);
    QCOMPARE(name->text(), field);
    QCOMPARE(name->cursorPosition(), field.size());
    QCOMPARE(stored("ImageName", "SaveName"), storedValue);
}

void TestMainForm::baseName_keepsAtMostFiftyCharacters()
{
    makeForm();
    auto *name = control<QLineEdit>("ImageName");
    name->clear();
    QTest::keyClicks(name, QString(60, u'x'));
    QCOMPARE(name->text(), QString(50, u'x'));
}

void TestMainForm::noWaySymbols_explainsTheForbiddenCharacters()
{
    makeForm();
    control<QToolButton>("NoWaySymbols")->click();
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(int(m_dialogs->shown[0].icon), int(Icon::Information));
    QCOMPARE(m_dialogs->shown[0].title, "Captured Screens Name");
    QCOMPARE(m_dialogs->shown[0].text,
             "A name of your captured screens cannot contain any of the following characters "
             "\\/:*?<>|\"\r\nPictarro will automatically remove these characters.");
}

void TestMainForm::customCounter_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("after");
    QTest::newRow("number between blanks") << "7"
                                           << " 12 "
                                           << "12";
    QTest::newRow("fraction") << "7"
                              << "12.50"
                              << "12.5";
    QTest::newRow("negative") << "7"
                              << "-4"
                              << "-4";
    QTest::newRow("text leaves the counter") << "7"
                                             << "abc"
                                             << "7";
    QTest::newRow("cancel leaves the counter") << "7"
                                               << ""
                                               << "7";
    QTest::newRow("same value") << "7"
                                << "7"
                                << "7";
}

void TestMainForm::customCounter()
{
    QFETCH(QString, before);
    QFETCH(QString, reply);
    QFETCH(QString, after);
    QLocale::setDefault(QLocale::c());
    storeSetting("CaptureCounter", "CaptureCounter", before);
    makeForm();
    m_dialogs->replyNext(reply);
    QTest::mouseClick(control<QLabel>("CustomCounter"), Qt::LeftButton);
    QCOMPARE(m_dialogs->prompts.size(), 1);
    QCOMPARE(m_dialogs->prompts[0],
             (QStringList{"Your custom number goes here:", "Captured Screens Counter", before}));
    QCOMPARE(control<QLineEdit>("ImageCounter")->text(), after);
    QCOMPARE(stored("CaptureCounter", "CaptureCounter"), after);
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestMainForm::resetCounter_storesZero()
{
    storeSetting("CaptureCounter", "CaptureCounter", "41");
    makeForm();
    QTest::mouseClick(control<QLabel>("ResetCounter"), Qt::LeftButton);
    QCOMPARE(control<QLineEdit>("ImageCounter")->text(), "0");
    QCOMPARE(stored("CaptureCounter", "CaptureCounter"), "0");
    QVERIFY(m_dialogs->shown.isEmpty());
}

// ------------------------------------------------- format, quality, switch

void TestMainForm::format_and_quality_areStoredAsTheyChange()
{
    makeForm();
    auto *res = control<QSlider>("Res");
    control<QRadioButton>("JPG")->click();
    QVERIFY(res->isEnabled());
    QCOMPARE(stored("ImageExtensionJPG", "SaveExtensionJPG"), "True");
    QCOMPARE(control<QLabel>("ResCaption")->palette().color(QPalette::WindowText),
             QColor(192, 0, 0));
    QCOMPARE(control<QLabel>("Centesimal")->palette().color(QPalette::WindowText),
             QColor(192, 0, 0));

    res->setValue(40);
    QCOMPARE(control<QLabel>("ResCaption")->text(), "40");
    QCOMPARE(stored("QualityValue", "QualityValue"), "40");
    QTest::keyClick(res, Qt::Key_Right);
    QCOMPARE(stored("QualityValue", "QualityValue"), "41");

    // PNG has no quality to choose: the slider rests as for bitmaps.
    control<QRadioButton>("PNG")->click();
    QVERIFY(!res->isEnabled());
    QCOMPARE(res->value(), 41);
    QCOMPARE(stored("ImageExtensionPNG", "SaveExtensionPNG"), "True");
    QCOMPARE(stored("ImageExtensionJPG", "SaveExtensionJPG"), "False");
    QCOMPARE(control<QLabel>("ResCaption")->palette().color(QPalette::WindowText),
             QColor(Qt::black));
    QCOMPARE(control<QLabel>("Centesimal")->palette().color(QPalette::WindowText),
             QColor(Qt::black));
    control<QRadioButton>("JPG")->click();
    QVERIFY(res->isEnabled());
    QCOMPARE(stored("ImageExtensionPNG", "SaveExtensionPNG"), "False");

    control<QRadioButton>("BMP")->click();
    QVERIFY(!res->isEnabled());
    QCOMPARE(res->value(), 41); // kept for the next switch to JPEG
    QCOMPARE(stored("ImageExtensionJPG", "SaveExtensionJPG"), "False");
    QCOMPARE(stored("ImageExtensionPNG", "SaveExtensionPNG"), "False");
    QCOMPARE(control<QLabel>("Centesimal")->palette().color(QPalette::WindowText),
             QColor(Qt::black));

    QTest::mouseClick(control<QLabel>("Disabled"), Qt::LeftButton);
    QCOMPARE(control<QLabel>("EnableDisable")->text(), "Disabled");
    QCOMPARE(control<QLabel>("EnableDisable")->palette().color(QPalette::WindowText),
             QColor(192, 0, 0));
    QVERIFY(!m_form->captureEnabled());
    QTest::mouseClick(control<QLabel>("Enables"), Qt::LeftButton);
    QCOMPARE(control<QLabel>("EnableDisable")->text(), "Enabled");
    QCOMPARE(control<QLabel>("EnableDisable")->palette().color(QPalette::WindowText),
             QColor(0, 0, 192));
    QVERIFY(m_form->captureEnabled());
}

void TestMainForm::quality_mouseOverSlider_storesAgain()
{
    storeSetting("QualityValue", "QualityValue", "75");
    makeForm();
    // Someone else changed the stored value; a mouse move over the slider
    // stores the slider's value again.
    storeSetting("QualityValue", "QualityValue", "12");
    m_form->settings() = platform::SettingsStore(m_env.settingsFile);
    auto *res = control<QSlider>("Res");
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), res->mapToGlobal(QPointF(5, 5)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(res, &move);
    QCOMPARE(stored("QualityValue", "QualityValue"), "75");
}

void TestMainForm::defaultFolder_onlyOnYes_data()
{
    QTest::addColumn<int>("key"); // pressed in the real box; 0: answered Yes or No
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes") << 0 << true;
    QTest::newRow("No") << 0 << false;
    QTest::newRow("Enter") << int(Qt::Key_Return) << true;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << false;
}

void TestMainForm::defaultFolder_onlyOnYes()
{
    QFETCH(int, key);
    QFETCH(bool, yes);
    const QString elsewhere = m_root->filePath("elsewhere");
    storeSetting("CapturePath", "Folder", elsewhere);
    makeForm();
    QCOMPARE(captureFolder(), elsewhere);
    if (key)
        m_dialogs->pressNext(key);
    else
        m_dialogs->answerNext(yes ? Answer::Yes : Answer::No);
    control<QToolButton>("Image3")->click();

    const QString folder = m_env.programFolder + "/Captured Screens";
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(int(m_dialogs->shown[0].icon), int(Icon::Question));
    QCOMPARE(m_dialogs->shown[0].title, "Confirm to change");
    QCOMPARE(m_dialogs->shown[0].text, "This will change your current folder address to:\r\n" +
                                           folder + "\r\n\r\nAre you sure you want to continue?");
    QCOMPARE(captureFolder(), yes ? folder : elsewhere);
    QCOMPARE(stored("CapturePath", "Folder"), yes ? folder : elsewhere);
}

void TestMainForm::openCaption_followsTheFolder()
{
    makeForm();
    const QString elsewhere = m_root->filePath("other shots");
    control<QLineEdit>("CapturePath")->setText(elsewhere);
    QCOMPARE(stored("CapturePath", "Folder"), elsewhere);
    QTRY_COMPARE_WITH_TIMEOUT(m_form->findChild<QAction *>("SysCapture")->text(),
                              "Open: [ " + elsewhere + " ]", WaitMs);
    QCOMPARE(control<QToolButton>("OpenFolder")->toolTip(), "Open: [ " + elsewhere + " ]");
}

void TestMainForm::deletedFolder_isRecreated()
{
    makeForm();
    const QString folder = captureFolder();
    QVERIFY(QDir(folder).removeRecursively());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(folder).isDir(), WaitMs);
}

// ------------------------------------------------------------- capturing

void TestMainForm::capture_isPixelExact_andNumbered_data()
{
    QTest::addColumn<QString>("format");  // "bmp" or "png"
    QTest::addColumn<QString>("offered"); // besides the decoded picture: what image/png holds
    QTest::newRow("bitmap") << "bmp"
                            << "nothing";
    QTest::newRow("png kept as offered") << "png"
                                         << "png";
    QTest::newRow("png kept, bytes after IEND dropped") << "png"
                                                        << "padded png";
    QTest::newRow("png encoded: none offered") << "png"
                                               << "nothing";
    QTest::newRow("png encoded: the offered one unsound") << "png"
                                                          << "damaged png";
    // The encoder packs each kind of picture its own way.
    QTest::newRow("png encoded: a grainy photograph") << "png"
                                                      << "nothing, grainy";
    QTest::newRow("png encoded: noise") << "png"
                                        << "nothing, noise";
}

void TestMainForm::capture_isPixelExact_andNumbered()
{
    QFETCH(QString, format);
    QFETCH(QString, offered);
    if (format == "png")
        storeSetting("ImageExtensionPNG", "SaveExtensionPNG", "True");
    makeForm();
    QSignalSpy captured(m_form.get(), &MainForm::captured);
    QStringList names;
    for (int n = 1; n <= 3; ++n) {
        // A different picture each time: the same one offered again at
        // once is what a refilling clipboard manager does.
        QImage picture = testPicture(50 + n);
        if (offered.startsWith("nothing, ")) {
            QRandomGenerator random(n);
            for (int y = 0; y < picture.height(); ++y) {
                for (int x = 0; x < picture.width(); ++x) {
                    const QRgb clean = picture.pixel(x, y);
                    const int grain = offered.endsWith("grainy") ? int(random.bounded(13)) - 6 : 0;
                    picture.setPixel(x, y,
                                     offered.endsWith("noise")
                                         ? random.generate() | 0xff000000u
                                         : qRgb(qBound(0, qRed(clean) + grain, 255),
                                                qBound(0, qGreen(clean) + grain, 255),
                                                qBound(0, qBlue(clean) + grain, 255)));
                }
            }
        }
        const QByteArray png = pngFileOf(picture);
        QByteArray file;
        if (offered == "png")
            file = png;
        else if (offered == "padded png")
            file = png + QByteArray(64, '\0');
        else if (offered == "damaged png")
            file = png.chopped(1);
        offer(picture, file);
        QTRY_COMPARE_WITH_TIMEOUT(captured.count(), n, WaitMs);
        names << QStringLiteral("Pictarro %1.%2").arg(n).arg(format);
        const QString path = captureFolder() + u'/' + names.last();
        QCOMPARE(captured.last().at(0).toString(), path);
        QCOMPARE(QImage(path).convertToFormat(QImage::Format_RGB32), picture);
        QVERIFY(clipboard()->image().isNull());
        if (format == "png") {
            QFile written(path);
            QVERIFY(written.open(QIODevice::ReadOnly));
            // Kept byte for byte when sound, else encoded afresh.
            QCOMPARE(written.readAll() == png, offered.endsWith("png") && offered != "damaged png");
        }
    }
    QCOMPARE(captures(), names);
    QCOMPARE(control<QLineEdit>("ImageCounter")->text(), "3");
    QCOMPARE(stored("CaptureCounter", "CaptureCounter"), "3");
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestMainForm::capture_jpeg_usesTheQuality()
{
    storeSetting("ImageExtensionJPG", "SaveExtensionJPG", "True");
    makeForm();
    QSignalSpy captured(m_form.get(), &MainForm::captured);
    const QImage picture = testPicture(320, 200);

    QMap<int, qint64> sizes;
    for (const int quality : {100, 10}) {
        control<QSlider>("Res")->setValue(quality);
        clipboard()->setImage(quality == 10 ? picture.mirrored() : picture);
        QTRY_VERIFY_WITH_TIMEOUT(!captured.isEmpty(), WaitMs);
        const QString file = captured.takeFirst().at(0).toString();
        QVERIFY(file.endsWith(".jpg"));
        const QImage decoded(file);
        QCOMPARE(decoded.size(), picture.size());
        sizes[quality] = QFileInfo(file).size();
    }
    QVERIFY2(sizes[10] < sizes[100], "quality 10 must give a smaller file than quality 100");
    QCOMPARE(captures(), (QStringList{"Pictarro 1.jpg", "Pictarro 2.jpg"}));
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestMainForm::capture_leavesTextAlone_data()
{
    QTest::addColumn<bool>("withPicture");
    QTest::newRow("text only") << false;
    QTest::newRow("text beside a picture") << true;
}

void TestMainForm::capture_leavesTextAlone()
{
    QFETCH(bool, withPicture);
    makeForm();
    auto *data = new QMimeData; // the clipboard takes ownership
    data->setText("some words");
    if (withPicture)
        data->setImageData(testPicture());
    clipboard()->setMimeData(data);
    QCoreApplication::processEvents();
    tick();
    QCOMPARE(control<QLineEdit>("TextClipboard")->text(), "some words");
    QCOMPARE(clipboard()->text(), "some words");
    QVERIFY(captures().isEmpty());
    QCOMPARE(control<QLineEdit>("ImageCounter")->text(), "0");
}

void TestMainForm::capture_pictureBesideHtml_isSaved()
{
    // Browsers copy a picture with HTML beside it: that is no text.
    makeForm();
    QSignalSpy captured(m_form.get(), &MainForm::captured);
    auto *data = new QMimeData;
    data->setHtml("<img src=\"https://pictarro.example.org/shot.png\">");
    data->setImageData(testPicture());
    clipboard()->setMimeData(data);
    QTRY_COMPARE_WITH_TIMEOUT(captured.count(), 1, WaitMs);
    QCOMPARE(captures(), QStringList{"Pictarro 1.bmp"});
}

void TestMainForm::capture_missingFolder_oneMessage_pictureDropped()
{
    const QString unreachable = m_root->filePath("gone/deeper");
    storeSetting("CapturePath", "Folder", unreachable);
    storeSetting("CaptureCounter", "CaptureCounter", "5");
    makeForm();
    clipboard()->setImage(testPicture());
    QTRY_COMPARE_WITH_TIMEOUT(m_dialogs->shown.size(), 1, WaitMs);
    // Further looks at the clipboard find nothing more to report.
    tick();
    QCoreApplication::processEvents();
    QCOMPARE(m_dialogs->shown.size(), 1);

    const auto &message = m_dialogs->shown[0];
    QCOMPARE(int(message.icon), int(Icon::Critical));
    QCOMPARE(message.title, "Pictarro");
    QCOMPARE(message.text,
             "Pictarro is unable to reach your current folder path: \r\n" + unreachable +
                 "\r\nPlease make sure that your current folder path is already exists.");
    QVERIFY(clipboard()->image().isNull());
    QCOMPARE(control<QLineEdit>("ImageCounter")->text(), "5");
    QVERIFY(!QFileInfo::exists(unreachable));
}

void TestMainForm::capture_switchedOff_waits_untilSwitchedOn()
{
    makeForm();
    QSignalSpy captured(m_form.get(), &MainForm::captured);
    QTest::mouseClick(control<QLabel>("Disabled"), Qt::LeftButton);
    const QImage picture = testPicture();
    clipboard()->setImage(picture);
    QCoreApplication::processEvents();
    tick();
    QVERIFY(captures().isEmpty());
    QCOMPARE(clipboard()->image().convertToFormat(QImage::Format_RGB32), picture);

    QTest::mouseClick(control<QLabel>("Enables"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(captured.count(), 1, WaitMs);
    QCOMPARE(captures(), QStringList{"Pictarro 1.bmp"});
}

void TestMainForm::capture_wrapsAfterFourteenNines()
{
    storeSetting("CaptureCounter", "CaptureCounter", "99999999999999");
    makeForm();
    QSignalSpy captured(m_form.get(), &MainForm::captured);
    clipboard()->setImage(testPicture());
    QTRY_COMPARE_WITH_TIMEOUT(captured.count(), 1, WaitMs);
    QCOMPARE(captures(), QStringList{"Pictarro 1.bmp"});
    QCOMPARE(stored("CaptureCounter", "CaptureCounter"), "1");
}

void TestMainForm::capture_neverReplacesAnEarlierFile()
{
    makeForm();
    QSignalSpy captured(m_form.get(), &MainForm::captured);
    const QString folder = captureFolder();
    for (const char *name : {"Pictarro 1.bmp", "Pictarro 2.bmp", "Pictarro 4.bmp"}) {
        QFile earlier(folder + "/" + name);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("an earlier capture");
    }
    clipboard()->setImage(testPicture());
    QTRY_COMPARE_WITH_TIMEOUT(captured.count(), 1, WaitMs);
    QCOMPARE(captured[0][0].toString(), folder + "/Pictarro 3.bmp");
    QCOMPARE(stored("CaptureCounter", "CaptureCounter"), "3");
    QFile earlier(folder + "/Pictarro 1.bmp");
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), "an earlier capture");

    clipboard()->setImage(testPicture(54, 31));
    QTRY_COMPARE_WITH_TIMEOUT(captured.count(), 2, WaitMs);
    QCOMPARE(captured[1][0].toString(), folder + "/Pictarro 5.bmp");
}

void TestMainForm::capture_textCounter_isUsedAsItStands()
{
    storeSetting("CaptureCounter", "CaptureCounter", "12abc");
    makeForm();
    QSignalSpy captured(m_form.get(), &MainForm::captured);
    clipboard()->setImage(testPicture());
    QTRY_COMPARE_WITH_TIMEOUT(captured.count(), 1, WaitMs);
    QCOMPARE(captures(), QStringList{"Pictarro 12abc.bmp"});

    // The same name again cannot move on: the earlier file is kept and the
    // user is told that the new picture could not be saved.
    clipboard()->setImage(testPicture(7, 7));
    QTRY_COMPARE_WITH_TIMEOUT(m_dialogs->shown.size(), 1, WaitMs);
    QCOMPARE(m_dialogs->shown[0].title, "Pictarro");
    QVERIFY(m_dialogs->shown[0].text.contains(captureFolder() + "/Pictarro 12abc.bmp"));
    QVERIFY(m_dialogs->shown[0].text.endsWith("A file of that name already exists."));
    QCOMPARE(QImage(captureFolder() + "/Pictarro 12abc.bmp").size(), testPicture().size());
    QVERIFY(clipboard()->image().isNull());
}

void TestMainForm::capture_counterFromDamagedStore_staysInTheFolder()
{
    // A counter that would lead out of the folder is damage: it starts
    // again from 0.
    storeSetting("CaptureCounter", "CaptureCounter", "1/../../escaped");
    makeForm();
    QCOMPARE(control<QLineEdit>("ImageCounter")->text(), "0");
    QSignalSpy captured(m_form.get(), &MainForm::captured);
    clipboard()->setImage(testPicture());
    QTRY_COMPARE_WITH_TIMEOUT(captured.count(), 1, WaitMs);
    QVERIFY(m_dialogs->shown.isEmpty());
    QCOMPARE(captures(), QStringList{"Pictarro 1.bmp"});
    QVERIFY(QDir(m_root->path()).entryList({"*escaped*"}, QDir::AllEntries).isEmpty());
    QVERIFY(QDir(m_env.programFolder).entryList({"*escaped*"}, QDir::AllEntries).isEmpty());
    QVERIFY(clipboard()->image().isNull());
}

void TestMainForm::capture_unwritableFolder_saysSo_andLeavesNothing()
{
    // A folder nobody can create files in, root included.
    storeSetting("CapturePath", "Folder", "/proc/self");
    makeForm();
    QSignalSpy captured(m_form.get(), &MainForm::captured);
    clipboard()->setImage(testPicture());
    QTRY_COMPARE_WITH_TIMEOUT(m_dialogs->shown.size(), 1, WaitMs);
    const auto &message = m_dialogs->shown[0];
    QCOMPARE(int(message.icon), int(Icon::Critical));
    QCOMPARE(message.title, "Pictarro");
    QVERIFY2(message.text.startsWith("Pictarro is unable to save your captured screen as: \r\n"
                                     "/proc/self/Pictarro 1.bmp\r\n"),
             qPrintable(message.text));
    QCOMPARE(captured.count(), 0);
    QVERIFY(clipboard()->image().isNull());
    QCOMPARE(m_dialogs->shown.size(), 1);
}

void TestMainForm::capture_withoutEncoder_saysSo()
{
    storeSetting("ImageExtensionJPG", "SaveExtensionJPG", "True");
    makeForm(false);
    clipboard()->setImage(testPicture());
    QTRY_COMPARE_WITH_TIMEOUT(m_dialogs->shown.size(), 1, WaitMs);
    QVERIFY2(m_dialogs->shown[0].text.contains(captureFolder() + "/Pictarro 1.jpg"),
             qPrintable(m_dialogs->shown[0].text));
    QVERIFY(m_dialogs->shown[0].text.contains("libbmp2jpeg.so"));
    QVERIFY(captures().isEmpty());
}

void TestMainForm::capture_playsTheSound()
{
    const QString sound = m_root->filePath("ding.wav");
    writeWav(sound);
    storeSetting("WAV-File-Path", "SelectedSong", sound);
    makeForm();
    auto *player = m_form->findChild<platform::MediaPlayer *>("MediaPlayer");
    QCOMPARE(player->fileName(), sound);
    QSignalSpy played(player, &platform::MediaPlayer::played);
    for (int n = 1; n <= 2; ++n) {
        clipboard()->setImage(testPicture(50 + n));
        QTRY_COMPARE_WITH_TIMEOUT(played.count(), n, WaitMs);
    }
    QCOMPARE(played[0][0].toString(), sound);
}

// A clipboard manager that never lets the clipboard stay empty: it offers
// the last picture it saw again the moment the clipboard is emptied.
class RefillingManager : public QObject
{
public:
    // asPng: the picture offered again also as a PNG file, encoded afresh,
    // so that its bytes differ from those first offered.
    explicit RefillingManager(bool asPng = false)
    {
        connect(clipboard(), &QClipboard::dataChanged, this, [this, asPng] {
            const QImage now = clipboard()->image();
            if (!now.isNull()) {
                m_last = now;
                return;
            }
            if (m_last.isNull())
                return;
            QTimer::singleShot(0, this, [this, asPng] {
                ++refills;
                offer(m_last, asPng ? pngFileOf(m_last, QStringLiteral("kept")) : QByteArray());
            });
        });
    }
    int refills = 0;

private:
    QImage m_last;
};

void TestMainForm::capture_refillingManager_savedOnce_noLoop_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QImage>("next"); // a different picture, offered next
    QImage lastRowOff = testPicture(60, 40);
    lastRowOff.setPixel(59, 39, qRgb(1, 2, 3));
    QTest::newRow("bitmap") << "bmp" << testPicture(61, 40);
    QTest::newRow("bitmap, only the last pixel differs") << "bmp" << lastRowOff;
    // Kept as offered, not decoded on the way; the refill's bytes differ.
    QTest::newRow("png") << "png" << testPicture(61, 40);
    QTest::newRow("png, only the last pixel differs") << "png" << lastRowOff;
}

void TestMainForm::capture_refillingManager_savedOnce_noLoop()
{
    QFETCH(QString, format);
    QFETCH(QImage, next);
    const bool png = format == "png";
    if (png)
        storeSetting("ImageExtensionPNG", "SaveExtensionPNG", "True");
    makeForm();
    QSignalSpy captured(m_form.get(), &MainForm::captured);
    RefillingManager manager(png);
    const auto offerAsUsual = [png](const QImage &picture) {
        offer(picture, png ? pngFileOf(picture) : QByteArray());
    };

    const QImage first = testPicture(60, 40);
    offerAsUsual(first);
    QTRY_COMPARE_WITH_TIMEOUT(manager.refills, 1, WaitMs);
    QTest::qWait(300);
    // Saved once; the refill stays on the clipboard, untouched.
    QCOMPARE(captured.count(), 1);
    QCOMPARE(manager.refills, 1);
    QCOMPARE(clipboard()->image().convertToFormat(QImage::Format_RGB32), first);
    tick();
    QCOMPARE(captured.count(), 1);

    // A different picture is saved as ever.
    offerAsUsual(next);
    QTRY_COMPARE_WITH_TIMEOUT(manager.refills, 2, WaitMs);
    QTest::qWait(300);
    QCOMPARE(captured.count(), 2);

    // Switching capture off and on again later does not take the refill
    // that is still on the clipboard.
    QTest::qWait(platform::Clipboard::RefillWindowMs + 200);
    QTest::mouseClick(control<QLabel>("Disabled"), Qt::LeftButton);
    QTest::mouseClick(control<QLabel>("Enables"), Qt::LeftButton);
    QTest::qWait(300);
    QCOMPARE(captured.count(), 2);

    // The same picture again, once the manager's moment has passed, is a
    // capture the user asked for.
    offerAsUsual(first);
    QTRY_COMPARE_WITH_TIMEOUT(captured.count(), 3, WaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(manager.refills, 3, WaitMs);
    QTest::qWait(300);
    QCOMPARE(captured.count(), 3);
    QCOMPARE(captures(),
             (QStringList{"Pictarro 1." + format, "Pictarro 2." + format, "Pictarro 3." + format}));
    QCOMPARE(
        QImage(captureFolder() + "/Pictarro 3." + format).convertToFormat(QImage::Format_RGB32),
        first);
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestMainForm::capture_refillingManager_failedPicture_oneMessage()
{
    // The picture that could not be saved comes back from the manager: it
    // was reported once, and is not reported again.
    storeSetting("CapturePath", "Folder", m_root->filePath("gone/deeper"));
    makeForm();
    RefillingManager manager;
    clipboard()->setImage(testPicture());
    QTRY_COMPARE_WITH_TIMEOUT(manager.refills, 1, WaitMs);
    QTest::qWait(300);
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(manager.refills, 1);
}

void TestMainForm::load_unusableFolder_fallsBackToDefault_data()
{
    QTest::addColumn<QString>("stored"); // @ROOT@: the test's folder
    QTest::addColumn<bool>("kept");
    QTest::newRow("relative path") << "shots" << false;
    QTest::newRow("an existing file") << "@ROOT@/a file" << false;
    QTest::newRow("missing parent: kept, reported at capture") << "@ROOT@/gone/deeper" << true;
    QTest::newRow("existing folder") << "@ROOT@" << true;
}

void TestMainForm::load_unusableFolder_fallsBackToDefault()
{
    QFETCH(QString, stored);
    QFETCH(bool, kept);
    stored.replace("@ROOT@", m_root->path());
    QFile file(m_root->filePath("a file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    storeSetting("CapturePath", "Folder", stored);
    makeForm();
    const QString expected = kept ? stored : m_env.programFolder + "/Captured Screens";
    QCOMPARE(captureFolder(), expected);
    QCOMPARE(this->stored("CapturePath", "Folder"), expected);
    QVERIFY(QFileInfo(m_root->filePath("a file")).isFile());
}

// ------------------------------------------------------- the engine alone

void TestMainForm::engine_readsTheSettingsAtEachCapture()
{
    // The engine keeps no copy of the settings: what changes between two
    // captures applies to the next one, and the counter it moves on is
    // handed back rather than kept.
    QVERIFY(QFile::copy(QStringLiteral(PICTARRO_BIN_DIR "/libbmp2jpeg.so"),
                        m_env.programFolder + "/libbmp2jpeg.so"));
    CaptureSettings settings;
    settings.folder = m_root->filePath("first");
    settings.baseName = "shot";
    settings.counter = "7";
    settings.enabled = true;
    platform::Clipboard watched;
    CaptureEngine engine(watched, m_env.programFolder, [&settings] { return settings; });
    QStringList counters;
    connect(&engine, &CaptureEngine::counterChanged, this, [&](const QString &counter) {
        counters << counter;
        settings.counter = counter;
    });
    QSignalSpy captured(&engine, &CaptureEngine::captured);
    engine.keepFolders();

    clipboard()->setImage(testPicture());
    QTRY_COMPARE_WITH_TIMEOUT(captured.count(), 1, WaitMs);
    QCOMPARE(captured[0][0].toString(), m_root->filePath("first/shot 8.bmp"));

    settings.folder = m_root->filePath("second");
    settings.baseName = "other";
    settings.counter = "41";
    settings.format = CaptureNaming::Format::Jpeg;
    clipboard()->setImage(testPicture(60, 40));
    QTRY_COMPARE_WITH_TIMEOUT(captured.count(), 2, WaitMs);
    QCOMPARE(captured[1][0].toString(), m_root->filePath("second/other 42.jpg"));
    QCOMPARE(QImage(m_root->filePath("second/other 42.jpg")).size(), QSize(60, 40));
    QCOMPARE(counters, (QStringList{"8", "42"}));
    QVERIFY(clipboard()->image().isNull());
}

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
