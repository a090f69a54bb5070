// End-to-end captures: the real Pictarro and libbmp2jpeg.so on a real X
// server, fed by xclip, observed only through files and the clipboard.
//
// Run under tests/e2e/with-xvfb.sh, which provides DISPLAY. This program
// itself needs no display (it only reads and writes pictures); the programs
// it starts use the X server.

#include "E2eSupport.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

using e2e::Child;
using e2e::firstDifference;
using e2e::iniValue;
using e2e::listing;
using e2e::pollUntil;
using e2e::testPicture;
using e2e::WaitMs;

namespace {

struct Setting
{
    QString section;
    QString key;
    QString value;
};

// The mean absolute difference of all colour channels, 0..255.
double meanDifference(const QImage &a, const QImage &b)
{
    const QImage left = a.convertToFormat(QImage::Format_RGB32);
    const QImage right = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int y = 0; y < left.height(); ++y) {
        const auto *l = reinterpret_cast<const QRgb *>(left.constScanLine(y));
        const auto *r = reinterpret_cast<const QRgb *>(right.constScanLine(y));
        for (int x = 0; x < left.width(); ++x) {
            sum += qAbs(qRed(l[x]) - qRed(r[x])) + qAbs(qGreen(l[x]) - qGreen(r[x])) +
                   qAbs(qBlue(l[x]) - qBlue(r[x]));
        }
    }
    return sum / (3.0 * left.width() * left.height());
}

// The luminance quantisation table (table 0) of a JPEG file, in the order
// stored (zig-zag), or nothing if the file has none.
std::optional<std::array<int, 64>> lumaQuantTable(const QByteArray &jpeg)
{
    const auto byte = [&jpeg](qsizetype i) {
        return static_cast<unsigned char>(jpeg.at(i));
    };
    if (jpeg.size() < 4 || byte(0) != 0xff || byte(1) != 0xd8)
        return std::nullopt;
    qsizetype pos = 2;
    while (pos + 4 <= jpeg.size() && byte(pos) == 0xff) {
        const unsigned char marker = byte(pos + 1);
        const qsizetype length = byte(pos + 2) << 8 | byte(pos + 3);
        const qsizetype end = pos + 2 + length;
        if (marker == 0xda || end > jpeg.size())
            break; // image data follows: no more tables
        if (marker == 0xdb) {
            for (qsizetype t = pos + 4; t < end;) {
                const bool wide = (byte(t) >> 4) != 0;
                const int id = byte(t) & 0x0f;
                std::array<int, 64> table{};
                for (int i = 0; i < 64; ++i)
                    table[static_cast<std::size_t>(i)] =
                        wide ? byte(t + 1 + 2 * i) << 8 | byte(t + 2 + 2 * i) : byte(t + 1 + i);
                if (id == 0)
                    return table;
                t += 1 + (wide ? 128 : 64);
            }
        }
        pos = end;
    }
    return std::nullopt;
}

// The IJG scaling of a standard table entry for a quality, as baseline
// libjpeg encoders apply it.
int scaledQuantEntry(int standard, int quality)
{
    const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    return qBound(1, (standard * scale + 50) / 100, 255);
}

} // namespace

class tst_CaptureE2e : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void capturesPicture_data();
    void capturesPicture();
    void capturesInSeries_data();
    void capturesInSeries();
    void neverOverwrites_data();
    void neverOverwrites();
    void leavesTextAlone();
    void secondInstanceExits();
    void burstUnderLoad_eachPictureSavedOnce();
    void copiedAgainWhileSaved_eachPictureSavedOnce();

private:
    void writeSettings(const QList<Setting> &settings);
    QString storedCounter() const;
    QString savePicture(const QImage &picture, const QString &name);

    void startPictarro(Child &pictarro);
    void waitUntilReady(const QString &captureFolder);
    void offerPicture(const QString &png, Child &xclip);
    void waitForFile(const QString &file);
    void waitUntilCleared(Child &xclip);
    void verifyClipboardEmpty();
    void capture(const QString &png, const QString &expectedFile);

    e2e::Installation m_install;
    Child m_pictarro;
    QString m_xclip;
};

