#pragma once

#include "SecondaryWindow.h"

class QCheckBox;
class QPushButton;
class QRadioButton;

namespace platform {
class SettingsStore;
} // namespace platform

// "Capture Options": what the clipboard holds once a capture is saved
// (nothing, the picture, or the picture and the file) and whether each
// capture is announced by a desktop notification. Every change is stored at
// once, as the main window stores its own; the capture engine reads the
// store at each capture. "&Close", Esc and the title bar close it.
class CaptureOptions : public SecondaryWindow
{
    Q_OBJECT
public:
    CaptureOptions(QWidget *mainWindow, platform::SettingsStore &settings);
    ~CaptureOptions() override;

public Q_SLOTS:
    void ClipboardChoice_Click();
    void NotifyCheck_Click();
    void CloseOptions_Click();

private:
    void buildControls();
    void Form_Load();
    void store(const QLatin1String &section, const QLatin1String &key, const QString &value);

    platform::SettingsStore &m_settings;
    bool m_storeFailed = false;

    QRadioButton *EmptyChoice = nullptr;
    QRadioButton *PictureChoice = nullptr;
    QRadioButton *FileChoice = nullptr;
    QCheckBox *NotifyCheck = nullptr;
    QPushButton *CloseOptions = nullptr;
};
