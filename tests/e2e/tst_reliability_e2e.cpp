// The capture service under load and faults: the real Pictarro and
// libbmp2jpeg.so on a real X server, fed by other processes (xclip and
// tests/e2e/clipboard_agent): bursts of pictures, a kill in the middle of
// one, a refilling clipboard manager, a huge picture, a capture folder that
// cannot be written, garbage settings and a soak. Observed only through
// files, windows and the clipboard. Faulty and hostile clipboard owners are
// in tst_owners_e2e.
//
// Run under tests/e2e/with-xvfb.sh, which provides DISPLAY.

#include "ReliabilityFixture.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>
#include <QUrl>
#include <csignal>
#include <cstring>
#include <map>

using namespace e2e;

namespace {

// How long after clearing a picture Pictarro takes the same picture, offered
// again, for a clipboard manager's refill (MainForm's RefillWindowMs).
constexpr int RefillWindowMs = 3000;

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(&file);
    return hash.result();
}

// Every file below a folder, as paths relative to it.
QSet<QString> filesBelow(const QString &folder, const QString &except = {})
{
    QSet<QString> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (except.isEmpty() || !path.startsWith(except + u'/'))
            files.insert(QDir(folder).relativeFilePath(path));
    }
    return files;
}

} // namespace

class tst_ReliabilityE2e : public ReliabilityFixture
{
    Q_OBJECT

private Q_SLOTS:
    void burst_eachPictureOnce_inOrder_data();
    void burst_eachPictureOnce_inOrder();
    void killedMidBurst_restartNeverReusesANumber_data();
    void killedMidBurst_restartNeverReusesANumber();
    void clipboardManagerRefill_savedOnce_noLoop();
    void clipboardAfterCapture_offersTheCaptureOnce_data();
    void clipboardAfterCapture_offersTheCaptureOnce();
    void hugePicture_saved();
    void cannotWrite_oneMessagePerPicture_savedOnceSpaceIsBack_data();
    void cannotWrite_oneMessagePerPicture_savedOnceSpaceIsBack();
    void garbageSettings_startsWithDefaults_andCaptures_data();
    void garbageSettings_startsWithDefaults_andCaptures();
    void soak_memoryFlat_noTemporaryFiles_data();
    void soak_memoryFlat_noTemporaryFiles();
};

// ------------------------------------------------------------------ load

void tst_ReliabilityE2e::burst_eachPictureOnce_inOrder_data()
{
    QTest::addColumn<bool>("jpeg");
    QTest::addColumn<int>("pictures");
    QTest::addColumn<bool>("png");
    QTest::newRow("bitmap, pixel for pixel") << false << 300 << false;
    QTest::newRow("jpeg, each decodes") << true << 300 << false;
    // Each offer comes within the refill window: each is decoded for the
    // refill guard, and still kept as offered.
    QTest::newRow("png, pixel for pixel") << false << 300 << true;
}

void tst_ReliabilityE2e::burst_eachPictureOnce_inOrder()
{
    // Another process offers picture after picture, each the moment the
    // previous one was taken: every one is saved once, in order.
    QFETCH(const bool, jpeg);
    QFETCH(const int, pictures);
    QFETCH(const bool, png);
    const QSize size(96, 64);
    if (jpeg)
        CHECKED(writeSettings(
            {{QStringLiteral("ImageExtensionJPG/SaveExtensionJPG"), QStringLiteral("True")},
             {QStringLiteral("QualityValue/QualityValue"), QStringLiteral("90")}}));
    if (png)
        CHECKED(writeSettings(
            {{QStringLiteral("ImageExtensionPNG/SaveExtensionPNG"), QStringLiteral("True")}}));
    CHECKED(startPictarro());

    Child feeder;
    CHECKED(startAgent(feeder,
                       {QStringLiteral("feed"), QStringLiteral("1"), QString::number(pictures),
                        QString::number(size.width()), QString::number(size.height())},
                       {}));
    QVERIFY2(feeder->waitForFinished(pictures * 1000 + WaitMs),
             qPrintable(QLatin1String("the burst stalled; folder holds: ") +
                        listing(m_install.defaultCaptureFolder())));
    QCOMPARE(feeder->exitCode(), 0);

    QCOMPARE(entries(m_install.defaultCaptureFolder()), captureNames(1, pictures, jpeg, png));
    for (int n = 1; n <= pictures; ++n) {
        CHECKED(verifyPicture(m_install.defaultCaptureFolder() + u'/' + captureName(n, jpeg, png),
                              numberedPicture(n, size), !jpeg));
    }
    QCOMPARE(storedCounter(), QString::number(pictures));
}