void tst_CaptureE2e::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"),
             "needs an X server: run through tests/e2e/with-xvfb.sh");
    m_xclip = QStandardPaths::findExecutable(QStringLiteral("xclip"));
    QVERIFY2(!m_xclip.isEmpty(), "xclip is not installed");
    for (const QString &binary : e2e::PictarroFiles) {
        const QString path = QStringLiteral(PICTARRO_BIN_DIR "/") + binary;
        QVERIFY2(QFileInfo::exists(path), qPrintable(path + QLatin1String(" is not built")));
    }
}

void tst_CaptureE2e::init()
{
    const QString failed = m_install.create(QStringLiteral("e2e"), QStringLiteral(PICTARRO_BIN_DIR),
                                            e2e::PictarroFiles);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
}

void tst_CaptureE2e::cleanup()
{
    if (m_pictarro && QTest::currentTestFailed()) {
        qWarning("Pictarro's output:\n%s%s", m_pictarro->readAllStandardOutput().constData(),
                 m_pictarro->readAllStandardError().constData());
        qWarning("Capture folder: %s", qPrintable(listing(m_install.defaultCaptureFolder())));
    }
    m_pictarro.reset();
    m_install.remove();
}

void tst_CaptureE2e::writeSettings(const QList<Setting> &settings)
{
    QVERIFY(QDir().mkpath(QFileInfo(m_install.settingsFile()).absolutePath()));
    QString text;
    for (const Setting &setting : settings)
        text += u'[' + setting.section + QLatin1String("]\n") + setting.key + u'=' + setting.value +
                QLatin1String("\n\n");
    QFile file(m_install.settingsFile());
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(text.toUtf8()), text.toUtf8().size());
}

QString tst_CaptureE2e::storedCounter() const
{
    return iniValue(m_install.settingsFile(), QStringLiteral("CaptureCounter"),
                    QStringLiteral("CaptureCounter"))
        .value_or(QStringLiteral("<not stored>"));
}

QString tst_CaptureE2e::savePicture(const QImage &picture, const QString &name)
{
    const QString path = m_install.path(name);
    if (!picture.save(path, "PNG"))
        return {};
    return path;
}

void tst_CaptureE2e::startPictarro(Child &pictarro)
{
    pictarro = m_install.start(m_install.programFolder() + QLatin1String("/Pictarro"), {});
    QVERIFY2(pictarro->waitForStarted(WaitMs), qPrintable(pictarro->errorString()));
}

void tst_CaptureE2e::waitUntilReady(const QString &captureFolder)
{
    // Ready means past its start-up: it has stored the capture folder and
    // created it. Both happen after it clears the clipboard at start, so a
    // picture offered from then on is not wiped by that clear. A test case
    // therefore never prepares both the folder setting and the folder.
    const bool ready = pollUntil([&] {
        const std::optional<QString> stored = iniValue(
            m_install.settingsFile(), QStringLiteral("CapturePath"), QStringLiteral("Folder"));
        return (stored && *stored == captureFolder && QFileInfo(captureFolder).isDir()) ||
               m_pictarro->state() == QProcess::NotRunning;
    });
    QVERIFY2(m_pictarro->state() == QProcess::Running, "Pictarro ended during start-up");
    QVERIFY2(ready, "Pictarro did not store and create its capture folder in time");
}

void tst_CaptureE2e::offerPicture(const QString &png, Child &xclip)
{
    // -quiet keeps xclip in the foreground: it serves the picture until it
    // loses the clipboard, then exits.
    xclip = m_install.start(m_xclip, {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                      QStringLiteral("-t"), QStringLiteral("image/png"),
                                      QStringLiteral("-i"), png, QStringLiteral("-quiet")});
    QVERIFY2(xclip->waitForStarted(WaitMs), qPrintable(xclip->errorString()));
}

