#include "MainForm.h"

#include "About.h"
#include "Accessibility.h"
#include "Art.h"
#include "CaptureCounter.h"
#include "CaptureEngine.h"
#include "CaptureNotice.h"
#include "CaptureOptions.h"
#include "ClickLabel.h"
#include "Clipboard.h"
#include "Controls.h"
#include "Dialogs.h"
#include "FileSystem.h"
#include "FolderManager.h"
#include "ForScreenCapture.h"
#include "MainFormLook.h"
#include "MediaPlayer.h"
#include "NewFolder.h"
#include "ProgramInfo.h"
#include "RecentCaptures.h"
#include "RunFilesAndFolder.h"
#include "ScreenKeys.h"
#include "SettingsStore.h"
#include "SettingsTable.h"
#include "SoundForm.h"
#include "StartUpModule.h"
#include "Steps.h"
#include "SupportModule.h"
#include "Symbols.h"
#include "TrayIcon.h"
#include "Wallpaper.h"
#include "WallpaperFiles.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>

using namespace MainFormLook;

MainForm::Environment MainForm::Environment::current()
{
    return {platform::ProgramInfo::programFolder(),
            platform::SettingsStore::userFilePath(platform::ProgramInfo::applicationName()),
            platform::ProgramInfo::userDataFolder(), platform::ProgramInfo::executableName()};
}

MainForm::MainForm(Environment environment, QWidget *parent)
    : QWidget(parent), m_env(std::move(environment)),
      m_settings(std::make_unique<platform::SettingsStore>(m_env.settingsFile))
{
    Accessibility::presentAsWindow(this);
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Pictarro"));
    setWindowIcon(Art::icon(QStringLiteral("pictarro")));
    m_clipboard = new platform::Clipboard(this);
    m_engine = std::make_unique<CaptureEngine>(
        *m_clipboard, m_env.programFolder, [this] { return captureSettings(); }, this);
    m_screenKeys = new ScreenKeys(*m_engine, this);
    buildControls();
    m_trayIcon = new platform::TrayIcon(windowIcon(), QStringLiteral("Pictarro"), SysMenu, this);
    connectHandlers();
    // The notification area's recent captures, after "Open" the folder, and
    // the notification of each capture; both live as the window's children.
    new RecentCaptures(
        *SysMenu, SysCapture, [this] { return CapturePath->text(); }, this);
    auto *notice = new CaptureNotice(*m_settings, m_env.programFolder, m_env.userDataFolder, this);
    connect(this, &MainForm::captured, notice, &CaptureNotice::captured);
}

MainForm::~MainForm() = default;
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
    return m_captureOn;
}

// ---------------------------------------------------------------- start-up

