#include "MainForm.h"

#include "CaptureCounter.h"
#include "CaptureWriter.h"
#include "ClickLabel.h"
#include "Clipboard.h"
#include "Dialogs.h"
#include "FileSystem.h"
#include "JpegEncoder.h"
#include "MediaPlayer.h"
#include "ProgramInfo.h"
#include "RunFilesAndFolder.h"
#include "SettingsStore.h"
#include "SettingsTable.h"
#include "Steps.h"
#include "Symbols.h"

#include <QAction>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QColor DarkRed(192, 0, 0);
const QColor DarkBlue(0, 0, 192);
const QColor Navy(0, 0, 128);
const QString LineBreak = QStringLiteral("\r\n");

// How often the capture switch's safety tick looks at the clipboard. The
// watcher reacts to clipboard changes as they are announced; this tick only
// catches an announcement that never came, and reads nothing but the list of
// offered formats.
constexpr int SafetyTickMs = 1000;
// How often the default and the capture folder are recreated when deleted.
constexpr int CreateFolderMs = 250;
constexpr int OpenCaptionMs = 1000;

void setTextColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget->setPalette(palette);
}

template <typename Widget, typename... Args>
Widget *named(const char *name, QWidget *parent, Args &&...args)
{
    auto *widget = new Widget(std::forward<Args>(args)..., parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel *label(const char *name, const QString &text, QWidget *parent)
{
    auto *caption = named<QLabel>(name, parent, text);
    caption->setWordWrap(true);
    return caption;
}

QToolButton *pictureButton(const char *name, QStyle::StandardPixmap icon, const QString &tip,
                           QWidget *parent)
{
    auto *button = named<QToolButton>(name, parent);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setIconSize(QSize(20, 20));
    button->setAutoRaise(true);
    button->setToolTip(tip);
    return button;
}

QFrame *section(QWidget *parent)
{
    auto *frame = new QFrame(parent);
    frame->setFrameShape(QFrame::StyledPanel);
    return frame;
}

} // namespace

MainForm::Environment MainForm::Environment::current()
{
    return {platform::ProgramInfo::programFolder(),
            platform::SettingsStore::userFilePath(platform::ProgramInfo::applicationName()),
            platform::ProgramInfo::userDataFolder()};
}

MainForm::MainForm(Environment environment, QWidget *parent)
    : QWidget(parent), m_env(std::move(environment)),
      m_settings(std::make_unique<platform::SettingsStore>(m_env.settingsFile)),
      m_encoder(std::make_unique<platform::JpegEncoder>(m_env.programFolder))
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Pictarro"));
    m_clipboard = new platform::Clipboard(this);
    buildControls();
    connectHandlers();
}

MainForm::~MainForm() = default;