void tst_CaptureE2e::waitForFile(const QString &file)
{
    // A capture appears under its final name only once complete.
    QVERIFY2(pollUntil([&] { return QFileInfo::exists(file); }),
             qPrintable(QLatin1String("no capture ") + file + QLatin1String("; folder holds: ") +
                        listing(QFileInfo(file).absolutePath())));
}

void tst_CaptureE2e::waitUntilCleared(Child &xclip)
{
    // xclip exits as soon as it loses the clipboard.
    QVERIFY2(xclip->waitForFinished(WaitMs), "the clipboard was not cleared after the capture");
    QCOMPARE(xclip->exitStatus(), QProcess::NormalExit);
}

void tst_CaptureE2e::verifyClipboardEmpty()
{
    QProcess reader;
    reader.setProcessEnvironment(m_install.environment());
    reader.start(m_xclip,
                 {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                  QStringLiteral("-t"), QStringLiteral("TARGETS")});
    QVERIFY(reader.waitForFinished(WaitMs));
    const QByteArray offered = reader.readAllStandardOutput();
    QVERIFY2(
        reader.exitCode() != 0 || offered.trimmed().isEmpty(),
        qPrintable(QLatin1String("the clipboard still offers: ") + QString::fromUtf8(offered)));
}

void tst_CaptureE2e::capture(const QString &png, const QString &expectedFile)
{
    Child xclip;
    CHECKED(offerPicture(png, xclip));
    CHECKED(waitForFile(expectedFile));
    CHECKED(waitUntilCleared(xclip));
}

// ------------------------------------------------------------------ cases

void tst_CaptureE2e::capturesPicture_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<Setting>>("settings");
    QTest::addColumn<QString>("expectedName"); // beside the program when relative
    QTest::addColumn<int>("jpegQuality");      // 0: a bitmap, compared exactly

    const auto jpeg = [](int quality) {
        return QList<Setting>{{QStringLiteral("ImageExtensionJPG"),
                               QStringLiteral("SaveExtensionJPG"), QStringLiteral("True")},
                              {QStringLiteral("QualityValue"), QStringLiteral("QualityValue"),
                               QString::number(quality)}};
    };

    QTest::newRow("bitmap, odd size") << QSize(301, 157) << QList<Setting>()
                                      << QStringLiteral("Captured Screens/Pictarro 1.bmp") << 0;
    QTest::newRow("bitmap, one pixel") << QSize(1, 1) << QList<Setting>()
                                       << QStringLiteral("Captured Screens/Pictarro 1.bmp") << 0;
    QTest::newRow("bitmap, full HD screen")
        << QSize(1920, 1080) << QList<Setting>()
        << QStringLiteral("Captured Screens/Pictarro 1.bmp") << 0;
    QTest::newRow("bitmap, own folder and name")
        << QSize(97, 61)
        << QList<Setting>{{QStringLiteral("CapturePath"), QStringLiteral("Folder"),
                           QStringLiteral("@ROOT@/my shots")},
                          {QStringLiteral("ImageName"), QStringLiteral("SaveName"),
                           QStringLiteral("Desk")}}
        << QStringLiteral("@ROOT@/my shots/Desk 1.bmp") << 0;
    QTest::newRow("jpeg, quality 75")
        << QSize(301, 157) << jpeg(75) << QStringLiteral("Captured Screens/Pictarro 1.jpg") << 75;
    QTest::newRow("jpeg, quality 20")
        << QSize(301, 157) << jpeg(20) << QStringLiteral("Captured Screens/Pictarro 1.jpg") << 20;
    // The PNG file xclip offers is kept byte for byte.
    QTest::newRow("png, full HD screen")
        << QSize(1920, 1080)
        << QList<Setting>{{QStringLiteral("ImageExtensionPNG"), QStringLiteral("SaveExtensionPNG"),
                           QStringLiteral("True")}}
        << QStringLiteral("Captured Screens/Pictarro 1.png") << 0;
}