void tst_ReliabilityE2e::killedMidBurst_restartNeverReusesANumber_data()
{
    QTest::addColumn<bool>("jpeg");
    QTest::newRow("bitmap") << false;
    QTest::newRow("jpeg") << true;
}

void tst_ReliabilityE2e::killedMidBurst_restartNeverReusesANumber()
{
    QFETCH(const bool, jpeg);
    const QSize size(1920, 1080); // 6 MB a bitmap: writes long enough to be caught
    const QLatin1String extension(jpeg ? ".jpg" : ".bmp");
    if (jpeg)
        CHECKED(writeSettings(
            {{QStringLiteral("ImageExtensionJPG/SaveExtensionJPG"), QStringLiteral("True")}}));
    CHECKED(startPictarro());
    {
        Child feeder;
        CHECKED(startAgent(feeder,
                           {QStringLiteral("feed"), QStringLiteral("1"), QStringLiteral("100000"),
                            QString::number(size.width()), QString::number(size.height())},
                           {}));
        QVERIFY(pollUntil([&] { return entries(m_install.defaultCaptureFolder()).size() >= 5; }));
        // The burst goes on without pause, so the kill lands somewhere in a
        // capture: fetching, encoding or writing. A file being written has
        // no name yet, so where it landed cannot be seen and does not matter.
        ::kill(static_cast<pid_t>(m_pictarro->processId()), SIGKILL);
        QVERIFY(m_pictarro->waitForFinished(WaitMs));
        QCOMPARE(m_pictarro->exitStatus(), QProcess::CrashExit);
    }

    // The settings file reads back whole, with a number for the counter.
    const std::optional<QString> folder =
        iniValue(m_install.settingsFile(), QStringLiteral("CapturePath"), QStringLiteral("Folder"));
    QCOMPARE(folder.value_or(QString()), m_install.defaultCaptureFolder());
    bool isNumber = false;
    const int counter = storedCounter().toInt(&isNumber);
    QVERIFY2(isNumber, qPrintable(storedCounter()));

    // Every file under a capture name is a whole capture of its picture;
    // nothing carries a number beyond the stored counter.
    std::map<QString, QByteArray> before;
    int highest = 0;
    for (const QString &name : entries(m_install.defaultCaptureFolder())) {
        const QString path = m_install.defaultCaptureFolder() + u'/' + name;
        if (!name.endsWith(extension)) {
            // The encoder gives a JPEG its name only once it is whole, so a
            // kill leaves nothing of it; Qt's bitmap writer has a moment
            // between naming and renaming.
            QVERIFY2(!jpeg, qPrintable(QLatin1String("left by the kill: ") + name));
            qInfo("left by the kill: %s", qPrintable(name));
            continue;
        }
        const int n = name.mid(9, name.size() - 13).toInt();
        highest = qMax(highest, n);
        CHECKED(verifyPicture(path, numberedPicture(n, size), !jpeg));
        before[name] = fileHash(path);
    }
    QVERIFY2(highest <= counter,
             qPrintable(QStringLiteral("file %1, counter %2").arg(highest).arg(counter)));
    QVERIFY(highest >= 4);

    // Started again, Pictarro numbers on from the stored counter and leaves
    // every earlier file as it was.
    constexpr int More = 20;
    CHECKED(startPictarro());
    Child feeder;
    CHECKED(startAgent(feeder,
                       {QStringLiteral("feed"), QStringLiteral("1001"), QString::number(More),
                        QString::number(size.width()), QString::number(size.height())},
                       {}));
    QVERIFY(feeder->waitForFinished(More * 1000 + WaitMs));
    for (const auto &[name, hash] : before)
        QVERIFY2(fileHash(m_install.defaultCaptureFolder() + u'/' + name) == hash,
                 qPrintable(name));
    for (int i = 1; i <= More; ++i) {
        CHECKED(
            verifyPicture(m_install.defaultCaptureFolder() + u'/' + captureName(counter + i, jpeg),
                          numberedPicture(1000 + i, size), !jpeg));
    }
    QCOMPARE(storedCounter(), QString::number(counter + More));
    int bitmaps = 0;
    for (const QString &name : entries(m_install.defaultCaptureFolder()))
        bitmaps += name.endsWith(extension) ? 1 : 0;
    QCOMPARE(bitmaps, static_cast<int>(before.size()) + More);
}

