// The capture service under load, faults and a hostile desktop: the real
// Pictarro and libbmp2jpeg.so on a real X server, fed and harassed by other
// processes (xclip and tests/e2e/clipboard_agent), observed only through
// files, windows and the clipboard.
//
// Run under tests/e2e/with-xvfb.sh, which provides DISPLAY.

#include "E2eSupport.h"
#include "HostileFiles.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImageReader>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstring>
#include <map>

using namespace e2e;

namespace {

// How long after clearing a picture Pictarro takes the same picture, offered
// again, for a clipboard manager's refill (MainForm's RefillWindowMs).
constexpr int RefillWindowMs = 3000;

// Waiting this long shows that something that would follow at once does not
// happen: an announcement, a request or a message box come within
// milliseconds when they come at all.
constexpr int QuietMs = 1500;

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(&file);
    return hash.result();
}

// The resident memory of a process, in kB, or -1.
qint64 residentKb(qint64 pid, const char *field = "VmRSS:")
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
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

QString captureName(int number, bool jpeg = false, bool png = false)
{
    return QStringLiteral("Pictarro %1.%2").arg(number).arg(jpeg ? "jpg" : png ? "png" : "bmp");
}

// The names of a series of captures, sorted as a folder listing is.
QStringList captureNames(int first, int last, bool jpeg = false, bool png = false)
{
    QStringList names;
    for (int n = first; n <= last; ++n)
        names << captureName(n, jpeg, png);
    names.sort();
    return names;
}

bool runQuietly(const QString &program, const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(WaitMs))
        return false;
    if (output)
        *output = process.readAllStandardOutput() + process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

class tst_ReliabilityE2e : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void burst_eachPictureOnce_inOrder_data();
    void burst_eachPictureOnce_inOrder();
    void killedMidBurst_restartNeverReusesANumber_data();
    void killedMidBurst_restartNeverReusesANumber();
    void clipboardManagerRefill_savedOnce_noLoop();
    void faultyOwner_survived_nextPictureSaved_data();
    void faultyOwner_survived_nextPictureSaved();
    void hugePicture_saved();
    void quitAtOnce_handedOver_data();
    void quitAtOnce_handedOver();
    void cannotWrite_oneMessagePerPicture_savedOnceSpaceIsBack_data();
    void cannotWrite_oneMessagePerPicture_savedOnceSpaceIsBack();
    void garbageSettings_startsWithDefaults_andCaptures_data();
    void garbageSettings_startsWithDefaults_andCaptures();
    void soak_memoryFlat_noTemporaryFiles_data();
    void soak_memoryFlat_noTemporaryFiles();

private:
    void writeSettingsBytes(const QByteArray &bytes);
    void writeSettings(const QList<std::pair<QString, QString>> &sectionKeyValue);
    QString storedCounter() const;
    QString savePicture(const QImage &picture, const QString &name);

    void startPictarro();
    void startAgent(Child &agent, const QStringList &arguments, const QByteArray &ready,
                    QByteArray *said = nullptr);
    void waitForLine(Child &child, QByteArray &seen, const QByteArray &line);
    void offer(Child &xclip, const QString &file, const char *type = "image/png",
               bool verbose = false);
    void capture(const QImage &picture, const QString &expectedFile);
    void verifyPicture(const QString &file, const QImage &expected, bool exact = true);
    void mountSmallDisk(const QString &at, const QString &options);
    QStringList messageBoxes();
    void answerMessageBox();
    // What the clipboard offers as `target`; empty when nothing is offered.
    QByteArray clipboardText(const char *target = "UTF8_STRING");

    e2e::Installation m_install;
    Child m_pictarro;
    QString m_xclip;
    QString m_xdotool;
    QString m_xprop;
    QStringList m_mounts;
};