void MainForm::buildControls()
{
    // Capture folder
    auto *folderBox = section(this);
    CapturePath = named<QLineEdit>("CapturePath", folderBox);
    CapturePath->setReadOnly(true);
    Image1 = pictureButton("Image1", QStyle::SP_DirOpenIcon,
                           QStringLiteral("Browse For New Folder"), folderBox);
    Image1->setEnabled(false); // the folder chooser window is not part of this build yet
    Image3 =
        pictureButton("Image3", QStyle::SP_DirHomeIcon,
                      QStringLiteral("Pictarro default \"Capture Screens\" folder"), folderBox);
    OpenFolder =
        pictureButton("OpenFolder", QStyle::SP_DirLinkIcon, QStringLiteral("Open:"), folderBox);
    auto *folderLayout = new QGridLayout(folderBox);
    folderLayout->addWidget(
        label(
            "Label1",
            QStringLiteral("Pictarro will save all your captured screens in the following folder:"),
            folderBox),
        0, 0, 1, 4);
    folderLayout->addWidget(CapturePath, 1, 0);
    folderLayout->addWidget(Image1, 1, 1);
    folderLayout->addWidget(Image3, 1, 2);
    folderLayout->addWidget(OpenFolder, 1, 3);
    folderLayout->setColumnStretch(0, 1);

    // Base name and counter
    auto *nameBox = section(this);
    ImageName = named<QLineEdit>("ImageName", nameBox);
    ImageName->setMaxLength(50);
    NoWay = named<QLineEdit>("NoWay", nameBox, Symbols::NoWay);
    NoWay->setReadOnly(true);
    NoWay->hide();
    NoWaySymbols =
        pictureButton("NoWaySymbols", QStyle::SP_MessageBoxInformation, QString(), nameBox);
    ImageCounter = named<QLineEdit>("ImageCounter", nameBox, QString(Settings::DefaultCounter));
    ImageCounter->setReadOnly(true);
    CustomCounter = named<ClickLabel>("CustomCounter", nameBox, QStringLiteral("[ Custom ]"));
    ResetCounter = named<ClickLabel>("ResetCounter", nameBox, QStringLiteral("[ Reset ]"));
    setTextColour(CustomCounter, Navy);
    setTextColour(ResetCounter, Navy);
    auto *nameLayout = new QGridLayout(nameBox);
    nameLayout->addWidget(label("Label7",
                                QStringLiteral("Please insert a name for your captured screens :"),
                                nameBox),
                          0, 0, 1, 4);
    nameLayout->addWidget(ImageName, 1, 0, 1, 3);
    nameLayout->addWidget(NoWaySymbols, 1, 3);
    nameLayout->addWidget(
        label("Label6", QStringLiteral("Pictarro's captured screens counter:"), nameBox), 2, 0, 1,
        4);
    nameLayout->addWidget(ImageCounter, 3, 0);
    nameLayout->addWidget(CustomCounter, 3, 1);
    nameLayout->addWidget(ResetCounter, 3, 2);
    nameLayout->addWidget(label("Label10",
                                QStringLiteral("The number of your counter will be added "
                                               "automatically with your captured screens name."),
                                nameBox),
                          4, 0, 1, 4);
    nameLayout->setColumnStretch(0, 1);

    // Format and quality
    auto *formatBox = section(this);
    BMP = named<QRadioButton>("BMP", formatBox, QStringLiteral(".BMP"));
    JPG = named<QRadioButton>("JPG", formatBox, QStringLiteral(".JPG"));
    for (QRadioButton *option : {BMP, JPG}) {
        QFont bold = option->font();
        bold.setBold(true);
        option->setFont(bold);
        setTextColour(option, DarkBlue);
    }
    BMP->setChecked(true);
    Res = named<QSlider>("Res", formatBox, Qt::Horizontal);
    Res->setRange(0, 100);
    Res->setValue(Settings::DefaultQuality);
    Res->setPageStep(10);
    Res->setToolTip(QStringLiteral("JPG Image-Quality"));
    Res->setEnabled(false); // BMP is selected until a setting says otherwise
    Res->setMouseTracking(true);
    Res->installEventFilter(this);
    ResCaption = named<QLabel>("ResCaption", formatBox, QStringLiteral("100"));
    Centesimal = named<QLabel>("Centesimal", formatBox, QStringLiteral("%"));
    for (QLabel *large : {ResCaption, Centesimal}) {
        QFont font = large->font();
        font.setPointSizeF(font.pointSizeF() * 1.6);
        large->setFont(font);
    }
    ResCaption->setMinimumWidth(ResCaption->fontMetrics().horizontalAdvance(QStringLiteral("100")));
    ResCaption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto *formatLayout = new QGridLayout(formatBox);
    formatLayout->addWidget(label("Label19",
                                  QStringLiteral("Please choose which format Pictarro should use "
                                                 "to save the captured screens."),
                                  formatBox),
                            0, 0, 1, 5);
    formatLayout->addWidget(BMP, 1, 0);
    formatLayout->addWidget(JPG, 1, 1);
    formatLayout->addWidget(Res, 1, 2);
    formatLayout->addWidget(ResCaption, 1, 3);
    formatLayout->addWidget(Centesimal, 1, 4);
    formatLayout->setColumnStretch(2, 1);

    // Capture switch
    auto *switchBox = section(this);
    auto *state = named<QLabel>("Label16", switchBox, QStringLiteral("Pictarro is currently:"));
    EnableDisable = named<QLabel>("EnableDisable", switchBox, QStringLiteral("Enabled"));
    for (QLabel *bold : {state, EnableDisable}) {
        QFont font = bold->font();
        font.setBold(true);
        bold->setFont(font);
    }
    setTextColour(EnableDisable, DarkBlue);
    auto *enableCaption = named<QLabel>("Label15", switchBox, QStringLiteral("Enable"));
    Enables = named<ClickLabel>("Enables", switchBox, QStringLiteral("[ Click Here ]"));
    auto *disableCaption = named<QLabel>("Label13", switchBox, QStringLiteral("Disable"));
    Disabled = named<ClickLabel>("Disabled", switchBox, QStringLiteral("[ Click Here ]"));
    setTextColour(enableCaption, DarkBlue);
    setTextColour(Enables, DarkBlue);
    setTextColour(disableCaption, DarkRed);
    setTextColour(Disabled, DarkRed);
    auto *switchLayout = new QGridLayout(switchBox);
    switchLayout->addWidget(state, 0, 0);
    switchLayout->addWidget(EnableDisable, 0, 1, 1, 3);
    switchLayout->addWidget(enableCaption, 1, 0);
    switchLayout->addWidget(Enables, 1, 1);
    switchLayout->addWidget(disableCaption, 1, 2);
    switchLayout->addWidget(Disabled, 1, 3);
    switchLayout->addWidget(
        label(
            "Label21",
            QStringLiteral("Disable Pictarro while working on any other image processing software"),
            switchBox),
        2, 0, 1, 4);
    switchLayout->addWidget(label("Label22", QStringLiteral("( Recommended )"), switchBox), 3, 0, 1,
                            4);
    switchLayout->setColumnStretch(3, 1);

    // Scratch controls, never shown
    TextClipboard = named<QLineEdit>("TextClipboard", this, QStringLiteral("Clipboard Text !!"));
    TextClipboard->hide();
    WinPath = named<QLineEdit>("WinPath", this, QStringLiteral("Windows Path"));
    WinPath->setReadOnly(true);
    WinPath->hide();
    MediaPlayer = new platform::MediaPlayer(this);
    MediaPlayer->setObjectName(QStringLiteral("MediaPlayer"));
    SysCapture = new QAction(QStringLiteral("Open "), this);
    SysCapture->setObjectName(QStringLiteral("SysCapture"));

    auto *layout = new QVBoxLayout(this);
    for (QFrame *box : {folderBox, nameBox, formatBox, switchBox})
        layout->addWidget(box);
    layout->addStretch(1);
    setMinimumWidth(fontMetrics().averageCharWidth() * 90);

    // Timers
    CaptureTimer = named<QTimer>("CaptureTimer", nullptr);
    CaptureTimer->setParent(this);
    CaptureTimer->setInterval(SafetyTickMs);
    CreateFolderTimer = named<QTimer>("CreateFolderTimer", nullptr);
    CreateFolderTimer->setParent(this);
    CreateFolderTimer->setInterval(CreateFolderMs);
    OpenTimer = named<QTimer>("OpenTimer", nullptr);
    OpenTimer->setParent(this);
    OpenTimer->setInterval(OpenCaptionMs);
}