void tst_CaptureE2e::capturesPicture()
{
    QFETCH(const QSize, size);
    QFETCH(QList<Setting>, settings);
    QFETCH(QString, expectedName);
    QFETCH(const int, jpegQuality);

    QString captureFolder = m_install.defaultCaptureFolder();
    for (Setting &setting : settings) {
        setting.value.replace(QLatin1String("@ROOT@"), m_install.path());
        if (setting.section == QLatin1String("CapturePath"))
            captureFolder = setting.value;
    }
    expectedName.replace(QLatin1String("@ROOT@"), m_install.path());
    const QString expected = QDir(m_install.programFolder()).absoluteFilePath(expectedName);
    if (!settings.isEmpty())
        CHECKED(writeSettings(settings));

    const QImage source = testPicture(size);
    const QString png = savePicture(source, QStringLiteral("source.png"));
    QVERIFY(!png.isEmpty());

    CHECKED(startPictarro(m_pictarro));
    CHECKED(waitUntilReady(captureFolder));
    CHECKED(capture(png, expected));
    CHECKED(verifyClipboardEmpty());

    // Nothing else is left in the folder, no temporary file either.
    QCOMPARE(listing(captureFolder), QFileInfo(expected).fileName());
    QCOMPARE(storedCounter(), QStringLiteral("1"));

    QFile file(expected);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const bool keptPng = expected.endsWith(QLatin1String(".png"));
    const QImage captured = QImage::fromData(bytes, keptPng            ? "PNG"
                                                    : jpegQuality == 0 ? "BMP"
                                                                       : "JPEG");
    QVERIFY2(!captured.isNull(), "the capture does not decode");
    QCOMPARE(captured.size(), source.size());
    if (keptPng) {
        QFile offered(png);
        QVERIFY(offered.open(QIODevice::ReadOnly));
        QVERIFY2(bytes == offered.readAll(), "the PNG file offered was not kept as it is");
    }

    if (jpegQuality == 0) {
        const std::optional<QPoint> difference = firstDifference(captured, source);
        QVERIFY2(!difference, qPrintable(QStringLiteral("first differing pixel at %1,%2")
                                             .arg(difference ? difference->x() : 0)
                                             .arg(difference ? difference->y() : 0)));
        return;
    }

    // Close colours: not much further from the source than a standard
    // baseline encoding at the same quality.
    QByteArray reference;
    QBuffer buffer(&reference);
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    QVERIFY(source.save(&buffer, "JPEG", jpegQuality));
    const double referenceMean = meanDifference(QImage::fromData(reference, "JPEG"), source);
    const double mean = meanDifference(captured, source);
    QVERIFY2(mean <= referenceMean * 1.25 + 0.5,
             qPrintable(QStringLiteral("mean colour difference %1, a standard encoder's %2")
                            .arg(mean)
                            .arg(referenceMean)));
    // The quality setting reaches the encoder: the standard luminance table
    // (first entry 16, last 99) is scaled for exactly that quality.
    const std::optional<std::array<int, 64>> table = lumaQuantTable(bytes);
    QVERIFY2(table, "the capture has no luminance quantisation table");
    QCOMPARE(table->front(), scaledQuantEntry(16, jpegQuality));
    QCOMPARE(table->back(), scaledQuantEntry(99, jpegQuality));
}

