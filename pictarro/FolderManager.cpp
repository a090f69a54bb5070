#include "FolderManager.h"

#include "ASPictureBox.h"
#include "Accessibility.h"
#include "Art.h"
#include "ClickLabel.h"
#include "Controls.h"
#include "Dialogs.h"
#include "FileProperties.h"
#include "RunFilesAndFolder.h"
#include "Steps.h"
#include "WallpaperFiles.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QFrame>
#include <QImageReader>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>
#include <array>

using Controls::pixels;
using Controls::twips;

const QString FolderManager::Caption = QStringLiteral("Pictarro - Folder Manager");

namespace {

QFrame *line(const char *name, QWidget *parent, QFrame::Shape shape, const QRect &geometry)
{
    auto *frame = named<QFrame>(name, parent);
    frame->setFrameShape(shape);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setGeometry(geometry);
    return frame;
}

struct ToolbarAction
{
    const char *area;
    const char *image;
    const char *label;
    const char *art;
    QString caption;
};

} // namespace

FolderManager::FolderManager(QWidget *mainWindow, const QLineEdit *capturePath,
                             const QLineEdit *winPath)
    : SecondaryWindow(mainWindow), m_capturePath(capturePath), m_winPath(winPath)
{
    buildControls();
    connect(FormatList, &QComboBox::currentIndexChanged, this, &FolderManager::FormatList_Change);
    connect(FileDir->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_refreshing)
            FileDir_Click();
    });
    connect(Del, &ClickLabel::clicked, this, &FolderManager::Del_Click);
    connect(Label8, &ClickLabel::clicked, this, &FolderManager::Label8_Click);
    connect(SetWallpaper, &ClickLabel::clicked, this, &FolderManager::SetWallpaper_Click);
    connect(Label6, &ClickLabel::clicked, this, &FolderManager::Label6_Click);
    connect(Label4, &ClickLabel::clicked, this, &FolderManager::Label4_Click);
    connect(Command1, &QPushButton::clicked, this, &FolderManager::Command1_Click);
    connect(PicBox, &ASPictureBox::activated, this, &FolderManager::PicBox_Activated);
    Form_Load();
}

FolderManager::~FolderManager() = default;

void FolderManager::buildControls()
{
    setObjectName(QStringLiteral("FolderManager"));
    setWindowTitle(Caption);
    setWindowIcon(Art::icon(QStringLiteral("pictarro")));
    // A title bar without a close box: the window closes through its own
    // exit commands and Esc.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    setFixedSize(pixels(9990), pixels(6690));

    // The focus sink far below the client area: it takes the keyboard focus
    // at opening, so that no visible control shows a focus mark.
    FocusHolder = named<QLineEdit>("FocusHolder", this);
    FocusHolder->setReadOnly(true);
    FocusHolder->setGeometry(pixels(120), pixels(20000), pixels(1000), pixels(285));
    FocusHolder->setAccessibleName(Caption);
    FocusHolder->setAccessibleDescription(QStringLiteral("Tab leads to the commands"));

    auto *panel = named<QFrame>("Panel", this);
    panel->setGeometry(twips(180, 90, 9675, 6435));

    buildToolbar(panel);

    FormatList = named<QComboBox>("FormatList", panel);
    FormatList->addItems({CaptureList::AllFormats, CaptureList::BitmapFormat,
                          CaptureList::JpegFormat, CaptureList::PngFormat});
    FormatList->setGeometry(twips(210, 900, 2925, 315));
    FormatList->setAccessibleName(QStringLiteral("File format"));

    FileDir = named<QListView>("FileDir", panel);
    m_names = new QStringListModel(FileDir);
    FileDir->setModel(m_names);
    FileDir->setUniformItemSizes(true);
    FileDir->setSelectionMode(QAbstractItemView::SingleSelection);
    FileDir->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FileDir->viewport()->setCursor(Qt::PointingHandCursor);
    FileDir->setGeometry(twips(210, 1320, 2895, 5100));
    FileDir->setAccessibleName(QStringLiteral("Captures"));

    line("Line6", panel, QFrame::VLine, twips(3270, 900, 60, 5520));

    PicBox = named<ASPictureBox>("PicBox", panel);
    PicBox->move(pixels(3480), pixels(900));
    PicBox->setSizeTwips(ShowingWidth, 5385);
    PicBox->setAccessibleName(QStringLiteral("Preview"));
    PicBox->setAccessibleDescription(QStringLiteral("Enter opens the picture"));

    // The cancel button answers Esc; it lies below the client area, unseen.
    Command1 = named<QPushButton>("Command1", this, QStringLiteral("Command1"));
    Command1->setAutoDefault(false);
    Command1->setFocusPolicy(Qt::NoFocus);
    Command1->setGeometry(twips(4410, 7860, 1215, 375));

    // Tab goes as the eye reads: the toolbar, then the list and the preview.
    setTabOrder(FocusHolder, Del);
    setTabOrder(Del, Label8);
    setTabOrder(Label8, SetWallpaper);
    setTabOrder(SetWallpaper, Label6);
    setTabOrder(Label6, Label4);
    setTabOrder(Label4, FormatList);
    setTabOrder(FormatList, FileDir);
    setTabOrder(FileDir, PicBox);
}