void tst_ReliabilityE2e::initTestCase()
{
    QImageReader::setAllocationLimit(0); // the huge picture is read back here too
    QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"),
             "needs an X server: run through tests/e2e/with-xvfb.sh");
    m_xclip = QStandardPaths::findExecutable(QStringLiteral("xclip"));
    QVERIFY2(!m_xclip.isEmpty(), "xclip is not installed");
    m_xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    m_xprop = QStandardPaths::findExecutable(QStringLiteral("xprop"));
    for (const QString &binary : e2e::PictarroFiles) {
        const QString path = QStringLiteral(PICTARRO_BIN_DIR "/") + binary;
        QVERIFY2(QFileInfo::exists(path), qPrintable(path + QLatin1String(" is not built")));
    }
    QVERIFY2(QFileInfo(QStringLiteral(CLIPBOARD_AGENT)).isExecutable(), CLIPBOARD_AGENT);
}

void tst_ReliabilityE2e::init()
{
    const QString failed = m_install.create(QStringLiteral("reliability"),
                                            QStringLiteral(PICTARRO_BIN_DIR), e2e::PictarroFiles);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
}

void tst_ReliabilityE2e::cleanup()
{
    if (m_pictarro && QTest::currentTestFailed()) {
        qWarning("Pictarro's output:\n%s%s", m_pictarro->readAllStandardOutput().constData(),
                 m_pictarro->readAllStandardError().constData());
        const QStringList captures = entries(m_install.defaultCaptureFolder());
        qWarning("Capture folder: %s",
                 qPrintable(captures.size() <= 40
                                ? captures.join(QLatin1String(", "))
                                : QStringLiteral("%1 entries").arg(captures.size())));
    }
    m_pictarro.reset();
    for (const QString &mount : std::as_const(m_mounts))
        runQuietly(QStringLiteral("umount"), {QStringLiteral("-l"), mount});
    m_mounts.clear();
    m_install.remove();
}

void tst_ReliabilityE2e::writeSettingsBytes(const QByteArray &bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(m_install.settingsFile()).absolutePath()));
    QFile file(m_install.settingsFile());
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

void tst_ReliabilityE2e::writeSettings(const QList<std::pair<QString, QString>> &sectionKeyValue)
{
    // "Section/Key" = value
    QByteArray text;
    for (const auto &[where, value] : sectionKeyValue) {
        const QStringList parts = where.split(u'/');
        text += '[' + parts[0].toUtf8() + "]\n" + parts[1].toUtf8() + '=' + value.toUtf8() + "\n\n";
    }
    writeSettingsBytes(text);
}

QString tst_ReliabilityE2e::storedCounter() const
{
    return iniValue(m_install.settingsFile(), QStringLiteral("CaptureCounter"),
                    QStringLiteral("CaptureCounter"))
        .value_or(QStringLiteral("<not stored>"));
}

QString tst_ReliabilityE2e::savePicture(const QImage &picture, const QString &name)
{
    const QString path = m_install.path(QLatin1String("work/") + name);
    if (!picture.save(path, "PNG"))
        return {};
    return path;
}

void tst_ReliabilityE2e::startPictarro()
{
    // Pictarro empties the clipboard as it starts: a text offered before
    // the start tells, by going away, that Pictarro is past that point and
    // that a picture offered now is Pictarro's to take.
    // A busy X server may turn a connection away now and then: an xclip
    // that could not connect is started again.
    Child sentinel;
    const auto offerSentinel = [&] {
        sentinel =
            m_install.start(m_xclip, {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                      QStringLiteral("-quiet")});
        if (sentinel->waitForStarted(WaitMs)) {
            sentinel->write("before Pictarro started\n");
            sentinel->waitForBytesWritten(WaitMs);
            sentinel->closeWriteChannel();
        }
    };
    offerSentinel();
    QByteArray read;
    const bool offered = pollUntil([&] {
        if (sentinel->state() == QProcess::NotRunning) {
            read = sentinel->readAllStandardError();
            offerSentinel();
            return false;
        }
        QProcess reader;
        reader.setProcessEnvironment(m_install.environment());
        reader.start(m_xclip, {QStringLiteral("-o"), QStringLiteral("-selection"),
                               QStringLiteral("clipboard")});
        if (!reader.waitForFinished(3000)) {
            reader.kill();
            reader.waitForFinished(WaitMs);
        }
        read = reader.readAllStandardOutput() + reader.readAllStandardError();
        return read.startsWith("before Pictarro");
    });
    QVERIFY2(offered, qPrintable(QLatin1String("the clipboard gave: ") + QString::fromUtf8(read) +
                                 QString::fromUtf8(sentinel->readAllStandardError())));

    m_pictarro = m_install.start(m_install.programFolder() + QLatin1String("/Pictarro"), {});
    QVERIFY2(m_pictarro->waitForStarted(WaitMs), qPrintable(m_pictarro->errorString()));
    const bool cleared = sentinel->waitForFinished(WaitMs);
    QVERIFY2(m_pictarro->state() == QProcess::Running, "Pictarro ended during start-up");
    QVERIFY2(cleared, "Pictarro did not empty the clipboard as it started");
}

