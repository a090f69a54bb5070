// The sound assignment window on the offscreen platform with a real settings
// file and player, the WAV header reader, and the generated sample sounds.
#include "MediaPlayer.h"
#include "RecordingLauncher.h"
#include "ScriptedDialogs.h"
#include "SettingsStore.h"
#include "SoundForm.h"
#include "TestFiles.h"
#include "WavFile.h"

#include <QtEndian>
#include <QtTest>
#include <QtWidgets>
#include <cmath>
#include <memory>

namespace {

const QString Samples = QStringLiteral(PICTARRO_BIN_DIR "/Sounds");

QByteArray le(qint64 value, int size)
{
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes.append(static_cast<char>((static_cast<quint64>(value) >> (8 * i)) & 0xffu));
    return bytes;
}

QByteArray chunk(const QByteArray &id, const QByteArray &body)
{
    return id + le(body.size(), 4) + body + QByteArray(body.size() % 2, '\0');
}

QByteArray pcmFormat(int code, int channels, int bits)
{
    const int align = channels * bits / 8;
    return le(code, 2) + le(channels, 2) + le(22050, 4) + le(22050 * align, 4) + le(align, 2) +
           le(bits, 2);
}

QByteArray riff(const QByteArray &chunks)
{
    return "RIFF" + le(4 + chunks.size(), 4) + "WAVE" + chunks;
}

// A short 16-bit mono sound.
QByteArray goodWav()
{
    return riff(chunk("fmt ", pcmFormat(1, 1, 16)) + chunk("data", QByteArray(200, '\x11')));
}

} // namespace

// What every case works with: a settings file and sound files of its own, a
// real player, a stand-in main window, answered dialogs, a watched desktop.
struct Fixture
{
    QTemporaryDir dir;
    platform::SettingsStore settings{dir.filePath("config/1.ini")};
    platform::MediaPlayer player;
    QWidget main;
    ScriptedDialogs dialogs;
    RecordingLauncher launcher;
};

class TestSoundForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { m_f.reset(); }

    void captions();
    void choose_data();
    void choose();
    void play_opensTheSelectedSampleOnly();
    void save_unwritableStore_tellsAndStillApplies();

    void wavReader_data();
    void wavReader();
    void samples_data();
    void samples();

private:
    std::unique_ptr<SoundForm> makeForm(const QString &stored);
    QString stored() const;
    QString expand(QString text) const;
    QString path(const char *column) const; // a column of the current row, expanded

    std::unique_ptr<Fixture> m_f;
};

void TestSoundForm::init()
{
    m_f = std::make_unique<Fixture>();
    QVERIFY(m_f->dir.isValid());
    QVERIFY(writeFile(m_f->dir.filePath("mine.wav"), goodWav()));
    QVERIFY(writeFile(m_f->dir.filePath("song.wav"), "ID3\x03 not a wave at all"));
    m_f->main.show();
}

std::unique_ptr<SoundForm> TestSoundForm::makeForm(const QString &storedPath)
{
    m_f->settings.setValue("WAV-File-Path", "SelectedSong", storedPath);
    return std::make_unique<SoundForm>(&m_f->main, m_f->settings, m_f->player,
                                       QStringLiteral(PICTARRO_BIN_DIR));
}

QString TestSoundForm::stored() const
{
    // Read back from the file, as the next start would.
    return platform::SettingsStore(m_f->settings.filePath()).value("WAV-File-Path", "SelectedSong");
}

QString TestSoundForm::expand(QString text) const
{
    return text.replace("@SAMPLES@", Samples).replace("@TMP@", m_f->dir.path());
}

QString TestSoundForm::path(const char *column) const
{
    return expand(*static_cast<QString *>(QTest::qData(column, qMetaTypeId<QString>())));
}

// ---------------------------------------------------------------- window