void tst_CaptureE2e::capturesInSeries_data()
{
    QTest::addColumn<QList<Setting>>("settings");
    QTest::addColumn<QStringList>("expectedNames");
    QTest::addColumn<QString>("expectedCounter");

    QTest::newRow("bitmaps from a fresh start")
        << QList<Setting>()
        << QStringList{QStringLiteral("Pictarro 1.bmp"), QStringLiteral("Pictarro 2.bmp"),
                       QStringLiteral("Pictarro 3.bmp")}
        << QStringLiteral("3");
    QTest::newRow("jpegs from a stored counter")
        << QList<Setting>{{QStringLiteral("ImageExtensionJPG"), QStringLiteral("SaveExtensionJPG"),
                           QStringLiteral("True")},
                          {QStringLiteral("QualityValue"), QStringLiteral("QualityValue"),
                           QStringLiteral("75")},
                          {QStringLiteral("CaptureCounter"), QStringLiteral("CaptureCounter"),
                           QStringLiteral("41")}}
        << QStringList{QStringLiteral("Pictarro 42.jpg"), QStringLiteral("Pictarro 43.jpg"),
                       QStringLiteral("Pictarro 44.jpg")}
        << QStringLiteral("44");
}

void tst_CaptureE2e::capturesInSeries()
{
    QFETCH(const QList<Setting>, settings);
    QFETCH(const QStringList, expectedNames);
    QFETCH(const QString, expectedCounter);

    if (!settings.isEmpty())
        CHECKED(writeSettings(settings));
    CHECKED(startPictarro(m_pictarro));
    CHECKED(waitUntilReady(m_install.defaultCaptureFolder()));

    // Each capture is a different picture, so each file can be told apart.
    QList<QImage> sources;
    for (int i = 0; i < expectedNames.size(); ++i) {
        sources.append(testPicture(QSize(120 + 10 * i, 80 + 5 * i)));
        const QString png = savePicture(sources.last(), QStringLiteral("source %1.png").arg(i));
        QVERIFY(!png.isEmpty());
        CHECKED(capture(png, m_install.defaultCaptureFolder() + u'/' + expectedNames.at(i)));
    }

    QStringList expectedListing = expectedNames;
    expectedListing.sort();
    QCOMPARE(listing(m_install.defaultCaptureFolder()), expectedListing.join(QLatin1String(", ")));
    for (int i = 0; i < expectedNames.size(); ++i) {
        const QImage captured(m_install.defaultCaptureFolder() + u'/' + expectedNames.at(i));
        QCOMPARE(captured.size(), sources.at(i).size());
    }
    QCOMPARE(storedCounter(), expectedCounter);
}

void tst_CaptureE2e::neverOverwrites_data()
{
    QTest::addColumn<bool>("jpeg");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("expectedName");
    QTest::addColumn<QString>("expectedCounter");

    QTest::newRow("bitmap 1 taken") << false << QStringList{QStringLiteral("Pictarro 1.bmp")}
                                    << QStringLiteral("Pictarro 2.bmp") << QStringLiteral("2");
    QTest::newRow("bitmaps 1 and 2 taken")
        << false << QStringList{QStringLiteral("Pictarro 1.bmp"), QStringLiteral("Pictarro 2.bmp")}
        << QStringLiteral("Pictarro 3.bmp") << QStringLiteral("3");
    QTest::newRow("jpeg 1 taken") << true << QStringList{QStringLiteral("Pictarro 1.jpg")}
                                  << QStringLiteral("Pictarro 2.jpg") << QStringLiteral("2");
    QTest::newRow("other format's name is no collision")
        << false << QStringList{QStringLiteral("Pictarro 1.jpg")}
        << QStringLiteral("Pictarro 1.bmp") << QStringLiteral("1");
}