// ------------------------------------------------- clipboard after capture

void tst_ReliabilityE2e::clipboardAfterCapture_offersTheCaptureOnce_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("png");     // PNG captures, else bitmaps
    QTest::addColumn<bool>("manager"); // a clipboard manager that refills runs
    QTest::addColumn<bool>("noise");   // pictures of noise, pasted in pieces (INCR)
    QTest::newRow("picture, bitmap") << "Picture" << false << false << false;
    QTest::newRow("file, bitmap") << "File" << false << false << false;
    QTest::newRow("picture, png: the file's bytes") << "Picture" << true << false << false;
    QTest::newRow("picture, png of noise, pasted in pieces") << "Picture" << true << false << true;
    QTest::newRow("picture, refilling manager") << "Picture" << false << true << false;
    QTest::newRow("file, png, refilling manager") << "File" << true << true << false;
}

void tst_ReliabilityE2e::clipboardAfterCapture_offersTheCaptureOnce()
{
    // Once saved, the capture stays on the clipboard to paste: the picture
    // as PNG, pixel for pixel the file's (a PNG file's very bytes), and in
    // File mode the file as a file list, a URI and its path. It is never
    // saved again, a clipboard manager's copy of it neither; the next
    // picture copied is saved and offered in its place, and text copied
    // after it is left alone.
    QFETCH(const QString, mode);
    QFETCH(const bool, png);
    QFETCH(const bool, manager);
    QFETCH(const bool, noise);
    const QSize size(1920, 1080);
    const auto picture = [&](int number) {
        if (!noise)
            return numberedPicture(number, size);
        // 6 MB as PNG: more than one request holds.
        QImage grain(size, QImage::Format_RGB32);
        QRandomGenerator random(static_cast<quint32>(number));
        for (int y = 0; y < size.height(); ++y) {
            auto *row = reinterpret_cast<quint32 *>(grain.scanLine(y));
            random.fillRange(row, size.width());
            for (int x = 0; x < size.width(); ++x)
                row[x] |= 0xff000000u;
        }
        return grain;
    };
    QList<std::pair<QString, QString>> settings{
        {QStringLiteral("ClipboardAfterCapture/Mode"), mode}};
    if (png)
        settings.append(
            {QStringLiteral("ImageExtensionPNG/SaveExtensionPNG"), QStringLiteral("True")});
    CHECKED(writeSettings(settings));
    CHECKED(startPictarro());
    Child keeper;
    QByteArray said;
    if (manager)
        CHECKED(startAgent(keeper, {QStringLiteral("keep")}, "keeping", &said));
    const QString folder = m_install.defaultCaptureFolder();
    const QString first = folder + u'/' + captureName(1, false, png);
    CHECKED(capture(picture(1), first));

    QByteArray targets;
    QVERIFY2(pollUntil([&] {
                 targets = clipboardText("TARGETS");
                 return targets.contains("image/png");
             }),
             targets.constData());
    QStringList offered = QString::fromLatin1(targets).split(u'\n', Qt::SkipEmptyParts);
    QStringList expected{"TARGETS", "TIMESTAMP", "image/png", "application/x-pictarro-capture"};
    if (mode == QLatin1String("File"))
        expected << "text/uri-list"
                 << "x-special/gnome-copied-files"
                 << "UTF8_STRING"
                 << "text/plain;charset=utf-8";
    offered.sort();
    expected.sort();
    QCOMPARE(offered, expected);

    const QByteArray pasted = clipboardText("image/png");
    const QImage pastedPicture = QImage::fromData(pasted, "PNG");
    CHECKED(verifyPicture(first, pastedPicture));
    if (png) {
        QFile file(first);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() == pasted);
    }
    const QString path = QFileInfo(first).absoluteFilePath();
    const QByteArray uri = "file://" + QUrl::toPercentEncoding(path, "/");
    if (mode == QLatin1String("File")) {
        QCOMPARE(clipboardText("text/uri-list"), uri + "\r\n");
        QCOMPARE(clipboardText("x-special/gnome-copied-files"), "copy\n" + uri);
        QCOMPARE(clipboardText("UTF8_STRING"), path.toUtf8());
        QCOMPARE(clipboardText("text/plain;charset=utf-8"), path.toUtf8());
    } else {
        QCOMPARE(clipboardText("UTF8_STRING"), QByteArray());
    }

    // Left on the clipboard, it is not saved again.
    QVERIFY2(!pollUntil([&] { return entries(folder).size() != 1; }, 5000),
             qPrintable(listing(folder)));

    // The next picture copied is saved, and then it is the one offered.
    const QString second = folder + u'/' + captureName(2, false, png);
    const QImage next = picture(2);
    CHECKED(capture(next, second));
    QVERIFY(pollUntil([&] {
        const QImage now = QImage::fromData(clipboardText("image/png"), "PNG");
        return !now.isNull() && !firstDifference(now, next);
    }));

    // Text copied after it stays, and nothing more is saved.
    Child text = m_install.start(m_xclip, {QStringLiteral("-selection"),
                                           QStringLiteral("clipboard"), QStringLiteral("-quiet")});
    QVERIFY(text->waitForStarted(WaitMs));
    text->write("copied afterwards");
    text->closeWriteChannel();
    QVERIFY(pollUntil([&] { return clipboardText() == "copied afterwards"; }));
    QTest::qWait(QuietMs);
    QCOMPARE(clipboardText(), QByteArray("copied afterwards"));
    QCOMPARE(text->state(), QProcess::Running);
    QCOMPARE(entries(folder), captureNames(1, 2, false, png));
    if (manager) {
        said += keeper->readAllStandardOutput();
        QCOMPARE(keeper->state(), QProcess::Running);
    }
    QVERIFY(messageBoxes().isEmpty());
}