void TestSoundForm::captions()
{
    auto form = makeForm({});
    QCOMPARE(form->windowTitle(), QString("Sound Assignment"));
    const char *const shown[][3] = {
        {"Frame1", "title", " Please assign a sound for your screen-capture event:"},
        {"Label1", "text", "Sound Samples:"},
        {"Play", "toolTip", "Play"},
        {"OK", "toolTip", "OK"},
        {"Browse", "text", "&Browse"},
        {"Delete", "text", "&Remove"},
        {"ApplyChanges", "text", "&Save"},
        {"CancelAction", "text", "&Cancel"}};
    for (const auto &[name, property, value] : shown) {
        QCOMPARE(form->findChild<QWidget *>(name)->property(property).toString(), QString(value));
    }
    for (const char *name : {"Play", "OK"})
        QVERIFY2(!form->findChild<QToolButton *>(name)->icon().pixmap(22, 22).isNull(), name);
    QVERIFY(form->findChild<QLineEdit *>("SoundPath")->isReadOnly());
    // Four lines, each ended by CR LF, shown read-only.
    const QStringList lines = SoundForm::helpText().split("\r\n");
    QCOMPARE(lines.size(), 5);
    QVERIFY(lines.at(2).endsWith("do not have ") && lines.at(4).isEmpty());
    auto *help = form->findChild<QPlainTextEdit *>("Text1");
    QVERIFY(help->isReadOnly());
    QCOMPARE(help->toPlainText(), QString(SoundForm::helpText()).replace("\r\n", "\n"));
}

// Each row: what was stored, the user's steps, how the window is left, what
// SoundPath shows before leaving, what the store holds afterwards, and how
// many files were refused. Steps, split by '|': "pick Sound N" (select, OK),
// "remove yes|no|enter" (enter: pressed in the box), "browse PATH" (an empty path cancels the
// dialog).
void TestSoundForm::choose_data()
{
    QTest::addColumn<QString>("storedPath");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("leave"); // save, cancel, esc, title bar
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("refusals");
    const auto row = [](const char *name, const char *stored, const char *steps, const char *leave,
                        const char *shown, const char *expected, int refused) {
        QTest::newRow(name) << stored << steps << leave << shown << expected << refused;
    };
    const char *s2 = "@SAMPLES@/Sound 2.wav";
    const char *s4 = "@SAMPLES@/Sound 4.wav";
    const char *mine = "@TMP@/mine.wav";

    row("sample 4, save", "", "pick Sound 4", "save", s4, s4, 0);
    row("sample over a file, save", mine, "pick Sound 2", "save", s2, s2, 0);
    row("remove yes, save", s2, "remove yes", "save", "", "", 0);
    row("remove no, save", s2, "remove no", "save", s2, s2, 0);
    row("remove by Enter, save", s2, "remove enter", "save", "", "", 0);
    row("browse, save", s2, "browse @TMP@/mine.wav", "save", mine, mine, 0);
    row("browse cancelled", s2, "browse ", "save", s2, s2, 0);
    row("browse refuses what is not a WAV sound", s2, "browse @TMP@/song.wav", "save", s2, s2, 1);
    row("browse refuses a missing file", s2, "browse @TMP@/nowhere.wav", "save", s2, s2, 1);
    row("refused, then a good one", "", "browse @TMP@/song.wav|browse @TMP@/mine.wav", "save", mine,
        mine, 1);
    row("cancel after a sample", s2, "pick Sound 4", "cancel", s4, s2, 0);
    row("cancel after browse", s2, "browse @TMP@/mine.wav", "cancel", mine, s2, 0);
    row("cancel after remove", s2, "remove yes", "cancel", "", s2, 0);
    row("esc after remove", s2, "remove yes", "esc", "", s2, 0);
    row("title bar after a sample", "", "pick Sound 4", "title bar", s4, "", 0);
}