void tst_CaptureE2e::neverOverwrites()
{
    QFETCH(const bool, jpeg);
    QFETCH(const QStringList, existing);
    QFETCH(const QString, expectedName);
    QFETCH(const QString, expectedCounter);

    // The capture folder exists before the start, so readiness rests on the
    // folder setting that Pictarro stores: it is left out here.
    if (jpeg)
        CHECKED(writeSettings({{QStringLiteral("ImageExtensionJPG"),
                                QStringLiteral("SaveExtensionJPG"), QStringLiteral("True")}}));
    QVERIFY(QDir().mkpath(m_install.defaultCaptureFolder()));
    for (const QString &name : existing) {
        QFile file(m_install.defaultCaptureFolder() + u'/' + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write("an earlier capture: " + name.toUtf8()) > 0);
    }

    const QString png = savePicture(testPicture(QSize(64, 48)), QStringLiteral("source.png"));
    QVERIFY(!png.isEmpty());
    CHECKED(startPictarro(m_pictarro));
    CHECKED(waitUntilReady(m_install.defaultCaptureFolder()));
    CHECKED(capture(png, m_install.defaultCaptureFolder() + u'/' + expectedName));

    for (const QString &name : existing) {
        QFile file(m_install.defaultCaptureFolder() + u'/' + name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), "an earlier capture: " + name.toUtf8());
    }
    QVERIFY(!QImage(m_install.defaultCaptureFolder() + u'/' + expectedName).isNull());
    QCOMPARE(storedCounter(), expectedCounter);
}

