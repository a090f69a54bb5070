#include "ReliabilityFixture.h"

#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace e2e {

qint64 residentKb(qint64 pid, const char *field)
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

QString captureName(int number, bool jpeg, bool png)
{
    return QStringLiteral("Pictarro %1.%2").arg(number).arg(jpeg ? "jpg" : png ? "png" : "bmp");
}

QStringList captureNames(int first, int last, bool jpeg, bool png)
{
    QStringList names;
    for (int n = first; n <= last; ++n)
        names << captureName(n, jpeg, png);
    names.sort();
    return names;
}

bool runQuietly(const QString &program, const QStringList &arguments, QByteArray *output)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(WaitMs))
        return false;
    if (output)
        *output = process.readAllStandardOutput() + process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace e2e

using namespace e2e;

void ReliabilityFixture::initTestCase()
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

void ReliabilityFixture::init()
{
    const QString failed = m_install.create(QStringLiteral("reliability"),
                                            QStringLiteral(PICTARRO_BIN_DIR), e2e::PictarroFiles);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
}

void ReliabilityFixture::cleanup()
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

void ReliabilityFixture::writeSettingsBytes(const QByteArray &bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(m_install.settingsFile()).absolutePath()));
    QFile file(m_install.settingsFile());
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

void ReliabilityFixture::writeSettings(const QList<std::pair<QString, QString>> &sectionKeyValue)
{
    // "Section/Key" = value
    QByteArray text;
    for (const auto &[where, value] : sectionKeyValue) {
        const QStringList parts = where.split(u'/');
        text += '[' + parts[0].toUtf8() + "]\n" + parts[1].toUtf8() + '=' + value.toUtf8() + "\n\n";
    }
    writeSettingsBytes(text);
}

QString ReliabilityFixture::storedCounter() const
{
    return iniValue(m_install.settingsFile(), QStringLiteral("CaptureCounter"),
                    QStringLiteral("CaptureCounter"))
        .value_or(QStringLiteral("<not stored>"));
}

QString ReliabilityFixture::savePicture(const QImage &picture, const QString &name)
{
    const QString path = m_install.path(QLatin1String("work/") + name);
    if (!picture.save(path, "PNG"))
        return {};
    return path;
}

void ReliabilityFixture::startPictarro()
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

void ReliabilityFixture::waitForLine(Child &child, QByteArray &seen, const QByteArray &line)
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

void ReliabilityFixture::startAgent(Child &agent, const QStringList &arguments,
                                    const QByteArray &ready, QByteArray *said)
{
    agent = m_install.start(QStringLiteral(CLIPBOARD_AGENT), arguments);
    QVERIFY2(agent->waitForStarted(WaitMs), qPrintable(agent->errorString()));
    QByteArray seen;
    if (!ready.isEmpty())
        CHECKED(waitForLine(agent, said ? *said : seen, ready));
}

void ReliabilityFixture::offer(Child &xclip, const QString &file, const char *type, bool verbose)
{
    // xclip stays in the foreground: it serves the file until it loses the
    // clipboard, then exits.
    xclip = m_install.start(m_xclip,
                            {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                             QStringLiteral("-t"), QLatin1String(type), QStringLiteral("-i"), file,
                             verbose ? QStringLiteral("-verbose") : QStringLiteral("-quiet")});
    QVERIFY2(xclip->waitForStarted(WaitMs), qPrintable(xclip->errorString()));
}

void ReliabilityFixture::verifyPicture(const QString &file, const QImage &expected, bool exact)
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

void ReliabilityFixture::capture(const QImage &picture, const QString &expectedFile)
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

void ReliabilityFixture::mountSmallDisk(const QString &at, const QString &options)
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

QStringList ReliabilityFixture::messageBoxes()
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

void ReliabilityFixture::answerMessageBox()
{
    const QStringList boxes = messageBoxes();
    QCOMPARE(boxes.size(), 1);
    runQuietly(m_xdotool, {QStringLiteral("windowfocus"), QStringLiteral("--sync"), boxes[0]});
    runQuietly(m_xdotool, {QStringLiteral("key"), QStringLiteral("--clearmodifiers"),
                           QStringLiteral("Return")});
    QVERIFY2(pollUntil([&] { return messageBoxes().isEmpty(); }),
             "the message box did not close on Return");
}

QByteArray ReliabilityFixture::clipboardText(const char *target)
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