void TestSoundForm::choose()
{
    QFETCH(const QString, steps);
    QFETCH(const QString, leave);
    QFETCH(const int, refusals);
    const QString storedPath = path("storedPath");

    m_f->player.setFileName("left over");
    auto form = makeForm(storedPath);
    // Loaded: the first sample selected, the stored sound shown and named
    // to the player.
    QCOMPARE(form->findChild<QComboBox *>("SoundList")->currentText(), QString("Sound 1"));
    QCOMPARE(form->findChild<QLineEdit *>("SoundPath")->text(), storedPath);
    QCOMPARE(m_f->player.fileName(), storedPath);
    m_f->main.setEnabled(false); // as the main window opens it
    form->show();
    QSignalSpy finished(form.get(), &QDialog::finished);

    for (const QString &step : steps.split(u'|')) {
        const QString verb = step.section(' ', 0, 0);
        const QString argument = expand(step.section(' ', 1));
        if (verb == "pick")
            form->findChild<QComboBox *>("SoundList")->setCurrentText(argument);
        else if (verb == "remove" && argument == "enter")
            m_f->dialogs.pressNext(Qt::Key_Return);
        else if (verb == "remove")
            m_f->dialogs.answerNext(argument == "yes" ? platform::Dialogs::Answer::Yes
                                                      : platform::Dialogs::Answer::No);
        else
            m_f->dialogs.chooseNext(argument);
        const char *button = verb == "pick" ? "OK" : verb == "remove" ? "Delete" : "Browse";
        form->findChild<QAbstractButton *>(button)->click();
    }
    QCOMPARE(form->soundPath(), path("shown"));
    QCOMPARE(stored(), storedPath); // nothing stored before "&Save"

    int critical = 0;
    for (const ScriptedDialogs::Shown &message : std::as_const(m_f->dialogs.shown)) {
        const bool refusal = message.icon == platform::Dialogs::Icon::Critical;
        critical += refusal ? 1 : 0;
        QCOMPARE(message.title, QString(refusal ? "Pictarro" : "Confirm to remove"));
        QVERIFY2(refusal
                     ? message.text.contains("not a WAV sound")
                     : message.text == "Are you sure you want to remove your current file path?",
                 qPrintable(message.text));
    }
    QCOMPARE(critical, refusals);
    for (const QStringList &dialog : std::as_const(m_f->dialogs.fileDialogs))
        QCOMPARE(dialog.mid(0, 3),
                 (QStringList{"open", "Browse for a new sound", "Sounds (*.wav)"}));

    if (leave == "esc")
        QTest::keyClick(form.get(), Qt::Key_Escape);
    else if (leave == "title bar")
        form->close();
    else
        form->findChild<QPushButton *>(leave == "save" ? "ApplyChanges" : "CancelAction")->click();

    const QString expected = path("expected");
    QCOMPARE(stored(), expected);
    QCOMPARE(m_f->player.fileName(), expected);
    QCOMPARE(m_f->player.isOpen(), !expected.isEmpty()); // every file here exists
    QVERIFY(m_f->main.isEnabled());
    QVERIFY(!form->isVisible());
    QCOMPARE(finished.count(), 1);
}

void TestSoundForm::play_opensTheSelectedSampleOnly()
{
    for (const char *selected : {"Sound 1", "Sound 6"}) {
        m_f->launcher.opened.clear();
        auto form = makeForm(m_f->dir.filePath("mine.wav"));
        form->findChild<QComboBox *>("SoundList")->setCurrentText(selected);
        form->findChild<QToolButton *>("Play")->click();
        QCOMPARE(m_f->launcher.targets(), QStringList{Samples + "/" + selected + ".wav"});
        QCOMPARE(stored(), m_f->dir.filePath("mine.wav"));
    }
}

void TestSoundForm::save_unwritableStore_tellsAndStillApplies()
{
    // The store's folder cannot be made: a file stands in its place.
    QVERIFY(writeFile(m_f->dir.filePath("blocked"), "x"));
    platform::SettingsStore blocked(m_f->dir.filePath("blocked/1.ini"));
    SoundForm form(&m_f->main, blocked, m_f->player, QStringLiteral(PICTARRO_BIN_DIR));
    form.findChild<QComboBox *>("SoundList")->setCurrentText("Sound 5");
    form.findChild<QToolButton *>("OK")->click();
    form.findChild<QPushButton *>("ApplyChanges")->click();

    QCOMPARE(m_f->dialogs.shown.size(), 1);
    QCOMPARE(m_f->dialogs.shown.at(0).icon, platform::Dialogs::Icon::Critical);
    QVERIFY(m_f->dialogs.shown.at(0).text.contains(blocked.filePath()));
    QCOMPARE(m_f->player.fileName(), Samples + "/Sound 5.wav");
    QVERIFY(m_f->player.isOpen());
}

// ------------------------------------------------------------ WAV reader