// ------------------------------------------------------- hostile desktop

void tst_ReliabilityE2e::clipboardManagerRefill_savedOnce_noLoop()
{
    // A clipboard manager that refills an emptied clipboard offers each
    // picture again the moment Pictarro has taken it. That picture was
    // saved already: it is neither saved again nor taken off the clipboard,
    // so the two never take turns. A different picture is saved as ever,
    // and so is the same picture offered again later, on purpose.
    const QSize size(120, 90);
    CHECKED(startPictarro());
    Child keeper;
    QByteArray said;
    CHECKED(startAgent(keeper, {QStringLiteral("keep")}, "keeping", &said));
    const QString folder = m_install.defaultCaptureFolder();
    const QString first = savePicture(numberedPicture(1, size), QStringLiteral("1.png"));
    const QString second = savePicture(numberedPicture(2, size), QStringLiteral("2.png"));

    // Picked from the manager's history: the manager refills at once.
    keeper->write("offer " + first.toLocal8Bit() + '\n');
    QVERIFY(pollUntil([&] { return QFileInfo::exists(folder + u'/' + captureName(1)); }));
    CHECKED(waitForLine(keeper, said, "refill 1"));

    // Offered by another program: the manager refills with what it last
    // saw, this picture or, if it was not quick enough, the one before.
    CHECKED(capture(numberedPicture(2, size), folder + u'/' + captureName(2)));
    CHECKED(waitForLine(keeper, said, "refill 2"));
    QTest::qWait(RefillWindowMs + QuietMs);
    QCOMPARE(entries(folder), captureNames(1, 2));

    // The same picture again, later and on purpose, is a new capture.
    keeper->write("offer " + second.toLocal8Bit() + '\n');
    QVERIFY(pollUntil([&] { return QFileInfo::exists(folder + u'/' + captureName(3)); }));
    CHECKED(waitForLine(keeper, said, "refill 3"));

    // Left alone, the manager's offer stays and nothing more happens.
    QTest::qWait(QuietMs);
    said += keeper->readAllStandardOutput();
    QCOMPARE(said.count("refill"), 3);
    QCOMPARE(keeper->state(), QProcess::Running);
    QCOMPARE(entries(folder), captureNames(1, 3));
    CHECKED(verifyPicture(folder + u'/' + captureName(1), numberedPicture(1, size)));
    CHECKED(verifyPicture(folder + u'/' + captureName(2), numberedPicture(2, size)));
    CHECKED(verifyPicture(folder + u'/' + captureName(3), numberedPicture(2, size)));
    QCOMPARE(storedCounter(), QStringLiteral("3"));
    QVERIFY(messageBoxes().isEmpty());
}