void MainForm::connectHandlers()
{
    connect(m_clipboard, &platform::Clipboard::changed, this, &MainForm::Clipboard_Changed);
    connect(CaptureTimer, &QTimer::timeout, this, &MainForm::SafetyTick);
    connect(CreateFolderTimer, &QTimer::timeout, this, &MainForm::CreateFolderTimer_Timer);
    connect(OpenTimer, &QTimer::timeout, this, &MainForm::OpenTimer_Timer);

    connect(CapturePath, &QLineEdit::textChanged, this, &MainForm::CapturePath_Change);
    connect(OpenFolder, &QToolButton::clicked, this, &MainForm::OpenFolder_Click);
    connect(Image3, &QToolButton::clicked, this, &MainForm::Image3_Click);

    connect(ImageName, &QLineEdit::textChanged, this, &MainForm::ImageName_Change);
    connect(ImageCounter, &QLineEdit::textChanged, this, &MainForm::ImageCounter_Change);
    connect(NoWaySymbols, &QToolButton::clicked, this, &MainForm::NoWaySymbols_Click);
    connect(CustomCounter, &ClickLabel::clicked, this, &MainForm::CustomCounter_Click);
    connect(ResetCounter, &ClickLabel::clicked, this, &MainForm::ResetCounter_Click);

    connect(BMP, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            BMP_Click();
    });
    connect(JPG, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            JPG_Click();
    });
    connect(Res, &QSlider::valueChanged, this, &MainForm::Res_Change);
    connect(Enables, &ClickLabel::clicked, this, &MainForm::Enables_Click);
    connect(Disabled, &ClickLabel::clicked, this, &MainForm::Disabled_Click);
}

