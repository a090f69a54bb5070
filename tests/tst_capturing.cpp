// The main window's capture service on the offscreen platform, from the
// clipboard to the file: formats, names and counters, text left alone,
// folders that cannot be used, the sound, a refilling clipboard manager,
// and the engine alone.
#include "CaptureEngine.h"
#include "CaptureFormFixture.h"
#include "Clipboard.h"
#include "MediaPlayer.h"

#include <QtTest>
#include <QtWidgets>

namespace {

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

class TestCapturing : public QObject, private CaptureFormFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

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

    void engine_readsTheSettingsAtEachCapture();
};

// ------------------------------------------------------------- capturing

void TestCapturing::capture_isPixelExact_andNumbered_data()
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

void TestCapturing::capture_isPixelExact_andNumbered()
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

void TestCapturing::capture_jpeg_usesTheQuality()
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

void TestCapturing::capture_leavesTextAlone_data()
{
    QTest::addColumn<bool>("withPicture");
    QTest::newRow("text only") << false;
    QTest::newRow("text beside a picture") << true;
}

void TestCapturing::capture_leavesTextAlone()
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
    QTRY_COMPARE_WITH_TIMEOUT(control<QLineEdit>("TextClipboard")->text(), "some words", WaitMs);
    QCOMPARE(clipboard()->text(), "some words");
    QVERIFY(captures().isEmpty());
    QCOMPARE(control<QLineEdit>("ImageCounter")->text(), "0");
}

void TestCapturing::capture_pictureBesideHtml_isSaved()
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

void TestCapturing::capture_missingFolder_oneMessage_pictureDropped()
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

void TestCapturing::capture_switchedOff_waits_untilSwitchedOn()
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

void TestCapturing::capture_wrapsAfterFourteenNines()
{
    storeSetting("CaptureCounter", "CaptureCounter", "99999999999999");
    makeForm();
    QSignalSpy captured(m_form.get(), &MainForm::captured);
    clipboard()->setImage(testPicture());
    QTRY_COMPARE_WITH_TIMEOUT(captured.count(), 1, WaitMs);
    QCOMPARE(captures(), QStringList{"Pictarro 1.bmp"});
    QCOMPARE(stored("CaptureCounter", "CaptureCounter"), "1");
}

void TestCapturing::capture_neverReplacesAnEarlierFile()
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

void TestCapturing::capture_textCounter_isUsedAsItStands()
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

void TestCapturing::capture_counterFromDamagedStore_staysInTheFolder()
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

void TestCapturing::capture_unwritableFolder_saysSo_andLeavesNothing()
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

void TestCapturing::capture_withoutEncoder_saysSo()
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

void TestCapturing::capture_playsTheSound()
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

void TestCapturing::capture_refillingManager_savedOnce_noLoop_data()
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

void TestCapturing::capture_refillingManager_savedOnce_noLoop()
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

void TestCapturing::capture_refillingManager_failedPicture_oneMessage()
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

// ------------------------------------------------------- the engine alone

void TestCapturing::engine_readsTheSettingsAtEachCapture()
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

QTEST_MAIN(TestCapturing)
#include "tst_capturing.moc"