void MainForm::Form_Load()
{
    const auto stored = [this](const SettingKey &key) {
        return m_settings->value(key.section, key.key);
    };

    attempt("clear the clipboard", [&] { m_clipboard->clear(); });
    // The sound window holds the chosen sound; loading it reads the stored
    // sound and gives it to the player.
    attempt("capture sound", [&] { soundForm(); });
    attempt("capture folder", [&] {
        CapturePath->setText(stored(Settings::Folder));
        // A damaged store may hold a path that cannot be a capture folder:
        // a relative one (it would follow the working folder) or a file.
        const QFileInfo folder(CapturePath->text());
        if (!CaptureNaming::isFolderPath(CapturePath->text()) ||
            (folder.exists() && !folder.isDir()))
            CapturePath->setText(defaultFolder());
    });
    attempt("base name", [&] {
        ImageName->setText(stored(Settings::SaveName));
        if (ImageName->text().isEmpty())
            ImageName->setText(Settings::DefaultBaseName);
    });
    attempt("launch at start-up",
            [&] { StartUpCheck->setChecked(Convert::toInt32(stored(Settings::StartUp)) == 1); });
    attempt("refresh the start-up entry", [&] { refreshStartUpEntry(); });
    bool startHidden = false;
    attempt("start in the notification area", [&] {
        MiniCheck->setChecked(Convert::toInt32(stored(Settings::Minimized)) == 1);
        startHidden = MiniCheck->isChecked();
    });
    attempt("JPEG quality", [&] {
        const int quality = Convert::toInt32(stored(Settings::QualityValue));
        if (quality < Res->minimum() || quality > Res->maximum())
            throw StepFailed("quality out of range");
        Res->setValue(quality);
    });
    // Read before the JPEG choice stores both flags; PNG wins over JPEG.
    bool png = false;
    attempt("PNG format", [&] { png = Convert::toBoolean(stored(Settings::SaveExtensionPNG)); });
    attempt("save format",
            [&] { JPG->setChecked(Convert::toBoolean(stored(Settings::SaveExtensionJPG))); });
    if (png)
        PNG->setChecked(true);
    attempt("quality caption", [&] { ResCaption->setText(QString::number(Res->value())); });
    attempt("JPEG look", [&] {
        if (JPG->isChecked()) {
            Res->setEnabled(true);
            setTextColour(Centesimal, DarkRed);
        }
    });
    attempt("counter", [&] {
        ImageCounter->setText(stored(Settings::CaptureCounter));
        // A counter that would lead out of the capture folder is damage.
        if (ImageCounter->text().isEmpty() ||
            !CaptureNaming::isPlainFileName(Settings::DefaultBaseName, ImageCounter->text()))
            ImageCounter->setText(Settings::DefaultCounter);
    });
    attempt("create the folders", [&] { m_engine->keepFolders(); });
    attempt("data folder", [&] { WinPath->setText(m_env.userDataFolder); });
    attempt("open caption", [&] { OpenTimer_Timer(); });

    m_captureOn = true;
    attempt("screenshot keys", [&] { m_screenKeys->start(); });

    if (startHidden)
        sendToNotificationArea(false);
    else
        show();
}

void MainForm::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    // The icon goes first, so that none is left behind in the notification area.
    RemoveIconFromTray();
    m_newFolder.reset();
    m_folderManager.reset();
    m_soundForm.reset();
    m_about.reset();
    m_likeIt.reset();
    Q_EMIT unloaded();
}

// ------------------------------------------------------ capture results

CaptureSettings MainForm::captureSettings() const
{
    CaptureSettings settings;
    settings.folder = CapturePath->text();
    settings.baseName = ImageName->text();
    settings.counter = ImageCounter->text();
    settings.format = JPG->isChecked()   ? CaptureNaming::Format::Jpeg
                      : PNG->isChecked() ? CaptureNaming::Format::Png
                                         : CaptureNaming::Format::Bitmap;
    settings.quality = Res->value();
    settings.enabled = m_captureOn;
    settings.clipboard = ClipboardAfterCapture::fromStored(
        m_settings->value(Settings::ClipboardMode.section, Settings::ClipboardMode.key));
    return settings;
}

void MainForm::Capture_Saved(const QString &file)
{
    Q_EMIT captured(file);
    attempt("capture sound", [&] {
        MediaPlayer->command(QStringLiteral("close"));
        MediaPlayer->command(QStringLiteral("open"));
        MediaPlayer->command(QStringLiteral("play"));
    });
}

void MainForm::Capture_Failed(const QString &file, const QString &reason)
{
    platform::Dialogs::instance().message(
        this, platform::Dialogs::Icon::Critical, QStringLiteral("Pictarro"),
        QStringLiteral("Pictarro is unable to save your captured screen as: ") + LineBreak + file +
            LineBreak + reason);
}

void MainForm::Capture_FolderMissing(const QString &folder)
{
    platform::Dialogs::instance().message(
        this, platform::Dialogs::Icon::Critical, QStringLiteral("Pictarro"),
        QStringLiteral("Pictarro is unable to reach your current folder path: ") + LineBreak +
            folder + LineBreak +
            QStringLiteral("Please make sure that your current folder path is already exists."));
}

// --------------------------------------------------------- capture folder