void tst_ReliabilityE2e::hugePicture_saved()
{
    // 8000×8000: a quarter of a gigabyte once decoded. Mostly one colour,
    // so that making and offering its PNG is quick.
    QImage huge(8000, 8000, QImage::Format_RGB32);
    huge.fill(qRgb(30, 60, 90));
    const QImage corner = numberedPicture(8000, QSize(300, 200));
    for (int y = 0; y < corner.height(); ++y) {
        std::memcpy(huge.scanLine(y + 7700), corner.constScanLine(y),
                    static_cast<std::size_t>(corner.bytesPerLine()));
    }
    for (int x = 0; x < 8000; ++x)
        huge.setPixel(x, x, qRgb(255, 255, 255));
    CHECKED(startPictarro());
    CHECKED(capture(huge, m_install.defaultCaptureFolder() + u'/' + captureName(1)));
    huge = QImage();
    CHECKED(capture(numberedPicture(2, QSize(64, 48)),
                    m_install.defaultCaptureFolder() + u'/' + captureName(2)));
    QCOMPARE(entries(m_install.defaultCaptureFolder()), captureNames(1, 2));
}

// ---------------------------------------------------------------- faults

void tst_ReliabilityE2e::cannotWrite_oneMessagePerPicture_savedOnceSpaceIsBack_data()
{
    QTest::addColumn<bool>("jpeg");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("withManager");
    QTest::newRow("full disk, bitmap") << false << false << false;
    QTest::newRow("full disk, jpeg") << true << false << false;
    QTest::newRow("full disk, clipboard manager refilling") << false << false << true;
    QTest::newRow("read-only folder") << false << true << false;
}

