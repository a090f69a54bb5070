#pragma once

#include "CaptureNaming.h"

#include <QImage>
#include <QWidget>
#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;
class QTimer;
class QToolButton;
class ClickLabel;
struct SettingKey;

namespace platform {
class Clipboard;
class JpegEncoder;
class MediaPlayer;
class SettingsStore;
} // namespace platform

// Pictarro's main window. Its controls are the model: the capture folder,
// base name, counter, format, quality and capture switch live in them, each
// control stores its value the moment it changes, and the capture service
// reads them at the moment it acts.
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

        static Environment current();
    };

    explicit MainForm(Environment environment, QWidget *parent = nullptr);
    ~MainForm() override;

    // The start-up sequence: reads every setting into the controls, with
    // their defaults, and makes sure the capture folder exists.
    void Form_Load();

    platform::SettingsStore &settings() { return *m_settings; }
    QString defaultFolder() const;
    bool captureEnabled() const;

Q_SIGNALS:
    // A capture was written completely to this file.
    void captured(const QString &file);

private Q_SLOTS:
    // The clipboard watcher and the capture writer.
    void CaptureTimer_Timer();
    void Clipboard_Changed();
    void SafetyTick();

    // Capture folder.
    void CapturePath_Change();
    void CreateFolderTimer_Timer();
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
    void Res_Change();
    void Enables_Click();
    void Disabled_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void connectHandlers();
    void scheduleTick();
    void WatchClipboard();
    void SaveCapture();
    void AfterCapture();
    void CreateFolder();
    QString freeCaptureFile(CaptureNaming::Format format);
    void store(const SettingKey &key, const QString &value);

    Environment m_env;
    std::unique_ptr<platform::SettingsStore> m_settings;
    std::unique_ptr<platform::JpegEncoder> m_encoder;
    platform::Clipboard *m_clipboard = nullptr;

    // Capture folder
    QLineEdit *CapturePath = nullptr;
    QToolButton *Image1 = nullptr;
    QToolButton *Image3 = nullptr;
    QToolButton *OpenFolder = nullptr;
    QTimer *CreateFolderTimer = nullptr;
    QTimer *OpenTimer = nullptr;
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
    QSlider *Res = nullptr;
    QLabel *ResCaption = nullptr;
    QLabel *Centesimal = nullptr;
    QLabel *EnableDisable = nullptr;
    ClickLabel *Enables = nullptr;
    ClickLabel *Disabled = nullptr;

    // The watcher's scratch controls and the sound
    QTimer *CaptureTimer = nullptr;
    QLineEdit *TextClipboard = nullptr;
    QImage ClipboardImage;
    QLineEdit *WinPath = nullptr;
    platform::MediaPlayer *MediaPlayer = nullptr;

    bool m_inTick = false;          // a tick is running (it may show a message box)
    bool m_tickPending = false;     // the clipboard changed while a tick ran
    bool m_tickQueued = false;      // a tick is already on its way
    bool m_pictureUnusable = false; // the current owner's picture did not decode
    bool m_storeFailed = false;     // the settings file could not be written
};
