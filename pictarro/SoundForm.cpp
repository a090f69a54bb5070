#include "SoundForm.h"

#include "Art.h"
#include "Controls.h"
#include "Dialogs.h"
#include "MediaPlayer.h"
#include "RunFilesAndFolder.h"
#include "SettingsStore.h"
#include "SettingsTable.h"
#include "WavFile.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

namespace SoundSamples {

QStringList names()
{
    QStringList all;
    for (int number = 1; number <= 6; ++number)
        all << QStringLiteral("Sound %1").arg(number);
    return all;
}

QString file(const QString &programFolder, const QString &name)
{
    if (!names().contains(name))
        return {};
    return QDir(programFolder).filePath(QLatin1String("Sounds/") + name + QLatin1String(".wav"));
}

} // namespace SoundSamples

namespace {

QToolButton *pictureButton(const char *name, const QString &art, const QString &tip,
                           QWidget *parent)
{
    auto *button = named<QToolButton>(name, parent);
    button->setIcon(Art::icon(art));
    button->setIconSize(QSize(22, 22));
    button->setAutoRaise(true);
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    return button;
}

} // namespace

SoundForm::SoundForm(QWidget *mainWindow, platform::SettingsStore &settings,
                     platform::MediaPlayer &mediaPlayer, const QString &programFolder)
    : SecondaryWindow(mainWindow), m_settings(settings), m_mediaPlayer(mediaPlayer),
      m_programFolder(programFolder)
{
    setWindowTitle(QStringLiteral("Sound Assignment"));
    buildControls();
    connect(Play, &QToolButton::clicked, this, &SoundForm::Play_Click);
    connect(OK, &QToolButton::clicked, this, &SoundForm::OK_Click);
    connect(Browse, &QPushButton::clicked, this, &SoundForm::Browse_Click);
    connect(Delete, &QPushButton::clicked, this, &SoundForm::Delete_Click);
    connect(ApplyChanges, &QPushButton::clicked, this, &SoundForm::ApplyChanges_Click);
    connect(CancelAction, &QPushButton::clicked, this, &SoundForm::CancelAction_Click);
    Form_Load();
}

SoundForm::~SoundForm() = default;

QString SoundForm::helpText()
{
    return QStringLiteral(
        "The file name must have a .wav file name extension and must conform the \r\n"
        "Microsoft WAV file format. If you can play a WAV file using Windows Media \r\n"
        "Player, the file is a valid WAV file. this option is not available if you do not have "
        "\r\n"
        "a sound card. Click Browse to locate the WAV file you want to use.\r\n");
}

void SoundForm::buildControls()
{
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);

    auto *Frame1 = named<QGroupBox>(
        "Frame1", this, QStringLiteral(" Please assign a sound for your screen-capture event:"));
    auto *grid = new QGridLayout(Frame1);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(8);

    auto *samplesCaption = named<QLabel>("Label1", Frame1, QStringLiteral("Sound Samples:"));
    grid->addWidget(samplesCaption, 0, 0);
    SoundList = named<QComboBox>("SoundList", Frame1);
    samplesCaption->setBuddy(SoundList);
    SoundList->setEditable(false);
    SoundList->addItems(SoundSamples::names());
    auto *samples = new QHBoxLayout;
    samples->setSpacing(4);
    samples->addWidget(SoundList);
    Play = pictureButton("Play", QStringLiteral("sound/play"), QStringLiteral("Play"), Frame1);
    samples->addWidget(Play);
    OK = pictureButton("OK", QStringLiteral("sound/ok"), QStringLiteral("OK"), Frame1);
    samples->addWidget(OK);
    samples->addStretch(1);
    grid->addLayout(samples, 0, 1);

    SoundPath = named<QLineEdit>("SoundPath", Frame1);
    SoundPath->setReadOnly(true);
    SoundPath->setAccessibleName(QStringLiteral("Capture sound"));
    SoundPath->setMinimumWidth(fontMetrics().averageCharWidth() * 48);
    grid->addWidget(SoundPath, 1, 0, 1, 2);
    auto *pathButtons = new QHBoxLayout;
    Browse = named<QPushButton>("Browse", Frame1, QStringLiteral("&Browse"));
    Delete = named<QPushButton>("Delete", Frame1, QStringLiteral("&Remove"));
    pathButtons->addStretch(1);
    pathButtons->addWidget(Browse);
    pathButtons->addWidget(Delete);
    grid->addLayout(pathButtons, 2, 0, 1, 2);

    auto *Text1 = named<QPlainTextEdit>("Text1", Frame1);
    Text1->setReadOnly(true);
    Text1->setAccessibleName(QStringLiteral("About sound files"));
    Text1->setTabChangesFocus(true);
    Text1->setPlainText(helpText());
    Text1->setFrameShape(QFrame::NoFrame);
    Text1->setBackgroundRole(QPalette::Window);
    // The four lines as they are written, whole and without scrolling.
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const QFontMetrics metrics(Text1->font());
    int widest = 0;
    for (const QString &line : helpText().split(QStringLiteral("\r\n")))
        widest = qMax(widest, metrics.horizontalAdvance(line));
    const int margin = 2 * (qRound(Text1->document()->documentMargin()) + Text1->frameWidth());
    Text1->setFixedSize(widest + margin + 4, metrics.lineSpacing() * 4 + margin + 4);
    grid->addWidget(Text1, 3, 0, 1, 2);
    layout->addWidget(Frame1);

    auto *buttons = new QHBoxLayout;
    ApplyChanges = named<QPushButton>("ApplyChanges", this, QStringLiteral("&Save"));
    CancelAction = named<QPushButton>("CancelAction", this, QStringLiteral("&Cancel"));
    buttons->addStretch(1);
    buttons->addWidget(ApplyChanges);
    buttons->addWidget(CancelAction);
    layout->addLayout(buttons);
}