void MainForm::store(const SettingKey &key, const QString &value)
{
    // The value stays in its control for this session either way; a store
    // that cannot be written is reported once, not on every change.
    if (!m_settings->setValue(key.section, key.key, value) && !m_storeFailed) {
        m_storeFailed = true;
        qWarning("Pictarro cannot write its settings to %s", qPrintable(m_settings->filePath()));
    }
}

QString MainForm::defaultFolder() const
{
    return CaptureNaming::defaultFolder(m_env.programFolder);
}

bool MainForm::captureEnabled() const
{
    return CaptureTimer->isActive();
}

// ---------------------------------------------------------------- start-up

void MainForm::Form_Load()
{
    const auto stored = [this](const SettingKey &key) {
        return m_settings->value(key.section, key.key);
    };

    attempt("clear the clipboard", [&] { m_clipboard->clear(); });
    attempt("capture sound", [&] { MediaPlayer->setFileName(stored(Settings::SelectedSong)); });
    attempt("capture folder", [&] {
        CapturePath->setText(stored(Settings::Folder));
        if (CapturePath->text().isEmpty())
            CapturePath->setText(defaultFolder());
    });
    attempt("base name", [&] {
        ImageName->setText(stored(Settings::SaveName));
        if (ImageName->text().isEmpty())
            ImageName->setText(Settings::DefaultBaseName);
    });
    attempt("JPEG quality", [&] {
        const int quality = Convert::toInt32(stored(Settings::QualityValue));
        if (quality < Res->minimum() || quality > Res->maximum())
            throw StepFailed("quality out of range");
        Res->setValue(quality);
    });
    attempt("save format",
            [&] { JPG->setChecked(Convert::toBoolean(stored(Settings::SaveExtensionJPG))); });
    attempt("quality caption", [&] { ResCaption->setText(QString::number(Res->value())); });
    attempt("JPEG look", [&] {
        if (JPG->isChecked()) {
            Res->setEnabled(true);
            setTextColour(Centesimal, DarkRed);
        }
    });
    attempt("counter", [&] {
        ImageCounter->setText(stored(Settings::CaptureCounter));
        if (ImageCounter->text().isEmpty())
            ImageCounter->setText(Settings::DefaultCounter);
    });
    attempt("create the folders", [&] { CreateFolder(); });
    attempt("data folder", [&] { WinPath->setText(m_env.userDataFolder); });
    attempt("open caption", [&] { OpenTimer_Timer(); });

    CaptureTimer->start();
    CreateFolderTimer->start();
    OpenTimer->start();
}

// ------------------------------------------------------ clipboard watcher

void MainForm::Clipboard_Changed()
{
    m_pictureUnusable = false;
    if (CaptureTimer->isActive())
        scheduleTick();
}

void MainForm::SafetyTick()
{
    if (!m_pictureUnusable && m_clipboard->offersPictureOnly())
        CaptureTimer_Timer();
}

void MainForm::scheduleTick()
{
    if (m_tickQueued)
        return;
    m_tickQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_tickQueued = false;
            CaptureTimer_Timer();
        },
        Qt::QueuedConnection);
}

void MainForm::CaptureTimer_Timer()
{
    // Clearing the clipboard announces a change from inside the call, and a
    // message box runs its own event loop: neither may start a second tick.
    // A change announced meanwhile is looked at once this tick is done.
    if (m_inTick) {
        m_tickPending = true;
        return;
    }
    if (!CaptureTimer->isActive())
        return;
    {
        const QScopedValueRollback<bool> running(m_inTick, true);
        m_tickPending = false;
        WatchClipboard();
    }
    if (m_tickPending)
        scheduleTick();
}