void FolderManager::buildToolbar(QWidget *panel)
{
    // Each action is an icon with its caption, covered by one transparent
    // click area, so a click anywhere on the pair runs the action.
    const std::array<ToolbarAction, 5> actions{{
        {"Del", "Image5", "Label1", "delete", QStringLiteral("Delete")},
        {"Label8", "Image1", "Label9", "properties", QStringLiteral("Properties")},
        {"SetWallpaper", "Image2", "Label2", "wallpaper",
         QStringLiteral("Set as Desktop Background")},
        {"Label6", "Image3", "Label3", "refresh", QStringLiteral("Refresh Picture List")},
        {"Label4", "Image4", "Label7", "exit", QStringLiteral("Exit Folder Manager")},
    }};
    constexpr int IconSize = 24;
    constexpr int IconGap = 4;
    constexpr int Gap = 9; // on each side of a separator
    const int left = pixels(210);
    const int top = pixels(240);
    const int room = panel->width() - 2 * left;

    // Fonts wider than the one the toolbar was drawn for get smaller type.
    QFont captionFont = font();
    const auto totalWidth = [&](const QFont &font) {
        const QFontMetrics metrics(font);
        int width = 0;
        for (const ToolbarAction &action : actions)
            width += IconSize + IconGap + metrics.horizontalAdvance(action.caption) + 2;
        return width + static_cast<int>(actions.size() - 1) * (2 * Gap + 2);
    };
    while (totalWidth(captionFont) > room && captionFont.pointSizeF() > 6)
        captionFont.setPointSizeF(captionFont.pointSizeF() - 0.5);
    const QFontMetrics metrics(captionFont);

    const qreal ratio = devicePixelRatioF();
    std::array<ClickLabel *, 5> areas{};
    const char *lines[] = {"Line1", "Line2", "Line3", "Line4"};
    int x = left;
    for (size_t i = 0; i < actions.size(); ++i) {
        const ToolbarAction &action = actions[i];
        auto *image = named<QLabel>(action.image, panel);
        image->setPixmap(Art::picture(QStringLiteral("foldermanager/") + action.art,
                                      QSize(IconSize, IconSize), ratio));
        Accessibility::hideDecoration(image); // the click area carries the name
        image->setGeometry(x, top, IconSize, IconSize);
        auto *caption = named<QLabel>(action.label, panel, action.caption);
        caption->setFont(captionFont);
        const int captionWidth = metrics.horizontalAdvance(action.caption) + 2;
        caption->setGeometry(x + IconSize + IconGap, top, captionWidth, IconSize);
        caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

        auto *area = named<ClickLabel>(action.area, panel, QString());
        area->setGeometry(x, top, IconSize + IconGap + captionWidth, IconSize);
        area->setToolTip(action.caption);
        area->setAccessibleName(action.caption);
        area->raise();
        areas[i] = area;

        x += IconSize + IconGap + captionWidth;
        if (i + 1 < actions.size()) {
            line(lines[i], panel, QFrame::VLine, QRect(x + Gap, top - 2, 2, IconSize + 4));
            x += 2 * Gap + 2;
        }
    }
    Del = areas[0];
    Label8 = areas[1];
    SetWallpaper = areas[2];
    Label6 = areas[3];
    Label4 = areas[4];

    line("Line5", panel, QFrame::HLine, twips(210, 750, 9255, 45));
}

// ------------------------------------------------------------------ list