void tst_ReliabilityE2e::waitForLine(Child &child, QByteArray &seen, const QByteArray &line)
{
    const bool found = pollUntil([&] {
        seen += child->readAllStandardOutput();
        return seen.split('\n').contains(line) || child->state() == QProcess::NotRunning;
    });
    seen += child->readAllStandardOutput();
    QVERIFY2(found && seen.split('\n').contains(line),
             qPrintable(QLatin1String("waited for \"") + QString::fromUtf8(line) +
                        QLatin1String("\"; got: ") + QString::fromUtf8(seen) +
                        QString::fromUtf8(child->readAllStandardError())));
}

void tst_ReliabilityE2e::startAgent(Child &agent, const QStringList &arguments,
                                    const QByteArray &ready, QByteArray *said)
{
    agent = m_install.start(QStringLiteral(CLIPBOARD_AGENT), arguments);
    QVERIFY2(agent->waitForStarted(WaitMs), qPrintable(agent->errorString()));
    QByteArray seen;
    if (!ready.isEmpty())
        CHECKED(waitForLine(agent, said ? *said : seen, ready));
}

void tst_ReliabilityE2e::offer(Child &xclip, const QString &file, const char *type, bool verbose)
{
    // xclip stays in the foreground: it serves the file until it loses the
    // clipboard, then exits.
    xclip = m_install.start(m_xclip,
                            {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                             QStringLiteral("-t"), QLatin1String(type), QStringLiteral("-i"), file,
                             verbose ? QStringLiteral("-verbose") : QStringLiteral("-quiet")});
    QVERIFY2(xclip->waitForStarted(WaitMs), qPrintable(xclip->errorString()));
}

void tst_ReliabilityE2e::verifyPicture(const QString &file, const QImage &expected, bool exact)
{
    const QImage captured(file);
    QVERIFY2(!captured.isNull(), qPrintable(file + QLatin1String(" does not decode")));
    QCOMPARE(captured.size(), expected.size());
    if (!exact)
        return;
    const std::optional<QPoint> difference = firstDifference(captured, expected);
    QVERIFY2(!difference, qPrintable(QStringLiteral("%1: first differing pixel at %2,%3")
                                         .arg(file)
                                         .arg(difference ? difference->x() : 0)
                                         .arg(difference ? difference->y() : 0)));
}

void tst_ReliabilityE2e::capture(const QImage &picture, const QString &expectedFile)
{
    const QString png =
        savePicture(picture, QFileInfo(expectedFile).completeBaseName() + QLatin1String(".png"));
    QVERIFY(!png.isEmpty());
    Child xclip;
    CHECKED(offer(xclip, png));
    QVERIFY2(pollUntil([&] { return QFileInfo::exists(expectedFile); }),
             qPrintable(QLatin1String("no capture ") + expectedFile +
                        QLatin1String("; folder holds: ") +
                        listing(QFileInfo(expectedFile).absolutePath())));
    QVERIFY2(xclip->waitForFinished(WaitMs), "the picture was not taken off the clipboard");
    CHECKED(verifyPicture(expectedFile, picture));
}

void tst_ReliabilityE2e::mountSmallDisk(const QString &at, const QString &options)
{
    QVERIFY(QDir().mkpath(at));
    QByteArray output;
    if (!runQuietly(QStringLiteral("mount"),
                    {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"), options,
                     QStringLiteral("tmpfs"), at},
                    &output)) {
        QSKIP(qPrintable(QLatin1String("cannot mount a small file system for the capture folder "
                                       "(needs root with CAP_SYS_ADMIN): ") +
                         QString::fromUtf8(output.trimmed())));
    }
    m_mounts.prepend(at);
}