void tst_ReliabilityE2e::cannotWrite_oneMessagePerPicture_savedOnceSpaceIsBack()
{
    QFETCH(const bool, jpeg);
    QFETCH(const bool, readOnly);
    QFETCH(const bool, withManager);
    if (m_xdotool.isEmpty() || m_xprop.isEmpty())
        QSKIP("needs xdotool and xprop (x11-utils) to find and answer message boxes");

    const QString disk = m_install.path(QStringLiteral("small disk"));
    CHECKED(mountSmallDisk(disk, QStringLiteral("size=1m")));
    const QString folder = disk + QLatin1String("/shots");
    QVERIFY(QDir().mkpath(folder));
    if (readOnly) {
        QVERIFY(runQuietly(QStringLiteral("mount"),
                           {QStringLiteral("-o"), QStringLiteral("remount,ro"), disk}));
    } else {
        // Fill the disk to the last byte.
        QFile filler(disk + QLatin1String("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'x');
        while (filler.write(block) > 0) {
        }
        while (filler.write(block.left(1)) > 0) {
        }
    }
    QList<std::pair<QString, QString>> settings{{QStringLiteral("CapturePath/Folder"), folder}};
    if (jpeg)
        settings.append(
            {QStringLiteral("ImageExtensionJPG/SaveExtensionJPG"), QStringLiteral("True")});
    CHECKED(writeSettings(settings));
    CHECKED(startPictarro());
    Child keeper;
    QByteArray keeping;
    if (withManager)
        CHECKED(startAgent(keeper, {QStringLiteral("keep")}, "keeping", &keeping));

    const QSize size(400, 300);
    for (int i = 1; i <= 2; ++i) {
        const QString png = savePicture(numberedPicture(i, size), QStringLiteral("%1.png").arg(i));
        Child xclip;
        if (withManager)
            keeper->write("offer " + png.toLocal8Bit() + '\n');
        else
            CHECKED(offer(xclip, png));
        QVERIFY2(pollUntil([&] { return messageBoxes().size() == 1; }),
                 "no message box for a picture that could not be written");
        // While the user reads the message: no file, whole or partial.
        QCOMPARE(entries(folder), QStringList());
        CHECKED(answerMessageBox());
        // The picture is dropped from the clipboard (and the manager, if
        // any, offers it again at once).
        if (withManager)
            CHECKED(waitForLine(keeper, keeping, "refill " + QByteArray::number(i)));
        else
            QVERIFY2(xclip->waitForFinished(WaitMs), "the failed picture stayed on the clipboard");
        QTest::qWait(QuietMs);
        QVERIFY2(messageBoxes().isEmpty(), "a second message for the same picture");
        QCOMPARE(m_pictarro->state(), QProcess::Running);
    }
    QCOMPARE(entries(folder), QStringList());

    // Space comes back: the next picture is saved, under the next number.
    if (readOnly)
        QVERIFY(runQuietly(QStringLiteral("mount"),
                           {QStringLiteral("-o"), QStringLiteral("remount,rw"), disk}));
    else
        QVERIFY(QFile::remove(disk + QLatin1String("/filler")));
    const QString png = savePicture(numberedPicture(3, size), QStringLiteral("3.png"));
    Child xclip;
    CHECKED(offer(xclip, png));
    const QString expected = folder + u'/' + captureName(3, jpeg);
    QVERIFY2(pollUntil([&] { return QFileInfo::exists(expected); }), qPrintable(listing(folder)));
    QVERIFY(xclip->waitForFinished(WaitMs));
    CHECKED(verifyPicture(expected, numberedPicture(3, size), !jpeg));
    QCOMPARE(entries(folder), QStringList{captureName(3, jpeg)});
    QVERIFY(messageBoxes().isEmpty());
}

void tst_ReliabilityE2e::garbageSettings_startsWithDefaults_andCaptures_data()
{
    QTest::addColumn<QByteArray>("settings");  // @ROOT@: the test's folder
    QTest::addColumn<QString>("expectedFile"); // relative to the program folder

    QByteArray noise(3000, '\0');
    QRandomGenerator generator(42);
    for (char &byte : noise)
        byte = static_cast<char>(generator.bounded(256));
    QTest::newRow("binary noise") << noise << "Captured Screens/Pictarro 1.bmp";
    QTest::newRow("text that is not UTF-8")
        << QByteArray("[CapturePath]\nFolder=\xff\xfe\xfd/shots\n")
        << "Captured Screens/Pictarro 1.bmp";
    QTest::newRow("truncated file")
        << QByteArray("[ImageName]\nSaveName=Holiday\n\n[CaptureCounter]\nCaptureCounter=4\n\n"
                      "[CapturePath]\nFold")
        << "Captured Screens/Holiday 5.bmp";
    QTest::newRow("values of the wrong type")
        << QByteArray("[QualityValue]\nQualityValue=loud\n[ImageExtensionJPG]\n"
                      "SaveExtensionJPG=perhaps\n[PictarroStartUp]\nStartUp=yes\n"
                      "[PictarroMinimized]\nMinimized=[]\n[CaptureCounter]\nCaptureCounter=seven\n")
        << "Captured Screens/Pictarro seven.bmp";
    QTest::newRow("capture folder that is a file")
        << QByteArray("[CapturePath]\nFolder=@ROOT@/work/a file\n")
        << "Captured Screens/Pictarro 1.bmp";
    QTest::newRow("relative capture folder")
        << QByteArray("[CapturePath]\nFolder=shots\n") << "Captured Screens/Pictarro 1.bmp";
    QTest::newRow("base name of forbidden characters")
        << QByteArray("[ImageName]\nSaveName=\\/:*?<>|\"\n") << "Captured Screens/Pictarro 1.bmp";
    QTest::newRow("base name climbing out of the folder")
        << QByteArray("[ImageName]\nSaveName=../../escaped\n")
        << "Captured Screens/....escaped 1.bmp";
    QTest::newRow("counter leading out of the folder")
        << QByteArray("[CaptureCounter]\nCaptureCounter=1/../../escaped\n")
        << "Captured Screens/Pictarro 1.bmp";
    QTest::newRow("written by another editor: byte order mark, CRLF")
        << QByteArray("\xef\xbb\xbf[CapturePath]\r\nFolder=@ROOT@/edited shots\r\n\r\n"
                      "[ImageName]\r\nSaveName=Edited\r\n")
        << "@ROOT@/edited shots/Edited 1.bmp";
}

void tst_ReliabilityE2e::garbageSettings_startsWithDefaults_andCaptures()
{
    QFETCH(QByteArray, settings);
    QFETCH(QString, expectedFile);
    settings.replace("@ROOT@", m_install.path().toUtf8());
    expectedFile.replace(QLatin1String("@ROOT@"), m_install.path());
    const QString expected = QDir(m_install.programFolder()).absoluteFilePath(expectedFile);
    {
        QFile aFile(m_install.path(QStringLiteral("work/a file")));
        QVERIFY(aFile.open(QIODevice::WriteOnly));
        aFile.write("not a folder");
    }
    CHECKED(writeSettingsBytes(settings));
    CHECKED(startPictarro());
    CHECKED(capture(numberedPicture(1, QSize(80, 60)), expected));

    // The file is the only one Pictarro made; nothing landed outside its
    // folder, and the settings file reads back.
    QCOMPARE(entries(QFileInfo(expected).absolutePath()),
             QStringList{QFileInfo(expected).fileName()});
    const QString expectedRelative = QDir(m_install.path()).relativeFilePath(expected);
    const QSet<QString> everything =
        filesBelow(m_install.path(), m_install.path(QStringLiteral("work")));
    for (const QString &file : everything) {
        QVERIFY2(!file.contains(QLatin1String("escaped")) || file == expectedRelative,
                 qPrintable(file));
    }
    QVERIFY(!QFileInfo::exists(m_install.path(QStringLiteral("work/shots"))));
    QVERIFY(!QFileInfo::exists(m_install.programFolder() + QLatin1String("/shots")));
    QFile aFile(m_install.path(QStringLiteral("work/a file")));
    QVERIFY(aFile.open(QIODevice::ReadOnly));
    QCOMPARE(aFile.readAll(), QByteArray("not a folder"));
    QVERIFY(iniValue(m_install.settingsFile(), QStringLiteral("CapturePath"),
                     QStringLiteral("Folder")));
    QCOMPARE(*iniValue(m_install.settingsFile(), QStringLiteral("CapturePath"),
                       QStringLiteral("Folder")),
             QFileInfo(expected).absolutePath());
}

// ------------------------------------------------------------------ soak

void tst_ReliabilityE2e::soak_memoryFlat_noTemporaryFiles_data()
{
    // bench/soak.sh runs this with PICTARRO_SOAK_CAPTURES=2000.
    const int captures = qEnvironmentVariableIsEmpty("PICTARRO_SOAK_CAPTURES")
                             ? 200
                             : qEnvironmentVariableIntValue("PICTARRO_SOAK_CAPTURES");
    QTest::addColumn<bool>("jpeg");
    QTest::addColumn<int>("captures");
    QTest::newRow("bitmap") << false << captures;
    QTest::newRow("jpeg") << true << captures;
}

void tst_ReliabilityE2e::soak_memoryFlat_noTemporaryFiles()
{
    QFETCH(const bool, jpeg);
    QFETCH(const int, captures);
    constexpr int WarmUp = 20;
    QVERIFY(captures > WarmUp);
    const QSize size(640, 360);
    if (jpeg)
        CHECKED(writeSettings(
            {{QStringLiteral("ImageExtensionJPG/SaveExtensionJPG"), QStringLiteral("True")}}));
    CHECKED(startPictarro());
    const QString captureFolder = m_install.defaultCaptureFolder();
    // The settings file may not be written yet, or be caught halfway through
    // its atomic replacement; only the files it ends as count.
    QSet<QString> filesAtStart = filesBelow(m_install.path(), captureFolder);
    filesAtStart.removeIf(
        [](const QString &file) { return file.startsWith("config/Pictarro/1.ini."); });
    filesAtStart.insert(QStringLiteral("config/Pictarro/1.ini"));

    QElapsedTimer clock;
    clock.start();
    Child feeder;
    CHECKED(startAgent(feeder,
                       {QStringLiteral("feed"), QStringLiteral("1"), QString::number(captures),
                        QString::number(size.width()), QString::number(size.height())},
                       {}));
    QByteArray progress;
    CHECKED(waitForLine(feeder, progress, "offered " + QByteArray::number(WarmUp + 1)));
    const qint64 firstKb = residentKb(m_pictarro->processId());
    QVERIFY(feeder->waitForFinished(captures * 1000 + WaitMs));
    QCOMPARE(feeder->exitCode(), 0);
    const qint64 seconds = clock.elapsed() / 1000;
    const qint64 lastKb = residentKb(m_pictarro->processId());
    const qint64 peakKb = residentKb(m_pictarro->processId(), "VmHWM:");
    qInfo("soak, %s: %d captures in %lld s; resident memory after %d captures %lld kB, after "
          "%d captures %lld kB, peak %lld kB",
          jpeg ? "jpeg" : "bitmap", captures, seconds, WarmUp, firstKb, captures, lastKb, peakKb);

    QCOMPARE(entries(captureFolder).size(), qsizetype(captures));
    QCOMPARE(entries(captureFolder), captureNames(1, captures, jpeg));
    CHECKED(verifyPicture(captureFolder + u'/' + captureName(captures, jpeg),
                          numberedPicture(captures, size), !jpeg));
    QCOMPARE(storedCounter(), QString::number(captures));
    // Flat: one picture kept per capture would add 900 kB each.
    QVERIFY2(
        lastKb - firstKb < 16 * 1024,
        qPrintable(
            QStringLiteral("resident memory grew from %1 kB to %2 kB").arg(firstKb).arg(lastKb)));
    // No temporary file anywhere: beside the program, in the settings,
    // runtime and temporary folders, or among the captures.
    QCOMPARE(filesBelow(m_install.path(), captureFolder), filesAtStart);
}

QTEST_GUILESS_MAIN(tst_ReliabilityE2e)
#include "tst_reliability_e2e.moc"
