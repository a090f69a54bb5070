#pragma once

#include "CaptureNaming.h"

#include <QWidget>
#include <memory>

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QRadioButton;
class QSlider;
class QToolButton;
class About;
class CaptureEngine;
class ScreenKeys;
struct CaptureSettings;
class ClickLabel;
class CaptureOptions;
class FolderManager;
class ForScreenCapture;
class NewFolder;
class SoundForm;
struct SettingKey;

namespace platform {
class Clipboard;
class MediaPlayer;
class SettingsStore;
class TrayIcon;
} // namespace platform

// Pictarro's main window. Its controls are the model: the capture folder,
// base name, counter, format, quality and capture switch live in them, each
// control stores its value the moment it changes, and the capture engine
// reads them at the moment it acts. The window shows what the engine reports.
//
// Its parts: MainFormControls.cpp makes the controls and menus and connects
// them to their handlers; MainFormPresentation.cpp shows, minimises and
// hides the window behind the notification-area icon; MainForm.cpp holds the
// handlers of the settings, the menus and the engine's reports.
class MainForm : public QWidget
{
    Q_OBJECT
public:
    // Where the window finds the program's files and keeps the user's.
    struct Environment
    {
        QString programFolder;  // beside the program: encoder, default capture folder
        QString settingsFile;   // the user's settings store
        QString userDataFolder; // the program's own per-user files
        QString executableName; // the program file's name, for the start-up entry

        static Environment current();
    };

    explicit MainForm(Environment environment, QWidget *parent = nullptr);
    ~MainForm() override;

    // The start-up sequence: reads every setting into the controls, with
    // their defaults, refreshes the start-up entry, makes sure the capture
    // folder exists, and shows the window unless it starts in the
    // notification area.
    void Form_Load();

    // Closes the program: the icon goes first, then the secondary windows,
    // then unloaded() asks the application to end.
    void Form_Unload();

    platform::SettingsStore &settings() { return *m_settings; }
    QString defaultFolder() const;
    bool captureEnabled() const;

Q_SIGNALS:
    // A capture was written completely to this file.
    void captured(const QString &file);
    // The main window was unloaded: the program ends.
    void unloaded();

private Q_SLOTS:
    // Presentation: shown, minimised to the taskbar, hidden behind the icon.
    void TrayBox_Click();
    void MiniBox_Click();
    void CloseBox_Click();
    void Minitask_Click();
    void SysTrayMenu_Click();
    void Quit1_Click();
    void ShowPictarro_Click();
    void SysCapture_Click();
    void ExitSys_Click();
    void TrayIcon_Notify(int code);
    void KeepReachable();
    void MiniCheck_Click();
    void StartUpCheck_Click();

    // Settings restore, the desktop and the outside links.
    void RestoreSet_Click();
    void ConverterMenu_Click();
    void LicenseAgreement_Click();
    void Contact_Click();
    void OnWeb_Click();
    void changewall_Click();
    void Removewallpaper_Click();
    void DisplayOptions_Click();

    // The windows that work with the captures, the sound and the folder.
    void FMM_Click();
    void FM_Click();
    void FMTray_Click();
    void SAM_Click();
    void CaptureOptionsMenu_Click();
    void SysOptions_Click();
    void SA_Click();
    void Image1_Click();

    // The about and appreciation windows.
    void AboutMenu_Click();
    void SysAbout_Click();
    void LikeIt_Click();

    // What the capture engine reports.
    void Capture_Saved(const QString &file);
    void Capture_Failed(const QString &file, const QString &reason);
    void Capture_FolderMissing(const QString &folder);

    // Capture folder.
    void CapturePath_Change();
    // Refreshes the captions that name the capture folder, as it changes.
    void OpenTimer_Timer();
    void OpenFolder_Click();
    void Image3_Click();

    // Base name and counter.
    void ImageName_Change();
    void ImageCounter_Change();
    void NoWaySymbols_Click();
    void CustomCounter_Click();
    void ResetCounter_Click();

    // Format, quality and capture switch.
    void BMP_Click();
    void JPG_Click();
    void PNG_Click();
    void storeFormat();
    void Res_Change();
    void Enables_Click();
    void Disabled_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    QFrame *buildHeader();
    QFrame *buildTips();
    QFrame *buildSettings();
    void buildMenus();
    void connectHandlers();
    void SetIconInTray();
    void RemoveIconFromTray();
    void sendToNotificationArea(bool minimiseFirst);
    void refreshStartUpEntry();
    void LicenseCode();
    void setHoverCaption(const QString &caption);
    void showSecondary(QWidget *window);
    void restoreFromNotificationArea();
    SoundForm &soundForm();
    template <typename Window> void unloadWhenClosed(std::unique_ptr<Window> &window);
    CaptureSettings captureSettings() const;
    void store(const SettingKey &key, const QString &value);