void SoundForm::Form_Load()
{
    SoundList->setCurrentText(QStringLiteral("Sound 1"));
    SoundPath->setText(
        m_settings.value(Settings::SelectedSong.section, Settings::SelectedSong.key));
    m_mediaPlayer.setFileName(SoundPath->text());
}

QString SoundForm::soundPath() const
{
    return SoundPath->text();
}

void SoundForm::setSoundPath(const QString &path)
{
    SoundPath->setText(path);
}

void SoundForm::reopenPlayer()
{
    m_mediaPlayer.command(QStringLiteral("close"));
    m_mediaPlayer.command(QStringLiteral("open"));
}

void SoundForm::Play_Click()
{
    // Previews the selected sample, never the chosen file.
    const QString sample = SoundSamples::file(m_programFolder, SoundList->currentText());
    if (!sample.isEmpty())
        RunFilesAndFolder::ShellOpen(sample);
}

void SoundForm::OK_Click()
{
    SoundPath->setText(SoundSamples::file(m_programFolder, SoundList->currentText()));
}

void SoundForm::Browse_Click()
{
    const QString chosen = platform::Dialogs::instance().openFile(
        this, QStringLiteral("Browse for a new sound"), QStringLiteral("Sounds (*.wav)"));
    if (chosen.isEmpty())
        return;
    // A file the player cannot open would make every capture silent without
    // a word: refuse it now, while the user can still pick another.
    if (!WavFile::readFile(chosen)) {
        platform::Dialogs::instance().message(
            this, platform::Dialogs::Icon::Critical, QStringLiteral("Pictarro"),
            chosen + QStringLiteral("\n\nis not a WAV sound that Pictarro can play. Please "
                                    "choose an uncompressed (PCM) WAV file."));
        return;
    }
    SoundPath->setText(chosen);
}

void SoundForm::Delete_Click()
{
    if (platform::Dialogs::instance().message(
            this, platform::Dialogs::Icon::Question, QStringLiteral("Confirm to remove"),
            QStringLiteral("Are you sure you want to remove your current file path?")) ==
        platform::Dialogs::Answer::Yes)
        SoundPath->clear();
}

void SoundForm::ApplyChanges_Click()
{
    const QString chosen = SoundPath->text();
    if (!m_settings.setValue(Settings::SelectedSong.section, Settings::SelectedSong.key, chosen)) {
        // The choice still holds until Pictarro ends; say that it will not
        // be there next time rather than close as if it were kept.
        platform::Dialogs::instance().message(
            this, platform::Dialogs::Icon::Critical, QStringLiteral("Pictarro"),
            QStringLiteral("Pictarro cannot store your sound choice in ") + m_settings.filePath() +
                QStringLiteral(". It is used until Pictarro ends, but not kept for next time."));
    }
    m_mediaPlayer.setFileName(chosen);
    reopenPlayer();
    closeWindow();
}

void SoundForm::CancelAction_Click()
{
    // The player's file name is still the stored sound, set at load.
    reopenPlayer();
    closeWindow();
}

void SoundForm::reject()
{
    CancelAction_Click();
}
