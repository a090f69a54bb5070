#include "CaptureOptions.h"

#include "ClipboardAfterCapture.h"
#include "Controls.h"
#include "Dialogs.h"
#include "SettingsStore.h"
#include "SettingsTable.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using Mode = ClipboardAfterCapture::Mode;

CaptureOptions::CaptureOptions(QWidget *mainWindow, platform::SettingsStore &settings)
    : SecondaryWindow(mainWindow), m_settings(settings)
{
    setWindowTitle(QStringLiteral("Capture Options"));
    buildControls();
    Form_Load();
    for (QRadioButton *choice : {EmptyChoice, PictureChoice, FileChoice})
        connect(choice, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                ClipboardChoice_Click();
        });
    connect(NotifyCheck, &QCheckBox::toggled, this, &CaptureOptions::NotifyCheck_Click);
    connect(CloseOptions, &QPushButton::clicked, this, &CaptureOptions::CloseOptions_Click);
}

CaptureOptions::~CaptureOptions() = default;

void CaptureOptions::buildControls()
{
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);

    auto *Frame1 =
        named<QGroupBox>("Frame1", this, QStringLiteral(" After a capture, the clipboard holds:"));
    auto *choices = new QVBoxLayout(Frame1);
    choices->setSpacing(6);
    EmptyChoice = named<QRadioButton>("EmptyChoice", Frame1,
                                      QStringLiteral("&Nothing: it is emptied once the picture "
                                                     "is saved"));
    PictureChoice = named<QRadioButton>("PictureChoice", Frame1,
                                        QStringLiteral("The &picture, to paste in any program"));
    FileChoice = named<QRadioButton>(
        "FileChoice", Frame1,
        QStringLiteral("The picture and the &file: file managers paste the file, "
                       "terminals its path"));
    for (QRadioButton *choice : {EmptyChoice, PictureChoice, FileChoice})
        choices->addWidget(choice);
    layout->addWidget(Frame1);

    NotifyCheck = named<QCheckBox>("NotifyCheck", this,
                                   QStringLiteral("&Show a notification that names each capture"));
    layout->addWidget(NotifyCheck);

    auto *buttons = new QHBoxLayout;
    CloseOptions = named<QPushButton>("CloseOptions", this, QStringLiteral("&Close"));
    CloseOptions->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(CloseOptions);
    layout->addLayout(buttons);
}

void CaptureOptions::Form_Load()
{
    const Mode mode = ClipboardAfterCapture::fromStored(
        m_settings.value(Settings::ClipboardMode.section, Settings::ClipboardMode.key));
    QRadioButton *const chosen = mode == Mode::File      ? FileChoice
                                 : mode == Mode::Picture ? PictureChoice
                                                         : EmptyChoice;
    chosen->setChecked(true);
    NotifyCheck->setChecked(m_settings.value(Settings::Notify.section, Settings::Notify.key) ==
                            QLatin1String("1"));
}

void CaptureOptions::store(const QLatin1String &section, const QLatin1String &key,
                           const QString &value)
{
    // The choice holds for this session either way; a store that cannot be
    // written is said once.
    if (m_settings.setValue(section, key, value) || m_storeFailed)
        return;
    m_storeFailed = true;
    platform::Dialogs::instance().message(
        this, platform::Dialogs::Icon::Critical, QStringLiteral("Pictarro"),
        QStringLiteral("Your choice cannot be kept: %1 cannot be written.")
            .arg(m_settings.filePath()));
}

void CaptureOptions::ClipboardChoice_Click()
{
    const Mode mode = FileChoice->isChecked()      ? Mode::File
                      : PictureChoice->isChecked() ? Mode::Picture
                                                   : Mode::Empty;
    store(Settings::ClipboardMode.section, Settings::ClipboardMode.key,
          ClipboardAfterCapture::stored(mode));
}

void CaptureOptions::NotifyCheck_Click()
{
    store(Settings::Notify.section, Settings::Notify.key,
          NotifyCheck->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void CaptureOptions::CloseOptions_Click()
{
    closeWindow();
}
