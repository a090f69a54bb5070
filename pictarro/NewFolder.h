#pragma once

#include "Drives.h"
#include "SecondaryWindow.h"

#include <QHash>
#include <QPointer>
#include <functional>

class FolderList;
class QAbstractButton;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTimer;

// "Browse For New Folder": picks a new capture folder on a hard disk or a
// removable medium. OK writes the folder the list has open into the main
// window's folder field and the tooltip of its open-folder button; every
// other way of closing leaves the main window as it was. Both enable the
// main window again, which disabled itself before openAt().
class NewFolder : public SecondaryWindow
{
    Q_OBJECT
public:
    using DriveLookup = std::function<QList<platform::Drive>()>;

    NewFolder(QWidget *mainWindow, QLineEdit *capturePath, QAbstractButton *openFolder,
              DriveLookup drives = platform::mountedDrives);
    ~NewFolder() override;

    // Selects the drive of the capture folder, opens the capture folder in
    // the list when it exists, and shows the window.
    void openAt(const QString &captureFolder);

    // The load step: lists the drives and opens the folder the program runs
    // in (or the first drive's root). Runs once, when the window is made.
    void Form_Load();

public Q_SLOTS:
    void Drive_Change();
    void Dir_Change();
    void PathTimer_Timer();
    void Command1_Click();
    void OK_Click();
    void Cancel_Click();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void buildControls();
    // Fills the drive list without running Drive_Change.
    void readDrives();
    platform::DriveKind selectedKind() const;
    // The drive cannot be used: the list and OK are disabled until an
    // accepted drive is selected.
    void refuseDrive();

    QPointer<QLineEdit> m_capturePath;
    QPointer<QAbstractButton> m_openFolder;
    DriveLookup m_drives;
    QList<platform::Drive> m_driveList;
    // The folder last opened on each drive, reopened when the drive is
    // selected again.
    QHash<QString, QString> m_openedOnDrive;

    QComboBox *Drive = nullptr;
    FolderList *Dir = nullptr;
    QLineEdit *CurrentPath = nullptr;
    QLineEdit *DriveName = nullptr;
    QLineEdit *DriveType = nullptr;
    QPushButton *OK = nullptr;
    QPushButton *Cancel = nullptr;
    QPushButton *Command1 = nullptr;
    QTimer *PathTimer = nullptr;
};