QStringList tst_ReliabilityE2e::messageBoxes()
{
    // Pictarro's message boxes are dialogs titled "Pictarro"; so is the
    // main window, which is no dialog.
    QByteArray ids;
    runQuietly(m_xdotool,
               {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                QStringLiteral("^Pictarro$")},
               &ids);
    QStringList boxes;
    for (const QByteArray &id : ids.split('\n')) {
        if (id.trimmed().isEmpty())
            continue;
        QByteArray type;
        runQuietly(m_xprop,
                   {QStringLiteral("-id"), QString::fromUtf8(id.trimmed()),
                    QStringLiteral("_NET_WM_WINDOW_TYPE")},
                   &type);
        if (type.contains("_NET_WM_WINDOW_TYPE_DIALOG"))
            boxes << QString::fromUtf8(id.trimmed());
    }
    return boxes;
}

void tst_ReliabilityE2e::answerMessageBox()
{
    const QStringList boxes = messageBoxes();
    QCOMPARE(boxes.size(), 1);
    runQuietly(m_xdotool, {QStringLiteral("windowfocus"), QStringLiteral("--sync"), boxes[0]});
    runQuietly(m_xdotool, {QStringLiteral("key"), QStringLiteral("--clearmodifiers"),
                           QStringLiteral("Return")});
    QVERIFY2(pollUntil([&] { return messageBoxes().isEmpty(); }),
             "the message box did not close on Return");
}

QByteArray tst_ReliabilityE2e::clipboardText(const char *target)
{
    QProcess reader;
    reader.setProcessEnvironment(m_install.environment());
    reader.start(m_xclip,
                 {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                  QStringLiteral("-t"), QLatin1String(target)});
    if (!reader.waitForFinished(WaitMs)) {
        reader.kill();
        reader.waitForFinished(WaitMs);
    }
    return reader.exitCode() == 0 ? reader.readAllStandardOutput() : QByteArray();
}

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

void tst_ReliabilityE2e::faultyOwner_survived_nextPictureSaved_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("png"); // PNG captures, which keep a sound PNG file as offered
    // Hostile files: what kind (hostileFile()), offered as which type, and
    // whether Pictarro says the picture is too large to save (else it does
    // not decode, and is left alone).
    QTest::addColumn<QString>("hostile");
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("tooLarge");
    QTest::newRow("owner dies mid-transfer") << "dies" << false << ""
                                             << "" << false;
    QTest::newRow("picture that does not decode") << "undecodable" << false << ""
                                                  << "" << false;
    QTest::newRow("random bytes offered as PNG, PNG captures") << "undecodable" << true << ""
                                                               << "" << false;
    QTest::newRow("owner that never answers") << "hangs" << false << ""
                                              << "" << false;
    QTest::newRow("PNG whose text chunk claims 2 GB") << "hostile" << false << "claim"
                                                      << "image/png" << false;
    QTest::newRow("PNG whose text chunk claims 2 GB, PNG captures") << "hostile" << true << "claim"
                                                                    << "image/png" << false;
    QTest::newRow("zTXt bomb") << "hostile" << false << "zTXt"
                               << "image/png" << false;
    QTest::newRow("iCCP bomb, PNG captures") << "hostile" << true << "iCCP"
                                             << "image/png" << false;
    QTest::newRow("IDAT bomb, 30000 x 30000") << "hostile" << false << "IDAT"
                                              << "image/png" << true;
    QTest::newRow("bitmap header claiming 100000 x 100000") << "hostile" << false << "bitmap"
                                                            << "image/bmp" << false;
    QTest::newRow("program that quits, hands a picture over and never delivers")
        << "never delivers" << false << ""
        << "" << false;
}