void MainForm::WatchClipboard()
{
    TextClipboard->setText(m_clipboard->text());
    if (!TextClipboard->text().isEmpty())
        return; // text, perhaps beside a picture: left alone

    ClipboardImage = m_clipboard->image();
    if (ClipboardImage.isNull()) {
        TextClipboard->clear();
        // A picture that is offered but cannot be decoded is not fetched
        // again until the clipboard changes.
        m_pictureUnusable = m_clipboard->offersPictureOnly();
        return;
    }

    CreateFolder();
    if (!platform::isFolder(CapturePath->text())) {
        platform::Dialogs::instance().message(
            this, platform::Dialogs::Icon::Critical, QStringLiteral("Pictarro"),
            QStringLiteral("Pictarro is unable to reach your current folder path: ") + LineBreak +
                CapturePath->text() + LineBreak +
                QStringLiteral(
                    "Please make sure that your current folder path is already exists."));
        m_clipboard->clear();
        ClipboardImage = QImage();
        return;
    }

    if (ImageCounter->text() == CaptureCounter::WrapValue)
        ImageCounter->setText(QStringLiteral("0"));
    SaveCapture();
}

// --------------------------------------------------------- capture writer

QString MainForm::freeCaptureFile(CaptureNaming::Format format)
{
    // An earlier capture is never replaced: while the counter's name is
    // taken the counter moves on.
    constexpr int MaxTakenNames = 1000000;
    for (int i = 0; i < MaxTakenNames; ++i) {
        if (!CaptureNaming::isPlainFileName(ImageName->text(), ImageCounter->text()))
            throw StepFailed("The name would lead out of the capture folder.");
        const QString file = CaptureNaming::captureFile(CapturePath->text(), ImageName->text(),
                                                        ImageCounter->text(), format);
        if (!QFileInfo::exists(file) && !QFileInfo(file).isSymLink())
            return file;
        const std::optional<QString> next = CaptureCounter::advanced(ImageCounter->text());
        if (!next)
            throw StepFailed("A file of that name already exists.");
        ImageCounter->setText(*next);
    }
    throw StepFailed("Every name the counter could move on to is taken.");
}

void MainForm::SaveCapture()
{
    attempt("advance the counter", [&] {
        const std::optional<QString> next = CaptureCounter::advanced(ImageCounter->text());
        if (!next)
            throw StepFailed("the counter is not a number");
        ImageCounter->setText(*next);
    });

    const auto format =
        BMP->isChecked() ? CaptureNaming::Format::Bitmap : CaptureNaming::Format::Jpeg;
    QString file = CaptureNaming::captureFile(CapturePath->text(), ImageName->text(),
                                              ImageCounter->text(), format);
    CaptureWriter::Result result;
    try {
        file = freeCaptureFile(format);
        result = format == CaptureNaming::Format::Bitmap
                     ? CaptureWriter::writeBitmap(ClipboardImage, file)
                     : CaptureWriter::writeJpeg(ClipboardImage, file, Res->value(), *m_encoder);
    } catch (const StepFailed &noName) {
        result.error = QString::fromUtf8(noName.what());
    }

    if (!result.ok) {
        // The picture is lost: say so, then drop it as a missing folder does.
        platform::Dialogs::instance().message(
            this, platform::Dialogs::Icon::Critical, QStringLiteral("Pictarro"),
            QStringLiteral("Pictarro is unable to save your captured screen as: ") + LineBreak +
                file + LineBreak + result.error);
        AfterCapture();
        return;
    }

    AfterCapture();
    Q_EMIT captured(file);
    attempt("capture sound", [&] {
        MediaPlayer->command(QStringLiteral("close"));
        MediaPlayer->command(QStringLiteral("open"));
        MediaPlayer->command(QStringLiteral("play"));
    });
}

void MainForm::AfterCapture()
{
    m_clipboard->clear();
    TextClipboard->clear();
    ClipboardImage = QImage();
}

// --------------------------------------------------------- capture folder

void MainForm::CreateFolder()
{
    platform::createFolderLevel(defaultFolder());
    platform::createFolderLevel(CapturePath->text());
}

void MainForm::CreateFolderTimer_Timer()
{
    CreateFolder();
}

void MainForm::CapturePath_Change()
{
    store(Settings::Folder, CapturePath->text());
}

