#include "NewFolder.h"

#include "Art.h"
#include "CaptureNaming.h"
#include "Controls.h"
#include "Dialogs.h"
#include "FolderList.h"
#include "Steps.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

namespace {

const QString LineBreak = QStringLiteral("\r\n");
constexpr int PathInterval = 100;

void critical(QWidget *parent, const QString &text)
{
    platform::Dialogs::instance().message(parent, platform::Dialogs::Icon::Critical,
                                          QStringLiteral("Pictarro"), text);
}

} // namespace

NewFolder::NewFolder(QWidget *mainWindow, QLineEdit *capturePath, QAbstractButton *openFolder,
                     DriveLookup drives)
    : SecondaryWindow(mainWindow), m_capturePath(capturePath), m_openFolder(openFolder),
      m_drives(std::move(drives))
{
    setObjectName(QStringLiteral("NewFolder"));
    setWindowTitle(QStringLiteral("Browse For New Folder"));
    setWindowIcon(Art::icon(QStringLiteral("pictarro")));
    buildControls();

    connect(Drive, &QComboBox::currentIndexChanged, this, &NewFolder::Drive_Change);
    connect(Dir, &FolderList::pathChanged, this, &NewFolder::Dir_Change);
    connect(PathTimer, &QTimer::timeout, this, &NewFolder::PathTimer_Timer);
    connect(Command1, &QPushButton::clicked, this, &NewFolder::Command1_Click);
    connect(OK, &QPushButton::clicked, this, &NewFolder::OK_Click);
    connect(Cancel, &QPushButton::clicked, this, &NewFolder::Cancel_Click);

    Form_Load();
}

NewFolder::~NewFolder() = default;

void NewFolder::buildControls()
{
    auto *outer = new QVBoxLayout(this);
    outer->setSizeConstraint(QLayout::SetFixedSize);
    outer->setContentsMargins(6, 6, 6, 6);

    auto *Frame2 = named<QFrame>("Frame2", this);
    Frame2->setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
    outer->addWidget(Frame2);
    auto *frameLayout = new QVBoxLayout(Frame2);
    frameLayout->setContentsMargins(8, 8, 8, 8);

    auto *Frame1 = named<QGroupBox>(
        "Frame1", Frame2,
        QStringLiteral(" Please select a destination folder on the local machine to save your "
                       "captured screens: "));
    frameLayout->addWidget(Frame1);
    auto *grid = new QGridLayout(Frame1);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(6);

    Drive = named<QComboBox>("Drive", Frame1);
    Drive->setToolTip(QStringLiteral("Drive"));
    Drive->setAccessibleName(QStringLiteral("Drive"));
    grid->addWidget(Drive, 0, 0);

    Dir = named<FolderList>("Dir", Frame1);
    Dir->setFixedSize(Controls::pixels(6000), Controls::pixels(4200));
    Dir->setAccessibleName(QStringLiteral("Folders"));
    grid->addWidget(Dir, 1, 0);

    CurrentPath = named<QLineEdit>("CurrentPath", Frame1);
    CurrentPath->setReadOnly(true);
    CurrentPath->setAccessibleName(QStringLiteral("Selected folder"));
    grid->addWidget(CurrentPath, 2, 0);

    // The selected drive's root and kind, kept for the handlers; not shown.
    DriveName = named<QLineEdit>("DriveName", Frame1);
    DriveName->hide();
    DriveType = named<QLineEdit>("DriveType", Frame1);
    DriveType->hide();

    auto *buttons = new QVBoxLayout;
    buttons->setSpacing(6);
    OK = named<QPushButton>("OK", Frame1, QStringLiteral("&OK"));
    OK->setDefault(true);
    Cancel = named<QPushButton>("Cancel", Frame1, QStringLiteral("&Cancel"));
    Command1 = named<QPushButton>("Command1", Frame1, QStringLiteral("&Refresh"));
    Command1->setAutoDefault(false);
    buttons->addWidget(OK);
    buttons->addWidget(Cancel);
    buttons->addSpacing(12);
    buttons->addWidget(Command1);
    buttons->addStretch(1);
    grid->addLayout(buttons, 0, 1, 3, 1);

    setTabOrder(Drive, Dir);
    setTabOrder(Dir, CurrentPath);
    setTabOrder(CurrentPath, OK);
    setTabOrder(OK, Cancel);
    setTabOrder(Cancel, Command1);

    PathTimer = named<QTimer>("PathTimer", this);
    PathTimer->setInterval(PathInterval);
}

void NewFolder::readDrives()
{
    m_driveList = m_drives ? m_drives() : QList<platform::Drive>();
    const QSignalBlocker quiet(Drive);
    const QString selected = Drive->currentText();
    Drive->clear();
    for (const platform::Drive &drive : std::as_const(m_driveList))
        Drive->addItem(drive.text, static_cast<int>(drive.kind));
    Drive->setCurrentIndex(Drive->findText(selected));
}