void tst_ReliabilityE2e::faultyOwner_survived_nextPictureSaved()
{
    QFETCH(const QString, fault);
    QFETCH(const bool, png);
    QFETCH(const QString, hostile);
    QFETCH(const QString, type);
    QFETCH(const bool, tooLarge);
    if (png)
        CHECKED(writeSettings(
            {{QStringLiteral("ImageExtensionPNG/SaveExtensionPNG"), QStringLiteral("True")}}));
    CHECKED(startPictarro());

    Child owner;
    QByteArray said;
    if (fault == QLatin1String("dies")) {
        // Large enough to need a transfer in pieces.
        const QString png = savePicture(testPicture(QSize(1200, 900)), QStringLiteral("big.png"));
        CHECKED(startAgent(owner, {QStringLiteral("die-mid-transfer"), png}, "owning", &said));
        CHECKED(waitForLine(owner, said, "dying"));
        QVERIFY(pollUntil([&] { return owner->state() == QProcess::NotRunning; }));
    } else if (fault == QLatin1String("undecodable") || fault == QLatin1String("hostile")) {
        QByteArray noise(200000, '\0');
        QRandomGenerator generator(6);
        for (char &byte : noise)
            byte = static_cast<char>(generator.bounded(256));
        noise.replace(0, 8, "\x89PNG\r\n\x1a\n"); // a PNG only by its first bytes
        const QByteArray bytes = hostile.isEmpty() ? noise : hostileFile(hostile);
        const QString file = m_install.path(QStringLiteral("work/offered"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        QCOMPARE(out.write(bytes), bytes.size());
        out.close();
        CHECKED(offer(owner, file, type.isEmpty() ? "image/png" : qPrintable(type), true));
        // xclip says which transfer it waits for next, counting only the
        // data it hands over (not the list of formats): it waits for
        // "number 1" before anything is asked, and for number 2 once the
        // picture itself was served. Offering the next picture sooner would
        // take the clipboard over before Pictarro had looked at this one.
        QVERIFY2(pollUntil([&] {
                     said += owner->readAllStandardError();
                     return said.contains("request number 2") ||
                            owner->state() == QProcess::NotRunning;
                 }),
                 qPrintable(QLatin1String("the owner was not asked for the picture: ") +
                            QString::fromUtf8(said)));
        if (tooLarge) {
            // Refused with the message for a picture that cannot be saved,
            // naming its size, and dropped; its number is spent.
            QVERIFY2(pollUntil([&] { return messageBoxes().size() == 1; }),
                     "no message for a picture too large to save");
            CHECKED(answerMessageBox());
            QVERIFY2(owner->waitForFinished(WaitMs), "the refused picture stayed on the clipboard");
        } else {
            QCOMPARE(owner->state(), QProcess::Running); // left on the clipboard, not dropped
        }
    } else if (fault == QLatin1String("never delivers")) {
        // Its quit is released by the deadline, not held for good.
        CHECKED(startAgent(owner, {QStringLiteral("save-never-delivers")}, {}, &said));
        QVERIFY(owner->waitForFinished(45000));
        said += owner->readAllStandardOutput();
        QVERIFY2(said.startsWith("released after "), said.constData());
    } else {
        CHECKED(startAgent(owner, {QStringLiteral("hang")}, "owning", &said));
        CHECKED(waitForLine(owner, said, "request 1"));
        // Asked once, the silent owner is not asked again and again, each
        // time holding Pictarro up until the transfer gives up.
        QTest::qWait(12000);
        said += owner->readAllStandardOutput();
        QCOMPARE(said.count("request"), 1);
    }

    QCOMPARE(m_pictarro->state(), QProcess::Running);
    QCOMPARE(entries(m_install.defaultCaptureFolder()), QStringList());
    const int next = tooLarge ? 2 : 1;
    CHECKED(capture(numberedPicture(7, QSize(64, 48)),
                    m_install.defaultCaptureFolder() + u'/' + captureName(next, false, png)));
    QCOMPARE(entries(m_install.defaultCaptureFolder()), captureNames(next, next, false, png));
    QVERIFY(messageBoxes().isEmpty());
    // What the hostile offer cost, at its peak, seen from outside.
    constexpr qint64 MaxPeakKb = 300 * 1024;
    const qint64 peakKb = residentKb(m_pictarro->processId(), "VmHWM:");
    QVERIFY2(peakKb > 0 && peakKb < MaxPeakKb,
             qPrintable(QStringLiteral("Pictarro's peak resident memory: %1 kB").arg(peakKb)));
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

void tst_ReliabilityE2e::quitAtOnce_handedOver_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<bool>("png");          // PNG captures
    QTest::addColumn<bool>("otherManager"); // a desktop's clipboard manager runs
    QTest::newRow("full HD picture, three in a row") << "picture" << false << false;
    QTest::newRow("full HD picture, PNG captures") << "picture" << true << false;
    QTest::newRow("full HD picture sent in pieces, as GTK does") << "pieces" << false << false;
    QTest::newRow("text stays on the clipboard") << "text" << false << false;
    QTest::newRow("another manager keeps its selection") << "text" << false << true;
}

void tst_ReliabilityE2e::quitAtOnce_handedOver()
{
    // A program that copies and quits at once hands its offer over to the
    // clipboard manager on the way out: Pictarro, unless another one runs.
    QFETCH(const QString, what);
    QFETCH(const bool, png);
    QFETCH(const bool, otherManager);
    if (png)
        CHECKED(writeSettings(
            {{QStringLiteral("ImageExtensionPNG/SaveExtensionPNG"), QStringLiteral("True")}}));
    Child manager;
    QByteArray managerSaid;
    if (otherManager)
        CHECKED(startAgent(manager, {QStringLiteral("manager")}, "managing", &managerSaid));
    CHECKED(startPictarro());
    const QString folder = m_install.defaultCaptureFolder();
    const QSize size(1920, 1080);
    const bool picture = what != QLatin1String("text");
    const int copies = picture ? 3 : 1;
    const QByteArray text = "handed over \xe2\x9c\x93 on the way out";
    for (int n = 1; n <= copies; ++n) {
        Child quitter;
        QByteArray said;
        QStringList arguments{QStringLiteral("copy-and-quit"), what, QString::number(n),
                              QString::number(size.width()), QString::number(size.height())};
        if (what == QLatin1String("pieces"))
            arguments = QStringList{QStringLiteral("copy-and-quit-in-pieces"), QString::number(n),
                                    QString::number(size.width()), QString::number(size.height())};
        else if (!picture)
            arguments = QStringList{QStringLiteral("copy-and-quit"), what, QString::fromUtf8(text)};
        CHECKED(startAgent(quitter, arguments, {}, &said));
        QVERIFY(quitter->waitForFinished(WaitMs));
        said += quitter->readAllStandardOutput();
        QVERIFY2(quitter->exitCode() == 0, said.constData());
        if (!picture)
            continue;
        const QString file = folder + u'/' + captureName(n, false, png);
        QVERIFY2(pollUntil([&] { return QFileInfo::exists(file); }),
                 qPrintable(QLatin1String("no capture ") + file + QLatin1String("; folder: ") +
                            listing(folder)));
        CHECKED(verifyPicture(file, numberedPicture(n, size)));
        // Then the clipboard is empty: no copy of the picture stays behind.
        QVERIFY(pollUntil([&] { return clipboardText("TARGETS").isEmpty(); }));
    }

    if (picture) {
        QTest::qWait(QuietMs);
        QCOMPARE(entries(folder), captureNames(1, copies, false, png));
        QCOMPARE(clipboardText("TARGETS"), QByteArray());
    } else if (otherManager) {
        CHECKED(waitForLine(manager, managerSaid, "save request 1"));
        QTest::qWait(QuietMs);
        managerSaid += manager->readAllStandardOutput();
        QVERIFY2(!managerSaid.contains("lost"), managerSaid.constData());
    } else {
        QVERIFY(pollUntil([&] { return clipboardText() == text; }));
        // Pictarro's own offer is no new offer to it: it stays, untouched.
        QTest::qWait(QuietMs);
        QCOMPARE(clipboardText(), text);
        QCOMPARE(entries(folder), QStringList());
    }
    QCOMPARE(m_pictarro->state(), QProcess::Running);
    QVERIFY(messageBoxes().isEmpty());
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
