// The capture sound, end to end: the real Pictarro on a real X server plays
// its sound into a private PulseAudio server whose only output is a null
// sink; parec records that sink's monitor, and the recording shows whether
// a capture was heard.
//
// Run under tests/e2e/with-xvfb.sh, which provides DISPLAY. Skipped where
// PulseAudio is not installed or will not start.

#include "E2eSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QtEndian>
#include <utility>

using e2e::Child;
using e2e::iniValue;
using e2e::pollUntil;
using e2e::WaitMs;

namespace {

// parec's output: 16-bit stereo at 44100 Hz.
constexpr qint64 BytesPerSecond = 44100 * 2 * 2;
// A null sink's monitor records exact zeros while nothing plays; the
// samples peak near -3 dBFS.
constexpr int SilenceLimit = 64;
constexpr int HeardLimit = 1000;

// What parec has written so far, scanned once as it grows.
class Recording
{
public:
    explicit Recording(QString path) : m_path(std::move(path)) {}

    // Reads what was added since the last call; returns the bytes recorded.
    qint64 update()
    {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly) || !file.seek(m_scanned))
            return m_scanned;
        const QByteArray added = file.read(file.size() - m_scanned);
        const qsizetype whole = added.size() - added.size() % 2;
        for (qsizetype i = 0; i < whole; i += 2)
            m_peak = qMax(m_peak, qAbs(int(qFromLittleEndian<qint16>(added.constData() + i))));
        m_scanned += whole;
        return m_scanned;
    }
    int peak() const { return m_peak; }

private:
    QString m_path;
    qint64 m_scanned = 0;
    int m_peak = 0;
};

} // namespace

class tst_SoundE2e : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void captureSound_data();
    void captureSound();

private:
    QProcessEnvironment soundEnvironment() const;
    bool pactl(const QStringList &arguments) const;
    void startSoundServer();
    void startRecorder();
    void startPictarro(const QString &sound);

    e2e::Installation m_install;
    QString m_pulseaudio;
    QString m_pactl;
    QString m_parec;
    QString m_xclip;
    Child m_server;
    Child m_recorder;
    Child m_pictarro;
    Child m_xclipProcess;
};

void tst_SoundE2e::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"),
             "needs an X server: run through tests/e2e/with-xvfb.sh");
    m_xclip = QStandardPaths::findExecutable(QStringLiteral("xclip"));
    QVERIFY2(!m_xclip.isEmpty(), "xclip is not installed");
    for (const QString &file : e2e::PictarroFiles + QStringList{"Sounds/Sound 4.wav"}) {
        const QString path = QStringLiteral(PICTARRO_BIN_DIR "/") + file;
        QVERIFY2(QFileInfo::exists(path), qPrintable(path + QLatin1String(" is not built")));
    }
    m_pulseaudio = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    m_pactl = QStandardPaths::findExecutable(QStringLiteral("pactl"));
    m_parec = QStandardPaths::findExecutable(QStringLiteral("parec"));
    if (m_pulseaudio.isEmpty() || m_pactl.isEmpty() || m_parec.isEmpty())
        QSKIP("PulseAudio is not installed (packages pulseaudio and pulseaudio-utils)");
}

QProcessEnvironment tst_SoundE2e::soundEnvironment() const
{
    // Everything that speaks to the sound server finds the private one, and
    // none of them may start a server of its own.
    QProcessEnvironment env = m_install.environment();
    const QString runtime = m_install.path(QStringLiteral("runtime/pulse"));
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), runtime);
    env.insert(QStringLiteral("PULSE_SERVER"), QLatin1String("unix:") + runtime + "/native");
    env.insert(QStringLiteral("PULSE_CLIENTCONFIG"), m_install.path(QStringLiteral("client.conf")));
    return env;
}