void MainForm::CapturePath_Change()
{
    store(Settings::Folder, CapturePath->text());
    OpenTimer_Timer();
    m_engine->folderChanged();
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

void MainForm::SysCapture_Click()
{
    attempt("open the capture folder", [&] { RunFilesAndFolder::ShellOpen(CapturePath->text()); });
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
    storeFormat();
}

void MainForm::BMP_Click()
{
    Res->setEnabled(false);
    setTextColour(ResCaption, Qt::black);
    setTextColour(Centesimal, Qt::black);
    storeFormat();
}

void MainForm::PNG_Click()
{
    BMP_Click(); // the same look: no quality to choose
}

void MainForm::storeFormat()
{
    // Each flag under its own key, so that a store written before PNG
    // existed reads as it did.
    const auto flag = [](const QRadioButton *option) {
        return option->isChecked() ? QStringLiteral("True") : QStringLiteral("False");
    };
    store(Settings::SaveExtensionJPG, flag(JPG));
    store(Settings::SaveExtensionPNG, flag(PNG));
}

void MainForm::Res_Change()
{
    ResCaption->setText(QString::number(Res->value()));
    store(Settings::QualityValue, QString::number(Res->value()));
}

void MainForm::Enables_Click()
{
    const bool wasOff = !m_captureOn;
    m_captureOn = true;
    EnableDisable->setText(QStringLiteral("Enabled"));
    setTextColour(EnableDisable, DarkBlue);
    if (wasOff) {
        // A picture that arrived while capturing was off is taken now.
        m_engine->switchedOn();
    }
}

void MainForm::Disabled_Click()
{
    m_captureOn = false;
    EnableDisable->setText(QStringLiteral("Disabled"));
    setTextColour(EnableDisable, DarkRed);
}

// ---------------------------------------------------- launch at start-up

void MainForm::refreshStartUpEntry()
{
    if (StartUpCheck->isChecked())
        StartUpModule::AddStartUpEntry(QStringLiteral("Pictarro"),
                                       QDir(m_env.programFolder).filePath(m_env.executableName));
    else
        StartUpModule::RemoveStartUpEntry(m_env.executableName);
}

void MainForm::StartUpCheck_Click()
{
    refreshStartUpEntry();
    store(Settings::StartUp, StartUpCheck->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

// ------------------------------------------------------- settings restore

void MainForm::RestoreSet_Click()
{
    if (platform::Dialogs::instance().message(
            this, platform::Dialogs::Icon::Question, QStringLiteral("Confirm to restore settings"),
            QStringLiteral("Are you sure you want to restore Pictarro settings ?")) !=
        platform::Dialogs::Answer::Yes)
        return;

    CapturePath->setText(defaultFolder());
    ImageCounter->setText(QStringLiteral("0"));
    ImageName->setText(Settings::DefaultBaseName);
    StartUpCheck->setChecked(false);
    StartUpModule::RemoveStartUpEntry(m_env.executableName);
    MiniCheck->setChecked(false);
    BMP->setChecked(true);
    Res->setValue(Settings::DefaultQuality);
    ResCaption->setText(QString::number(Settings::DefaultQuality));
    Res->setEnabled(false);
    Enables_Click();
    soundForm().setSoundPath(QString());
    store(Settings::SelectedSong, soundForm().soundPath());
    MediaPlayer->setFileName(soundForm().soundPath());
    MediaPlayer->command(QStringLiteral("close"));
    MediaPlayer->command(QStringLiteral("open"));
    store(Settings::ClipboardMode, Settings::DefaultClipboardMode);
    store(Settings::Notify, Settings::DefaultNotify);

    platform::Dialogs::instance().message(
        this, platform::Dialogs::Icon::Information, QStringLiteral("Pictarro"),
        QStringLiteral("Pictarro settings have been successfully restored."));
}

// ------------------------------------------------------------ outside links

void MainForm::ConverterMenu_Click()
{
    attempt("start Vantler", [&] {
        RunFilesAndFolder::ShellOpen(QDir(m_env.programFolder).filePath(QStringLiteral("Vantler")));
    });
}

void MainForm::LicenseCode()
{
    RunFilesAndFolder::ShellOpen(
        QDir(m_env.programFolder).filePath(QStringLiteral("License Agreement.rtf")));
}

void MainForm::LicenseAgreement_Click()
{
    attempt("open the licence", [&] { LicenseCode(); });
}

void MainForm::Contact_Click()
{
    SupportModule::MailSupport();
}

void MainForm::OnWeb_Click()
{
    SupportModule::OpenProductPage();
}

// ------------------------------------------------------ desktop wallpaper

void MainForm::changewall_Click()
{
    const QString file = platform::Dialogs::instance().openFile(
        this, QStringLiteral("Select your picture.."),
        QStringLiteral("All Picture Files (*.bmp *.jpg *.gif)"));
    if (file.isEmpty())
        return;

    // A picture that cannot be used changes nothing: the current wallpaper
    // and its bitmap stay as they are, and the user is told why.
    const WallpaperFiles::Result result = WallpaperFiles::changeFromFile(file, WinPath->text());
    if (!result.ok)
        platform::Dialogs::instance().message(this, platform::Dialogs::Icon::Critical,
                                              QStringLiteral("Pictarro"), result.error);
}

void MainForm::Removewallpaper_Click()
{
    if (platform::Dialogs::instance().message(
            this, platform::Dialogs::Icon::Question, QStringLiteral("Confirm to remove"),
            QStringLiteral("Are you sure you want to remove your current desktop wallpaper?")) ==
        platform::Dialogs::Answer::Yes)
        platform::setWallpaper(QString());
}

void MainForm::DisplayOptions_Click()
{
    attempt("open the display settings", [] { platform::openDisplaySettings(); });
}

// ------------------------------------ folder manager, sound and folder chooser

template <typename Window> void MainForm::unloadWhenClosed(std::unique_ptr<Window> &window)
{
    // A closed window is unloaded: the next opening loads a fresh one at
    // once, and the closed one is deleted once its close handler returned.
    Window *const loaded = window.get();
    connect(loaded, &QDialog::finished, this, [&window, loaded] {
        if (window.get() == loaded)
            window.release()->deleteLater();
    });
}

void MainForm::FMM_Click()
{
    setEnabled(false);
    if (!m_folderManager) {
        m_folderManager = std::make_unique<FolderManager>(this, CapturePath, WinPath);
        unloadWhenClosed(m_folderManager);
    }
    showSecondary(m_folderManager.get());
}

void MainForm::FM_Click()
{
    FMM_Click();
}

void MainForm::FMTray_Click()
{
    restoreFromNotificationArea();
    FMM_Click();
}

SoundForm &MainForm::soundForm()
{
    if (!m_soundForm) {
        m_soundForm =
            std::make_unique<SoundForm>(this, *m_settings, *MediaPlayer, m_env.programFolder);
        unloadWhenClosed(m_soundForm);
    }
    return *m_soundForm;
}

void MainForm::SAM_Click()
{
    setEnabled(false);
    showSecondary(&soundForm());
}

void MainForm::CaptureOptionsMenu_Click()
{
    setEnabled(false);
    if (!m_captureOptions) {
        m_captureOptions = std::make_unique<CaptureOptions>(this, *m_settings);
        unloadWhenClosed(m_captureOptions);
    }
    showSecondary(m_captureOptions.get());
}

void MainForm::SysOptions_Click()
{
    restoreFromNotificationArea();
    CaptureOptionsMenu_Click();
}

void MainForm::SA_Click()
{
    SAM_Click();
}

void MainForm::Image1_Click()
{
    setEnabled(false);
    if (!m_newFolder) {
        m_newFolder = std::make_unique<NewFolder>(this, CapturePath, OpenFolder);
        unloadWhenClosed(m_newFolder);
    }
    m_newFolder->openAt(CapturePath->text());
}

// ------------------------------------------- about and appreciation windows

void MainForm::showSecondary(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

void MainForm::AboutMenu_Click()
{
    if (!m_about)
        m_about = std::make_unique<About>(this);
    setEnabled(false);
    showSecondary(m_about.get());
}

void MainForm::SysAbout_Click()
{
    restoreFromNotificationArea();
    AboutMenu_Click();
}

void MainForm::LikeIt_Click()
{
    if (!m_likeIt)
        m_likeIt = std::make_unique<ForScreenCapture>(this);
    showSecondary(m_likeIt.get());
    setEnabled(false);
}
