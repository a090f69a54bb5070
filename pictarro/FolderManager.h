#pragma once

#include "CaptureList.h"
#include "SecondaryWindow.h"

class ASPictureBox;
class ClickLabel;
class QComboBox;
class QLineEdit;
class QListView;
class QPushButton;
class QStringListModel;

// "Pictarro - Folder Manager": lists the captures of the capture folder by
// format, previews the selected one, and deletes it, shows its properties,
// makes it the desktop wallpaper or opens it. The main window disables
// itself and shows this window; every way of closing it enables the main
// window again.
//
// The window has no parent widget, so that disabling the main window leaves
// it usable; whoever creates it deletes it.
class FolderManager : public SecondaryWindow
{
    Q_OBJECT
public:
    // capturePath: the main window's capture folder field, read at load.
    // winPath: the main window's field naming the folder of the wallpaper
    // bitmaps, read at every wallpaper change. Both outlive this window.
    FolderManager(QWidget *mainWindow, const QLineEdit *capturePath, const QLineEdit *winPath);
    ~FolderManager() override;

    static const QString Caption;

    // Preview sizes in twips: empty, and showing a file.
    static constexpr int EmptyWidth = 6215;
    static constexpr int EmptyHeight = 5550;
    static constexpr int ShowingWidth = 6015;
    static constexpr int ShowingHeight = 5355;

    // Runs from the constructor: lists the capture folder with every format.
    void Form_Load();
    // Lists the folder again with the format the format list shows.
    void FileFormat();

    // The folder listed, and the selected file's name (empty: none).
    QString folder() const { return m_folder; }
    QString selectedFile() const;

public Q_SLOTS:
    void FormatList_Change();
    void FileDir_Click();
    void Del_Click();
    void Label8_Click();
    void SetWallpaper_Click();
    void Label6_Click();
    void Label4_Click();
    void Command1_Click();
    void PicBox_Activated();

private:
    void buildControls();
    void buildToolbar(QWidget *panel);
    void refreshList(bool keepSelection = true);
    void emptyPreview();
    QString selectedPath() const;

    const QLineEdit *m_capturePath;
    const QLineEdit *m_winPath;
    QString m_folder;
    CaptureList::Filter m_filter = CaptureList::Filter::All;
    bool m_refreshing = false;

    QLineEdit *FocusHolder = nullptr;
    QComboBox *FormatList = nullptr;
    QListView *FileDir = nullptr;
    QStringListModel *m_names = nullptr;
    ASPictureBox *PicBox = nullptr;
    ClickLabel *Del = nullptr;
    ClickLabel *Label8 = nullptr;
    ClickLabel *SetWallpaper = nullptr;
    ClickLabel *Label6 = nullptr;
    ClickLabel *Label4 = nullptr;
    QPushButton *Command1 = nullptr;
};