    Environment m_env;
    std::unique_ptr<platform::SettingsStore> m_settings;
    platform::Clipboard *m_clipboard = nullptr;
    std::unique_ptr<CaptureEngine> m_engine;
    ScreenKeys *m_screenKeys = nullptr; // PrintScreen where the desktop leaves it to us

    // Frame and header strip
    QFrame *Frame1 = nullptr;
    QFrame *Frame2 = nullptr;
    QFrame *Frame3 = nullptr;
    QFrame *FrameBottom = nullptr;
    QLabel *ControlBoxTip = nullptr;
    ClickLabel *FreeUtilities = nullptr;
    ClickLabel *TrayBox = nullptr;
    ClickLabel *MiniBox = nullptr;
    ClickLabel *CloseBox = nullptr;
    QLineEdit *JustForPass = nullptr;
    QLabel *Label12 = nullptr;
    QLabel *Label15 = nullptr;
    QLabel *Label14 = nullptr;
    QLabel *Label13 = nullptr;
    QCheckBox *StartUpCheck = nullptr;
    QCheckBox *MiniCheck = nullptr;
    ClickLabel *FM = nullptr;
    ClickLabel *SA = nullptr;

    // Menus and the notification-area icon
    QMenuBar *m_menuBar = nullptr;
    QMenu *SysMenu = nullptr;
    QAction *FMM = nullptr;
    QAction *SAM = nullptr;
    QAction *CaptureOptionsMenu = nullptr;
    QAction *SysOptions = nullptr;
    QAction *Minitask = nullptr;
    QAction *SysTrayMenu = nullptr;
    QAction *Quit1 = nullptr;
    QAction *RestoreSet = nullptr;
    QAction *ConverterMenu = nullptr;
    QAction *DisplayOptions = nullptr;
    QAction *changewall = nullptr;
    QAction *Removewallpaper = nullptr;
    QAction *LicenseAgreement = nullptr;
    QAction *Contact = nullptr;
    QAction *LikeIt = nullptr;
    QAction *OnWeb = nullptr;
    QAction *AboutMenu = nullptr;
    QAction *ShowPictarro = nullptr;
    QAction *FMTray = nullptr;
    QAction *DisEna = nullptr;
    QAction *SysContact = nullptr;
    QAction *SysAbout = nullptr;
    QAction *ExitSys = nullptr;
    platform::TrayIcon *m_trayIcon = nullptr;

    // Secondary windows: top-level windows of their own, so that disabling
    // the main window does not disable them.
    std::unique_ptr<About> m_about;
    std::unique_ptr<ForScreenCapture> m_likeIt;
    // Unloaded when they close, loaded afresh at each opening. The sound
    // window also lives hidden from start-up on: it holds the chosen sound.
    std::unique_ptr<FolderManager> m_folderManager;
    std::unique_ptr<SoundForm> m_soundForm;
    std::unique_ptr<CaptureOptions> m_captureOptions;
    std::unique_ptr<NewFolder> m_newFolder;

    // Capture folder
    QLineEdit *CapturePath = nullptr;
    QToolButton *Image1 = nullptr;
    QToolButton *Image3 = nullptr;
    QToolButton *OpenFolder = nullptr;
    QAction *SysCapture = nullptr;

    // Base name and counter
    QLineEdit *ImageName = nullptr;
    QLineEdit *NoWay = nullptr;
    QToolButton *NoWaySymbols = nullptr;
    QLineEdit *ImageCounter = nullptr;
    ClickLabel *CustomCounter = nullptr;
    ClickLabel *ResetCounter = nullptr;

    // Format, quality and switch
    QRadioButton *BMP = nullptr;
    QRadioButton *JPG = nullptr;
    QRadioButton *PNG = nullptr;
    QSlider *Res = nullptr;
    QLabel *ResCaption = nullptr;
    QLabel *Centesimal = nullptr;
    QLabel *EnableDisable = nullptr;
    ClickLabel *Enables = nullptr;
    ClickLabel *Disabled = nullptr;

    // The engine's scratch copy of the clipboard text, shown nowhere; the sound
    QLineEdit *TextClipboard = nullptr;
    QLineEdit *WinPath = nullptr;
    platform::MediaPlayer *MediaPlayer = nullptr;

    bool m_captureOn = false;   // the capture switch
    bool m_storeFailed = false; // the settings file could not be written
    bool m_shownOnce = false;   // the window has been shown at least once
    bool m_unloaded = false;    // Form_Unload has run
};