bool tst_SoundE2e::pactl(const QStringList &arguments) const
{
    QProcess process;
    process.setProcessEnvironment(soundEnvironment());
    process.start(m_pactl, arguments);
    return process.waitForFinished(WaitMs) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

void tst_SoundE2e::startSoundServer()
{
    QFile clientConfig(m_install.path(QStringLiteral("client.conf")));
    QVERIFY(clientConfig.open(QIODevice::WriteOnly));
    clientConfig.write("autospawn = no\n");
    clientConfig.close();

    m_server.reset(new QProcess);
    m_server->setProcessEnvironment(soundEnvironment());
    m_server->setProcessChannelMode(QProcess::MergedChannels);
    m_server->start(m_pulseaudio,
                    {QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                     QStringLiteral("-n"), QStringLiteral("--use-pid-file=no"),
                     QStringLiteral("--load=module-native-protocol-unix"),
                     QStringLiteral("--load=module-null-sink sink_name=t"),
                     QStringLiteral("--log-target=stderr")});
    if (!m_server->waitForStarted(WaitMs))
        QSKIP(qPrintable(QLatin1String("pulseaudio does not start: ") + m_server->errorString()));
    const bool answers = pollUntil(
        [&] { return m_server->state() != QProcess::Running || pactl({QStringLiteral("info")}); });
    if (m_server->state() != QProcess::Running || !answers) {
        const QByteArray log = m_server->readAll();
        QSKIP(qPrintable(QLatin1String("pulseaudio refused to start here:\n") +
                         QString::fromLocal8Bit(log)));
    }
    QVERIFY2(pactl({QStringLiteral("set-default-sink"), QStringLiteral("t")}),
             "the null sink was not created");
}

void tst_SoundE2e::startRecorder()
{
    m_recorder.reset(new QProcess);
    m_recorder->setProcessEnvironment(soundEnvironment());
    m_recorder->setStandardOutputFile(m_install.path(QStringLiteral("recording.raw")));
    m_recorder->start(m_parec, {QStringLiteral("-d"), QStringLiteral("t.monitor"),
                                QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                                QStringLiteral("--channels=2"), QStringLiteral("--raw")});
    QVERIFY2(m_recorder->waitForStarted(WaitMs), qPrintable(m_recorder->errorString()));
}

void tst_SoundE2e::startPictarro(const QString &sound)
{
    if (!sound.isEmpty()) {
        QVERIFY(QDir().mkpath(QFileInfo(m_install.settingsFile()).absolutePath()));
        QFile settings(m_install.settingsFile());
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[WAV-File-Path]\nSelectedSong=" + sound.toUtf8() + "\n");
    }
    m_pictarro.reset(new QProcess);
    m_pictarro->setProcessEnvironment(soundEnvironment());
    m_pictarro->setWorkingDirectory(m_install.path(QStringLiteral("work")));
    m_pictarro->start(m_install.programFolder() + QLatin1String("/Pictarro"), {});
    QVERIFY2(m_pictarro->waitForStarted(WaitMs), qPrintable(m_pictarro->errorString()));

    // Ready once past its start-up: the capture folder is stored and made.
    const QString folder = m_install.defaultCaptureFolder();
    const bool ready = pollUntil([&] {
        return (iniValue(m_install.settingsFile(), QStringLiteral("CapturePath"),
                         QStringLiteral("Folder")) == folder &&
                QFileInfo(folder).isDir()) ||
               m_pictarro->state() != QProcess::Running;
    });
    QVERIFY2(m_pictarro->state() == QProcess::Running, "Pictarro ended during start-up");
    QVERIFY2(ready, "Pictarro did not make its capture folder in time");
}

void tst_SoundE2e::init()
{
    const QString failed = m_install.create(QStringLiteral("sound-e2e"),
                                            QStringLiteral(PICTARRO_BIN_DIR), e2e::PictarroFiles);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    CHECKED(startSoundServer());
    CHECKED(startRecorder());
}

void tst_SoundE2e::cleanup()
{
    if (m_pictarro && QTest::currentTestFailed())
        qWarning("Pictarro's output:\n%s", m_pictarro->readAllStandardError().constData());
    if (m_server && QTest::currentTestFailed())
        qWarning("pulseaudio's output:\n%s", m_server->readAll().constData());
    // Players and recorder before the server they speak to.
    m_xclipProcess.reset();
    m_pictarro.reset();
    m_recorder.reset();
    m_server.reset();
    m_install.remove();
}

void tst_SoundE2e::captureSound_data()
{
    QTest::addColumn<QString>("sound");
    QTest::addColumn<bool>("heard");
    QTest::newRow("sample sound 4")
        << QStringLiteral(PICTARRO_BIN_DIR "/Sounds/Sound 4.wav") << true;
    QTest::newRow("no sound chosen") << QString() << false;
}

void tst_SoundE2e::captureSound()
{
    QFETCH(const QString, sound);
    QFETCH(const bool, heard);

    CHECKED(startPictarro(sound));
    Recording recording(m_install.path(QStringLiteral("recording.raw")));
    // The recorder runs: some of the silence before the capture is on file.
    QVERIFY2(pollUntil([&] { return recording.update() >= BytesPerSecond / 10; }),
             "parec records nothing");
    QVERIFY2(recording.peak() < SilenceLimit, "sound before any capture");

    const QString png = m_install.path(QStringLiteral("picture.png"));
    QVERIFY(e2e::testPicture(QSize(64, 48)).save(png, "PNG"));
    m_xclipProcess =
        m_install.start(m_xclip, {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                  QStringLiteral("-t"), QStringLiteral("image/png"),
                                  QStringLiteral("-i"), png, QStringLiteral("-quiet")});
    QVERIFY2(m_xclipProcess->waitForStarted(WaitMs), qPrintable(m_xclipProcess->errorString()));
    const QString capture = m_install.defaultCaptureFolder() + QLatin1String("/Pictarro 1.bmp");
    QVERIFY2(pollUntil([&] { return QFileInfo::exists(capture); }), "no capture was written");

    if (heard) {
        QVERIFY2(pollUntil([&] {
                     recording.update();
                     return recording.peak() >= HeardLimit;
                 }),
                 qPrintable(QStringLiteral("the capture was not heard; loudest sample %1")
                                .arg(recording.peak())));
    } else {
        // Longer than any sample sound after the capture, and still silent.
        const qint64 atCapture = recording.update();
        QVERIFY2(
            pollUntil([&] { return recording.update() >= atCapture + BytesPerSecond * 3 / 2; }),
            "parec stopped recording");
        QVERIFY2(recording.peak() < SilenceLimit,
                 qPrintable(QStringLiteral("a sound was heard: %1").arg(recording.peak())));
    }
}

QTEST_GUILESS_MAIN(tst_SoundE2e)
#include "tst_sound_e2e.moc"