platform::DriveKind NewFolder::selectedKind() const
{
    const QVariant kind = Drive->currentData();
    return kind.isValid() ? static_cast<platform::DriveKind>(kind.toInt())
                          : platform::DriveKind::Unknown;
}

void NewFolder::Form_Load()
{
    readDrives();
    // The lists start where the program runs: its folder, on its drive.
    const QString here = QDir::currentPath();
    QString drive = platform::driveOf(here, m_driveList);
    if (drive.isEmpty() && !m_driveList.isEmpty())
        drive = m_driveList.first().text;
    {
        const QSignalBlocker quiet(Drive);
        Drive->setCurrentIndex(Drive->findText(drive));
    }
    if (!Dir->setPath(here, drive))
        Dir->setPath(drive, drive);
    CurrentPath->setText(Dir->path());
}

void NewFolder::openAt(const QString &captureFolder)
{
    attempt("note the drive's root", [&] { DriveName->setText(Drive->currentText()); });
    attempt("refresh the folder list", [&] { Dir->refresh(); });
    attempt("select the capture folder's drive", [&] {
        const QFileInfo folder(captureFolder);
        const QString real = folder.exists() ? folder.canonicalFilePath() : captureFolder;
        const int index = Drive->findText(platform::driveOf(real, m_driveList));
        if (index < 0)
            throw StepFailed("no drive holds the capture folder");
        // The drive's kind is checked even when it is selected already.
        if (index == Drive->currentIndex())
            Drive_Change();
        else
            Drive->setCurrentIndex(index);
    });
    attempt("open the capture folder", [&] {
        if (!Dir->setPath(captureFolder, Drive->currentText()))
            throw StepFailed("the capture folder cannot be opened");
    });
    show();
    raise();
    activateWindow();
}

void NewFolder::Drive_Change()
{
    const QString drive = Drive->currentText();
    DriveName->setText(drive);
    DriveType->setText(platform::driveTypeText(selectedKind()));
    if (!platform::isAccepted(DriveType->text())) {
        refuseDrive();
        return;
    }
    const QString earlier = m_openedOnDrive.value(drive);
    const bool opened =
        (!earlier.isEmpty() && Dir->setPath(earlier, drive)) || Dir->setPath(drive, drive);
    if (!opened) {
        refuseDrive();
        return;
    }
    Dir->setEnabled(true);
    OK->setEnabled(true);
}

void NewFolder::refuseDrive()
{
    Dir->setEnabled(false);
    critical(this, QStringLiteral("Unable to reach your selected partition: (") +
                       Drive->currentText() + QStringLiteral(")"));
    OK->setEnabled(false);
    CurrentPath->setText(Dir->path());
}

void NewFolder::Dir_Change()
{
    const QString folder = Dir->path();
    CurrentPath->setText(folder);
    const QString drive = platform::driveOf(folder, m_driveList);
    if (!drive.isEmpty())
        m_openedOnDrive.insert(drive, folder);
}

void NewFolder::PathTimer_Timer()
{
    if (CurrentPath->text() != Dir->path())
        CurrentPath->setText(Dir->path());
}

void NewFolder::Command1_Click()
{
    const QString selected = Drive->currentText();
    readDrives();
    // A drive that has gone away gives way to the one now holding the open
    // folder's place, checked as any newly selected drive.
    if (Drive->currentIndex() < 0 && !m_driveList.isEmpty()) {
        QString drive = platform::driveOf(Dir->path(), m_driveList);
        if (drive.isEmpty())
            drive = m_driveList.first().text;
        Drive->setCurrentIndex(Drive->findText(drive));
    } else if (Drive->currentText() != selected) {
        Drive_Change();
    }
    Dir->refresh();
}

void NewFolder::OK_Click()
{
    const QString folder = Dir->path();
    const QString problem = platform::whyNotWritable(folder);
    if (!problem.isEmpty()) {
        critical(this,
                 QStringLiteral("Pictarro cannot save your captured screens in this folder:") +
                     LineBreak + folder + LineBreak + problem + LineBreak +
                     QStringLiteral("Please select another folder."));
        return;
    }
    if (m_capturePath)
        m_capturePath->setText(folder);
    if (m_openFolder)
        m_openFolder->setToolTip(CaptureNaming::openCaption(folder));
    CurrentPath->setText(folder);
    // The main window may release this window once it is closed: nothing
    // comes after this.
    closeWindow();
}

void NewFolder::Cancel_Click()
{
    closeWindow();
}

void NewFolder::showEvent(QShowEvent *event)
{
    PathTimer->start();
    SecondaryWindow::showEvent(event);
}

void NewFolder::hideEvent(QHideEvent *event)
{
    PathTimer->stop();
    SecondaryWindow::hideEvent(event);
}