void tst_CaptureE2e::leavesTextAlone()
{
    CHECKED(startPictarro(m_pictarro));
    CHECKED(waitUntilReady(m_install.defaultCaptureFolder()));

    // -verbose: xclip keeps to the foreground and reports each request it
    // waits for, which tells when Pictarro has looked at the text.
    const QByteArray text = "not a picture\n";
    Child textOwner =
        m_install.start(m_xclip, {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                  QStringLiteral("-verbose")});
    QVERIFY(textOwner->waitForStarted(WaitMs));
    textOwner->write(text);
    textOwner->closeWriteChannel();
    QByteArray report;
    const bool looked = pollUntil([&] {
        report += textOwner->readAllStandardError();
        return report.contains("request number 2") || textOwner->state() == QProcess::NotRunning;
    });
    QVERIFY2(looked && textOwner->state() == QProcess::Running,
             qPrintable(QLatin1String("Pictarro never read the clipboard, or it was cleared: ") +
                        QString::fromUtf8(report)));

    QProcess reader;
    reader.setProcessEnvironment(m_install.environment());
    reader.start(m_xclip,
                 {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    QVERIFY(reader.waitForFinished(WaitMs));
    QCOMPARE(reader.exitCode(), 0);
    QCOMPARE(reader.readAllStandardOutput(), text);
    QCOMPARE(textOwner->state(), QProcess::Running);

    // Clipboard changes are handled in order: once a picture offered after
    // the text is captured, the text has been dealt with. It took no number.
    const QString png = savePicture(testPicture(QSize(32, 32)), QStringLiteral("source.png"));
    QVERIFY(!png.isEmpty());
    CHECKED(capture(png, m_install.defaultCaptureFolder() + QLatin1String("/Pictarro 1.bmp")));
    QCOMPARE(listing(m_install.defaultCaptureFolder()), QStringLiteral("Pictarro 1.bmp"));
}

void tst_CaptureE2e::secondInstanceExits()
{
    CHECKED(startPictarro(m_pictarro));
    CHECKED(waitUntilReady(m_install.defaultCaptureFolder()));

    Child second;
    CHECKED(startPictarro(second));
    QVERIFY2(second->waitForFinished(WaitMs), "the second Pictarro keeps running");
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);

    QCOMPARE(m_pictarro->state(), QProcess::Running);
    const QString png = savePicture(testPicture(QSize(50, 40)), QStringLiteral("source.png"));
    QVERIFY(!png.isEmpty());
    CHECKED(capture(png, m_install.defaultCaptureFolder() + QLatin1String("/Pictarro 1.bmp")));
    QCOMPARE(listing(m_install.defaultCaptureFolder()), QStringLiteral("Pictarro 1.bmp"));
}

// Keeps the processor busy while it lives, so that the announcement of a
// new clipboard owner can lag behind the capture that answers it.
class BusyProcessor
{
public:
    explicit BusyProcessor(unsigned threads)
    {
        for (unsigned i = 0; i < threads; ++i) {
            m_threads.emplace_back([this] {
                while (!m_stop.load(std::memory_order_relaxed)) {
                }
            });
        }
    }
    BusyProcessor(const BusyProcessor &) = delete;
    BusyProcessor &operator=(const BusyProcessor &) = delete;
    ~BusyProcessor()
    {
        m_stop = true;
        for (std::thread &thread : m_threads)
            thread.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::vector<std::thread> m_threads;
};

void tst_CaptureE2e::burstUnderLoad_eachPictureSavedOnce()
{
    // Pictures offered back to back, each as soon as the last was taken,
    // on a busy machine: every one is saved exactly once, in order.
    constexpr int Pictures = 60;
    CHECKED(startPictarro(m_pictarro));
    CHECKED(waitUntilReady(m_install.defaultCaptureFolder()));

    QStringList pngs;
    for (int i = 0; i < Pictures; ++i) {
        pngs << savePicture(testPicture(QSize(40 + i, 30 + i % 7)),
                            QStringLiteral("burst %1.png").arg(i));
        QVERIFY(!pngs.last().isEmpty());
    }
    {
        const BusyProcessor load(std::max(2u, std::thread::hardware_concurrency()));
        for (const QString &png : pngs) {
            Child xclip;
            CHECKED(offerPicture(png, xclip));
            CHECKED(waitUntilCleared(xclip));
        }
    }
    const QString last =
        m_install.defaultCaptureFolder() + QStringLiteral("/Pictarro %1.bmp").arg(Pictures);
    CHECKED(waitForFile(last));

    QStringList expected;
    for (int i = 1; i <= Pictures; ++i)
        expected << QStringLiteral("Pictarro %1.bmp").arg(i);
    expected.sort();
    QCOMPARE(listing(m_install.defaultCaptureFolder()), expected.join(QLatin1String(", ")));
    for (int i = 0; i < Pictures; ++i) {
        const QImage captured(m_install.defaultCaptureFolder() +
                              QStringLiteral("/Pictarro %1.bmp").arg(i + 1));
        QCOMPARE(captured.size(), QSize(40 + i, 30 + i % 7));
    }
    QCOMPARE(storedCounter(), QString::number(Pictures));
}

void tst_CaptureE2e::copiedAgainWhileSaved_eachPictureSavedOnce()
{
    // One program copies its next picture the moment the last one was read,
    // while Pictarro is still saving it: emptying the clipboard afterwards
    // must not take the new picture, although the same window offers it.
    constexpr int Pictures = 8;
    const QSize size(640, 480);
    CHECKED(startPictarro(m_pictarro));
    CHECKED(waitUntilReady(m_install.defaultCaptureFolder()));
    Child agent = m_install.start(QStringLiteral(CLIPBOARD_AGENT),
                                  {QStringLiteral("feed-eagerly"), QStringLiteral("1"),
                                   QString::number(Pictures), QString::number(size.width()),
                                   QString::number(size.height())});
    const QString folder = m_install.defaultCaptureFolder();
    CHECKED(waitForFile(folder + QStringLiteral("/Pictarro %1.bmp").arg(Pictures)));
    QVERIFY2(agent->waitForFinished(WaitMs), agent->readAllStandardOutput().constData());
    QStringList expected;
    for (int n = 1; n <= Pictures; ++n) {
        expected << QStringLiteral("Pictarro %1.bmp").arg(n);
        const QImage saved(folder + u'/' + expected.last());
        QVERIFY2(!firstDifference(saved, e2e::numberedPicture(n, size)),
                 qPrintable(expected.last()));
    }
    expected.sort();
    QCOMPARE(listing(folder), expected.join(QLatin1String(", ")));
}

QTEST_GUILESS_MAIN(tst_CaptureE2e)
#include "tst_capture_e2e.moc"