void MainForm::OpenTimer_Timer()
{
    const QString caption = CaptureNaming::openCaption(CapturePath->text());
    if (SysCapture->text() != caption)
        SysCapture->setText(caption);
    if (OpenFolder->toolTip() != caption)
        OpenFolder->setToolTip(caption);
}

void MainForm::OpenFolder_Click()
{
    RunFilesAndFolder::ShellOpen(CapturePath->text());
}

void MainForm::Image3_Click()
{
    const QString folder = defaultFolder();
    const auto answer = platform::Dialogs::instance().message(
        this, platform::Dialogs::Icon::Question, QStringLiteral("Confirm to change"),
        QStringLiteral("This will change your current folder address to:") + LineBreak + folder +
            LineBreak + LineBreak + QStringLiteral("Are you sure you want to continue?"));
    if (answer == platform::Dialogs::Answer::Yes)
        CapturePath->setText(folder);
}

// ------------------------------------------------------ base name, counter

void MainForm::ImageName_Change()
{
    const QString text = ImageName->text();
    const QString kept = Symbols::RemoveSymbols(text, NoWay->text());
    if (kept != text) {
        // Keep the caret where it was, less the characters removed before it.
        const int caret = ImageName->cursorPosition();
        const int removedBefore =
            caret -
            static_cast<int>(Symbols::RemoveSymbols(text.left(caret), NoWay->text()).size());
        ImageName->setText(kept); // runs this handler again, which stores
        ImageName->setCursorPosition(caret - removedBefore);
        return;
    }
    store(Settings::SaveName, text.trimmed());
}

void MainForm::ImageCounter_Change()
{
    store(Settings::CaptureCounter, ImageCounter->text().trimmed());
}

void MainForm::NoWaySymbols_Click()
{
    platform::Dialogs::instance().message(
        this, platform::Dialogs::Icon::Information, QStringLiteral("Captured Screens Name"),
        QStringLiteral("A name of your captured screens cannot contain any of the following "
                       "characters ") +
            NoWay->text() + LineBreak +
            QStringLiteral("Pictarro will automatically remove these characters."));
}

void MainForm::CustomCounter_Click()
{
    const QString reply = platform::Dialogs::instance().inputBox(
        this, QStringLiteral("Your custom number goes here:"),
        QStringLiteral("Captured Screens Counter"), ImageCounter->text());
    if (const std::optional<QString> counter = CaptureCounter::customValue(reply))
        ImageCounter->setText(*counter);
}

void MainForm::ResetCounter_Click()
{
    ImageCounter->setText(QStringLiteral("0"));
}

// ------------------------------------------- format, quality and switch

void MainForm::JPG_Click()
{
    Res->setEnabled(true);
    setTextColour(ResCaption, DarkRed);
    setTextColour(Centesimal, DarkRed);
    store(Settings::SaveExtensionJPG,
          JPG->isChecked() ? QStringLiteral("True") : QStringLiteral("False"));
}

void MainForm::BMP_Click()
{
    Res->setEnabled(false);
    setTextColour(ResCaption, Qt::black);
    setTextColour(Centesimal, Qt::black);
    store(Settings::SaveExtensionJPG,
          JPG->isChecked() ? QStringLiteral("True") : QStringLiteral("False"));
}

void MainForm::Res_Change()
{
    ResCaption->setText(QString::number(Res->value()));
    store(Settings::QualityValue, QString::number(Res->value()));
}

bool MainForm::eventFilter(QObject *watched, QEvent *event)
{
    // Moving the mouse over the slider stores the quality too.
    if (watched == Res && event->type() == QEvent::MouseMove)
        Res_Change();
    return QWidget::eventFilter(watched, event);
}

void MainForm::Enables_Click()
{
    const bool wasOff = !CaptureTimer->isActive();
    CaptureTimer->start();
    EnableDisable->setText(QStringLiteral("Enabled"));
    setTextColour(EnableDisable, DarkBlue);
    if (wasOff) {
        // A picture that arrived while capturing was off is taken now.
        m_pictureUnusable = false;
        scheduleTick();
    }
}

void MainForm::Disabled_Click()
{
    CaptureTimer->stop();
    EnableDisable->setText(QStringLiteral("Disabled"));
    setTextColour(EnableDisable, DarkRed);
}