void TestSoundForm::wavReader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("dataBytes"); // -1: refused

    const QByteArray fmt16 = chunk("fmt ", pcmFormat(1, 1, 16));
    const QByteArray data = chunk("data", QByteArray(200, '\x11'));
    const QByteArray good = goodWav();
    // Extensible: extension size, valid bits, channel mask, then the
    // sub-format, PCM's code followed by the fixed GUID tail.
    const QByteArray extensible =
        pcmFormat(0xfffe, 2, 24) + le(22, 2) + le(24, 2) + le(3, 4) + le(1, 2) +
        QByteArray("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71", 14);
    QByteArray otherGuid = extensible;
    otherGuid[extensible.size() - 1] = '\x72';
    const auto row = [](const char *name, const QByteArray &bytes, qint64 dataBytes) {
        QTest::newRow(name) << bytes << dataBytes;
    };

    row("16-bit mono", good, 200);
    row("8-bit stereo", riff(chunk("fmt ", pcmFormat(1, 2, 8)) + data), 200);
    row("extensible PCM, whole frames only", riff(chunk("fmt ", extensible) + data), 198);
    row("odd tag chunk first", riff(fmt16 + chunk("LIST", "INFOabc") + data), 200);
    row("samples cut short play as far as they go", good.left(good.size() - 51), 148);
    row("empty", {}, -1);
    row("not RIFF", "ID3\x03 some mp3 bytes follow here", -1);
    row("RIFF but not WAVE", QByteArray("RIFF\x10\0\0\0AVI LIST\0\0\0\0", 20), -1);
    row("cut inside the format", good.left(30), -1);
    row("cut before the samples", good.left(44), -1);
    row("no format before the samples", riff(data + fmt16), -1);
    row("no samples at all", riff(fmt16), -1);
    row("floating point", riff(chunk("fmt ", pcmFormat(3, 1, 32)) + data), -1);
    row("extensible, not PCM", riff(chunk("fmt ", otherGuid) + data), -1);
    row("no channels", riff(chunk("fmt ", pcmFormat(1, 0, 16)) + data), -1);
    row("chunk claiming more than the file", riff(fmt16 + "LIST" + le(0x7ffffff0, 4) + "xx"), -1);
}

void TestSoundForm::wavReader()
{
    QFETCH(QByteArray, bytes);
    QFETCH(const qint64, dataBytes);
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const std::optional<WavFile::Format> format = WavFile::read(buffer);
    QCOMPARE(format ? format->dataBytes : -1, dataBytes);
    if (format)
        QCOMPARE((QList<qint64>{format->sampleRate, format->dataOffset}),
                 (QList<qint64>{22050, bytes.indexOf("data") + 8}));
}

// --------------------------------------------------------- sample sounds

void TestSoundForm::samples_data()
{
    QTest::addColumn<int>("number");
    for (int number = 1; number <= 6; ++number)
        QTest::addRow("Sound %d", number) << number;
}

void TestSoundForm::samples()
{
    QFETCH(const int, number);
    const QString name = QStringLiteral("Sound %1.wav").arg(number);
    const QByteArray bytes = readFile(Samples + "/" + name);
    const std::optional<WavFile::Format> format = WavFile::readFile(Samples + "/" + name);
    QVERIFY2(format, qPrintable(name + " is missing or not a WAV sound"));
    QCOMPARE((QList<int>{format->sampleRate, format->bitsPerSample, format->channels}),
             (QList<int>{44100, 16, 1}));
    const qint64 frames = format->dataBytes / 2;
    QVERIFY2(frames >= 44100 * 15 / 100 && frames <= 44100 * 7 / 10, qPrintable(name));

    const auto sample = [&](qint64 i) {
        return qFromLittleEndian<qint16>(bytes.constData() + format->dataOffset + 2 * i);
    };
    int peak = 0;
    for (qint64 i = 0; i < frames; ++i)
        peak = qMax(peak, qAbs(int(sample(i))));
    const double peakDb = 20.0 * std::log10(peak / 32768.0);
    QVERIFY2(peakDb > -4.0 && peakDb < -2.0, qPrintable(QString::number(peakDb)));
    // Soft edges: it starts and ends at rest, so it does not click.
    QVERIFY(qAbs(sample(0)) < 64 && qAbs(sample(frames - 1)) < 64);

    for (int other = number + 1; other <= 6; ++other)
        QVERIFY(readFile(Samples + QStringLiteral("/Sound %1.wav").arg(other)) != bytes);
    // The generator writes the same sounds every time.
    QTemporaryDir again;
    QCOMPARE(QProcess::execute(QStringLiteral(MAKE_SOUNDS), {again.path()}), 0);
    QCOMPARE(readFile(again.filePath(name)), bytes);
}

QTEST_MAIN(TestSoundForm)
#include "tst_soundform.moc"
