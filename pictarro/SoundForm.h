#pragma once

#include "SecondaryWindow.h"

#include <QString>
#include <QStringList>

class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace platform {
class MediaPlayer;
class SettingsStore;
} // namespace platform

// The sample sounds that ship in the Sounds folder beside the program.
namespace SoundSamples {

// "Sound 1" to "Sound 6".
QStringList names();

// The sample's file, <program folder>/Sounds/<name>.wav; an empty text for
// a name that is not one of the samples.
QString file(const QString &programFolder, const QString &name);

} // namespace SoundSamples

// "Sound Assignment": chooses the sound played after each capture, one of
// the samples, any WAV file, or none. The choice shows in SoundPath and is
// stored, and handed to the main window's player, only by "&Save".
// "&Cancel", Esc and the title bar all discard it and re-open the player on
// the stored sound. Every way out enables the main window again.
class SoundForm : public SecondaryWindow
{
    Q_OBJECT
public:
    // Runs the window's load: the first sample selected, the stored sound
    // in SoundPath and in the player's file name.
    SoundForm(QWidget *mainWindow, platform::SettingsStore &settings,
              platform::MediaPlayer &mediaPlayer, const QString &programFolder);
    ~SoundForm() override;

    QString soundPath() const;
    void setSoundPath(const QString &path);

    // What Text1 explains, each line ended by CR LF.
    static QString helpText();

public Q_SLOTS:
    void Play_Click();
    void OK_Click();
    void Browse_Click();
    void Delete_Click();
    void ApplyChanges_Click();
    void CancelAction_Click();

    // Esc and the title bar's close button: the same as "&Cancel".
    void reject() override;

private:
    void buildControls();
    void Form_Load();
    void reopenPlayer();

    platform::SettingsStore &m_settings;
    platform::MediaPlayer &m_mediaPlayer;
    QString m_programFolder;

    QComboBox *SoundList = nullptr;
    QToolButton *Play = nullptr;
    QToolButton *OK = nullptr;
    QLineEdit *SoundPath = nullptr;
    QPushButton *Browse = nullptr;
    QPushButton *Delete = nullptr;
    QPushButton *ApplyChanges = nullptr;
    QPushButton *CancelAction = nullptr;
};