void FolderManager::Form_Load()
{
    // A capture folder that cannot be opened lists nothing.
    m_folder = m_capturePath ? m_capturePath->text() : QString();
    {
        const QSignalBlocker quiet(FormatList);
        FormatList->setCurrentIndex(0);
    }
    FileFormat();
    PicBox->setSizeTwips(EmptyWidth, EmptyHeight);
    FocusHolder->setFocus();
}

void FolderManager::FileFormat()
{
    m_filter = CaptureList::filterFor(FormatList->currentText());
    refreshList();
}

void FolderManager::FormatList_Change()
{
    FileFormat();
}

void FolderManager::refreshList(bool keepSelection)
{
    // The selection stays on its file while that is still listed; the
    // preview and the caption stay as they are either way.
    const QString selected = keepSelection ? selectedFile() : QString();
    const QStringList names = CaptureList::list(m_folder, m_filter).value_or(QStringList());
    m_refreshing = true;
    m_names->setStringList(names);
    const qsizetype row = selected.isEmpty() ? -1 : names.indexOf(selected);
    if (row >= 0) {
        const QModelIndex index = m_names->index(static_cast<int>(row));
        FileDir->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    }
    m_refreshing = false;
}

QString FolderManager::selectedFile() const
{
    const QModelIndexList rows = FileDir->selectionModel()->selectedRows();
    return rows.isEmpty() ? QString() : rows.first().data().toString();
}

QString FolderManager::selectedPath() const
{
    return CaptureList::filePath(m_folder, selectedFile());
}

// --------------------------------------------------------------- preview

void FolderManager::FileDir_Click()
{
    const QString name = selectedFile();
    if (name.isEmpty())
        return;
    setWindowTitle(name + QStringLiteral(" - ") + Caption);
    // A file that is not a readable picture shows nothing, never the
    // picture selected before it.
    QImageReader reader(selectedPath());
    reader.setAutoTransform(true);
    PicBox->setPicture(reader.read());
    PicBox->setSizeTwips(ShowingWidth, ShowingHeight);
}

void FolderManager::emptyPreview()
{
    PicBox->setPicture(QImage());
    PicBox->setSizeTwips(EmptyWidth, EmptyHeight);
    setWindowTitle(Caption);
}

void FolderManager::PicBox_Activated()
{
    if (selectedFile().isEmpty())
        return;
    const QString path = selectedPath();
    attempt("open the capture", [&path] { RunFilesAndFolder::ShellOpen(path); });
}

// --------------------------------------------------------------- toolbar

void FolderManager::Del_Click()
{
    const QString name = selectedFile();
    if (name.isEmpty())
        return;
    auto &dialogs = platform::Dialogs::instance();
    if (dialogs.message(
            this, platform::Dialogs::Icon::Question, QStringLiteral("Confirm to delete"),
            QStringLiteral("Are you sure you want to delete ") + name +
                QStringLiteral("\r\nThis will remove your selected file "
                               "immediately when deleted")) != platform::Dialogs::Answer::Yes)
        return;

    const QString path = selectedPath();
    QFile file(path);
    const bool deleted = file.remove();
    refreshList(false);
    emptyPreview();
    if (!deleted)
        dialogs.message(this, platform::Dialogs::Icon::Critical, QStringLiteral("Pictarro"),
                        QStringLiteral("The file \"%1\" could not be deleted: %2.")
                            .arg(QDir::toNativeSeparators(path), file.errorString()));
}

void FolderManager::Label8_Click()
{
    if (selectedFile().isEmpty())
        return;
    FileProperties::ShowProp(selectedPath());
}

void FolderManager::SetWallpaper_Click()
{
    if (selectedFile().isEmpty())
        return;
    // What is set is the picture in the preview, written as a bitmap; with
    // nothing shown, or a bitmap that cannot be written, the desktop and
    // the old wallpaper bitmap stay as they were.
    const WallpaperFiles::Result result =
        WallpaperFiles::change(PicBox->picture(), m_winPath ? m_winPath->text() : QString());
    if (!result.ok)
        platform::Dialogs::instance().message(this, platform::Dialogs::Icon::Critical,
                                              QStringLiteral("Pictarro"), result.error);
}

void FolderManager::Label6_Click()
{
    refreshList();
}

void FolderManager::Label4_Click()
{
    closeWindow();
}

void FolderManager::Command1_Click()
{
    closeWindow();
}
