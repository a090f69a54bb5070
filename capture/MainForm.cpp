#include "MainForm.h"

#include "About.h"
#include "Art.h"
#include "CaptureCounter.h"
#include "CaptureWriter.h"
#include "ClickLabel.h"
#include "Clipboard.h"
#include "Controls.h"
#include "Dialogs.h"
#include "FileSystem.h"
#include "FolderManager.h"
#include "ForScreenCapture.h"
#include "JpegEncoder.h"
#include "MediaPlayer.h"
#include "NewFolder.h"
#include "ProgramInfo.h"
#include "RunFilesAndFolder.h"
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
#include <QCloseEvent>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
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

// What the header strip's caption says while the pointer is over a button.
const QString VersionCaption = QStringLiteral("Version ") + platform::ProgramInfo::version();
const QString TrayCaption = QStringLiteral("Send To The Notification Area");
const QString MiniCaption = QStringLiteral("Minimize To Taskbar");
const QString CloseCaption = QStringLiteral("Exit Pictarro");

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

// Lays a verb ("Enable") over the run of blanks in its caption ("To … Pictarro"),
// widening the blanks when the verb would not fit between the words.
void placeVerb(QLabel *caption, QLabel *verb)
{
    const QString text = caption->text();
    const int firstBlank = static_cast<int>(text.indexOf(QLatin1Char(' ')));
    const int blanks = static_cast<int>(text.lastIndexOf(QLatin1Char(' '))) - firstBlank + 1;
    if (firstBlank < 0)
        return;
    const int wanted = verb->sizeHint().width() + 2 * verb->fontMetrics().averageCharWidth();
    QFont font = caption->font();
    font.setWordSpacing(0);
    const int plain = QFontMetrics(font).horizontalAdvance(text.mid(firstBlank, blanks));
    if (plain < wanted) {
        font.setWordSpacing(qreal(wanted - plain) / blanks + 0.5);
        if (font != caption->font()) {
            caption->setFont(font);
            return; // the font change comes back here
        }
    }
    const QFontMetrics metrics(caption->font());
    const int left =
        caption->contentsRect().left() + metrics.horizontalAdvance(text.left(firstBlank));
    const int width = metrics.horizontalAdvance(text.mid(firstBlank, blanks));
    verb->setGeometry(left, 0, width, caption->height());
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
            platform::ProgramInfo::userDataFolder(), platform::ProgramInfo::executableName()};
}

MainForm::MainForm(Environment environment, QWidget *parent)
    : QWidget(parent), m_env(std::move(environment)),
      m_settings(std::make_unique<platform::SettingsStore>(m_env.settingsFile)),
      m_encoder(std::make_unique<platform::JpegEncoder>(m_env.programFolder))
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Pictarro"));
    setWindowIcon(Art::icon(QStringLiteral("pictarro")));
    m_clipboard = new platform::Clipboard(this);
    buildControls();
    m_trayIcon = new platform::TrayIcon(windowIcon(), QStringLiteral("Pictarro"), SysMenu, this);
    connectHandlers();
}

MainForm::~MainForm() = default;

void MainForm::buildControls()
{
    // The locked field that takes the keyboard focus when the window opens,
    // so that no setting starts out selected.
    JustForPass = named<QLineEdit>("JustForPass", this);
    JustForPass->setReadOnly(true);
    JustForPass->setFixedSize(0, 0);
    JustForPass->setFrame(false);

    buildMenus();
    Frame1 = buildHeader();
    Frame2 = named<QFrame>("Frame2", this);
    Frame2->setMouseTracking(true);
    Frame3 = buildTips();
    FrameBottom = buildSettings();
    auto *body = new QHBoxLayout(Frame2);
    body->setContentsMargins(12, 12, 12, 12);
    body->setSpacing(12);
    body->addWidget(Frame3);
    body->addWidget(FrameBottom, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_menuBar);
    layout->addWidget(Frame1);
    layout->addWidget(Frame2, 1);
    setMouseTracking(true);
    setTabOrder(JustForPass, CapturePath);

    // Scratch controls, never shown
    TextClipboard = named<QLineEdit>("TextClipboard", this, QStringLiteral("Clipboard Text !!"));
    TextClipboard->hide();
    WinPath = named<QLineEdit>("WinPath", this, QStringLiteral("Windows Path"));
    WinPath->setReadOnly(true);
    WinPath->hide();
    MediaPlayer = new platform::MediaPlayer(this);
    MediaPlayer->setObjectName(QStringLiteral("MediaPlayer"));

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

void MainForm::buildMenus()
{
    m_menuBar = named<QMenuBar>("MenuBar", this);
    const auto menu = [this](const char *name, const QString &title) {
        QMenu *created = m_menuBar->addMenu(title);
        created->setObjectName(QLatin1String(name));
        return created;
    };
    const auto item = [this](QMenu *in, const char *name, const QString &caption,
                             const QKeySequence &shortcut = {}) {
        QAction *action = in->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
        return action;
    };
    const auto line = [](QMenu *in, const char *name) {
        in->addSeparator()->setObjectName(QLatin1String(name));
    };
    const auto ctrl = [](int key) {
        return QKeySequence(QKeyCombination(Qt::ControlModifier, Qt::Key(key)));
    };

    QMenu *mainMenu = menu("Menu", QStringLiteral("&Main Menu"));
    FMM = item(mainMenu, "FMM", QStringLiteral("Folder Manager"), ctrl(Qt::Key_F));
    SAM = item(mainMenu, "SAM", QStringLiteral("Sound Assignment"), ctrl(Qt::Key_S));
    line(mainMenu, "LINED3");
    Minitask = item(mainMenu, "Minitask", QStringLiteral("Minimize To Taskbar"), ctrl(Qt::Key_T));
    SysTrayMenu = item(mainMenu, "SysTrayMenu", QStringLiteral("Send To The Notification Area"),
                       ctrl(Qt::Key_N));
    line(mainMenu, "Liner12");
    Quit1 = item(mainMenu, "Quit1", QStringLiteral("Exit Pictarro"), ctrl(Qt::Key_Q));

    QMenu *misc = menu("Misc", QStringLiteral("&Miscellaneous Tools"));
    RestoreSet =
        item(misc, "RestoreSet", QStringLiteral("Restore Pictarro Settings"), ctrl(Qt::Key_R));
    line(misc, "LINED");
    ConverterMenu = item(misc, "ConverterMenu", QStringLiteral("Vantler"), ctrl(Qt::Key_J));
    line(misc, "Line_1");
    DisplayOptions =
        item(misc, "DisplayOptions", QStringLiteral("Open Display Properties"), ctrl(Qt::Key_D));
    line(misc, "Liner123");
    QMenu *wallpaper = misc->addMenu(QStringLiteral("Desktop Wallpaper Options"));
    wallpaper->setObjectName(QStringLiteral("wallpaperoptions"));
    changewall = item(wallpaper, "changewall", QStringLiteral("Change.."), ctrl(Qt::Key_F1));
    Removewallpaper =
        item(wallpaper, "Removewallpaper", QStringLiteral("Remove.."), ctrl(Qt::Key_F2));

    QMenu *help = menu("HelpMenu", QStringLiteral("&Help and Support"));
    LicenseAgreement =
        item(help, "LicenseAgreement", QStringLiteral("License Agreement"), ctrl(Qt::Key_L));
    line(help, "Line_3");
    Contact = item(help, "Contact", QStringLiteral("Contact Tarnwell Software"), ctrl(Qt::Key_E));
    LikeIt = item(help, "LikeIt", QStringLiteral("I Like Pictarro..."), ctrl(Qt::Key_I));
    OnWeb = item(help, "OnWeb", QStringLiteral("Pictarro on the Web"), ctrl(Qt::Key_W));
    line(help, "Liner_5");
    AboutMenu = item(help, "AboutMenu", QStringLiteral("About Pictarro..."), ctrl(Qt::Key_B));

    // The notification-area menu is not part of the menu bar.
    SysMenu = named<QMenu>("SysMenu", this, QStringLiteral("SystemTrayMenu"));
    ShowPictarro = item(SysMenu, "ShowPictarro", QStringLiteral("Configuration..."));
    line(SysMenu, "SysLine1");
    FMTray = item(SysMenu, "FMTray", QStringLiteral("Folder Manager"));
    DisEna = item(SysMenu, "DisEna", QStringLiteral("Vantler"));
    SysCapture = item(SysMenu, "SysCapture", QStringLiteral("Open "));
    line(SysMenu, "SysLine2");
    SysContact = item(SysMenu, "SysContact", QStringLiteral("Contact Tarnwell Software"));
    SysAbout = item(SysMenu, "SysAbout", QStringLiteral("About Pictarro..."));
    line(SysMenu, "SysLine3");
    ExitSys = item(SysMenu, "ExitSys", QStringLiteral("Exit Pictarro"));
    QFont bold = ShowPictarro->font();
    bold.setBold(true);
    ShowPictarro->setFont(bold);
}

QFrame *MainForm::buildHeader()
{
    auto *header = named<QFrame>("Frame1", this);
    header->setMouseTracking(true);
    header->setAutoFillBackground(true);
    header->setStyleSheet(QStringLiteral(
        "#Frame1 { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #2f6fd6, "
        "stop:1 #123a8a); }"
        "#Frame1 QLabel { color: white; }"));

    auto *logo = named<QLabel>("Image2", header);
    logo->setPixmap(Art::picture(QStringLiteral("pictarro"), QSize(40, 40), devicePixelRatioF()));
    auto *title = named<QLabel>("Label3", header, QStringLiteral("Pictarro"));
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.8);
    titleFont.setBold(true);
    title->setFont(titleFont);
    ControlBoxTip = named<QLabel>("ControlBoxTip", header, VersionCaption);
    FreeUtilities =
        named<ClickLabel>("FreeUtilities", header, QStringLiteral("More free utilities..."));
    FreeUtilities->setToolTip(QStringLiteral("More free utilities..."));
    QFont underlined = FreeUtilities->font();
    underlined.setUnderline(true);
    FreeUtilities->setFont(underlined);

    const auto headerButton = [&](const char *name, const char *art, const QString &tip) {
        auto *button = named<ClickLabel>(name, header, QString());
        button->setPixmap(Art::picture(QLatin1String(art), QSize(20, 20), devicePixelRatioF()));
        button->setToolTip(tip);
        button->setMouseTracking(true);
        button->setContentsMargins(4, 4, 4, 4);
        button->setFocusPolicy(Qt::NoFocus);
        button->installEventFilter(this);
        return button;
    };
    TrayBox = headerButton("TrayBox", "tray", TrayCaption);
    MiniBox = headerButton("MiniBox", "minimize", MiniCaption);
    CloseBox = headerButton("CloseBox", "close", CloseCaption);

    auto *line = named<QFrame>("Line1", header);
    line->setFrameShape(QFrame::VLine);
    line->setStyleSheet(QStringLiteral("color: rgba(255, 255, 255, 90);"));

    auto *captions = new QVBoxLayout;
    captions->setSpacing(0);
    captions->addWidget(title);
    captions->addWidget(ControlBoxTip);
    auto *layout = new QHBoxLayout(header);
    layout->setContentsMargins(12, 8, 8, 8);
    layout->addWidget(logo);
    layout->addLayout(captions);
    layout->addStretch(1);
    layout->addWidget(FreeUtilities, 0, Qt::AlignBottom);
    layout->addWidget(line);
    layout->addWidget(TrayBox, 0, Qt::AlignTop);
    layout->addWidget(MiniBox, 0, Qt::AlignTop);
    layout->addWidget(CloseBox, 0, Qt::AlignTop);
    header->installEventFilter(this);
    return header;
}

QFrame *MainForm::buildTips()
{
    auto *tips = named<QFrame>("Frame3", Frame2);
    tips->setFrameShape(QFrame::StyledPanel);
    tips->setMaximumWidth(fontMetrics().averageCharWidth() * 42);
    auto *layout = new QGridLayout(tips);
    layout->setColumnStretch(1, 1);
    auto *heading = label(
        "Label17", QStringLiteral("Things you need to know before start using Pictarro:"), tips);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading, 0, 0, 1, 2);

    const QPixmap bullet =
        Art::picture(QStringLiteral("bullet"), QSize(10, 10), devicePixelRatioF());
    int row = 1;
    const auto tip = [&](const char *name, const QString &text) {
        auto *mark = new QLabel(tips);
        mark->setPixmap(bullet);
        mark->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        mark->setContentsMargins(0, 4, 0, 0);
        layout->addWidget(mark, row, 0);
        QLabel *caption = label(name, text, tips);
        layout->addWidget(caption, row++, 1);
        return caption;
    };
    tip("Label9", QStringLiteral("To capture the entire screen, press 'PrintScreen'"));
    tip("Label8",
        QStringLiteral("To capture the foreground active window, press 'Alt+PrintScreen'"));
    tip("Label4", QStringLiteral("Please wait half a second between two captures, so that "
                                 "Pictarro has saved the first one before the second comes."));
    tip("Label21",
        QStringLiteral("Disable Pictarro while working on any other image processing software"));
    auto *recommended = label("Label22", QStringLiteral("( Recommended )"), tips);
    setTextColour(recommended, DarkRed);
    layout->addWidget(recommended, row++, 1);

    auto *picture = named<QLabel>("Image5", tips);
    picture->setPixmap(
        Art::picture(QStringLiteral("illustration"), QSize(200, 150), devicePixelRatioF()));
    picture->setAlignment(Qt::AlignCenter);
    layout->setRowStretch(row++, 1);
    layout->addWidget(picture, row, 0, 1, 2);
    return tips;
}

QFrame *MainForm::buildSettings()
{
    auto *panel = named<QFrame>("FrameBottom", Frame2);
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);

    // Capture folder
    auto *folderBox = section(panel);
    CapturePath = named<QLineEdit>("CapturePath", folderBox);
    CapturePath->setReadOnly(true);
    Image1 = pictureButton("Image1", QStyle::SP_DirOpenIcon,
                           QStringLiteral("Browse For New Folder"), folderBox);
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
    auto *nameBox = section(panel);
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
    auto *formatBox = section(panel);
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

    // Capture switch. Each "To … Pictarro" line has its verb laid over the
    // blanks in the middle of the caption.
    auto *switchBox = section(panel);
    auto *state = named<QLabel>("Label16", switchBox, QStringLiteral("Pictarro is currently:"));
    EnableDisable = named<QLabel>("EnableDisable", switchBox, QStringLiteral("Enabled"));
    for (QLabel *bold : {state, EnableDisable}) {
        QFont font = bold->font();
        font.setBold(true);
        bold->setFont(font);
    }
    setTextColour(EnableDisable, DarkBlue);
    Label12 = named<QLabel>("Label12", switchBox,
                            QStringLiteral("To") + QString(13, QLatin1Char(' ')) +
                                QStringLiteral("Pictarro"));
    Label15 = named<QLabel>("Label15", Label12, QStringLiteral("Enable"));
    Enables = named<ClickLabel>("Enables", switchBox, QStringLiteral("[ Click Here ]"));
    Label14 = named<QLabel>("Label14", switchBox,
                            QStringLiteral("To") + QString(14, QLatin1Char(' ')) +
                                QStringLiteral("Pictarro"));
    Label13 = named<QLabel>("Label13", Label14, QStringLiteral("Disable"));
    Disabled = named<ClickLabel>("Disabled", switchBox, QStringLiteral("[ Click Here ]"));
    for (QLabel *verb : {Label15, Label13}) {
        QFont font = verb->font();
        font.setBold(true);
        verb->setFont(font);
        verb->setAlignment(Qt::AlignCenter);
        verb->parentWidget()->installEventFilter(this); // kept over the blanks on resize
    }
    for (QLabel *caption : {Label12, Label14}) {
        // Room for the verb, whatever the font makes of the blanks.
        caption->setMinimumWidth(
            caption->fontMetrics().horizontalAdvance(QStringLiteral("To ")) +
            caption->fontMetrics().horizontalAdvance(QStringLiteral("Pictarro")) +
            caption->fontMetrics().horizontalAdvance(QStringLiteral(" Disable ")));
    }
    setTextColour(Label15, DarkBlue);
    setTextColour(Enables, DarkBlue);
    setTextColour(Label13, DarkRed);
    setTextColour(Disabled, DarkRed);
    auto *switchLayout = new QGridLayout(switchBox);
    switchLayout->addWidget(state, 0, 0);
    switchLayout->addWidget(EnableDisable, 0, 1);
    switchLayout->addWidget(Label12, 1, 0);
    switchLayout->addWidget(Enables, 1, 1);
    switchLayout->addWidget(Label14, 2, 0);
    switchLayout->addWidget(Disabled, 2, 1);
    switchLayout->setColumnStretch(2, 1);

    // Start-up options and the windows that work with the captures
    auto *optionsBox = section(panel);
    StartUpCheck =
        named<QCheckBox>("StartUpCheck", optionsBox,
                         QStringLiteral("I would like to launch Pictarro on Windows Startup."));
    MiniCheck = named<QCheckBox>(
        "MiniCheck", optionsBox,
        QStringLiteral("I would like to send Pictarro to the notification area when launch."));
    FM = named<ClickLabel>("FM", optionsBox, QStringLiteral("Folder Manager"));
    SA = named<ClickLabel>("SA", optionsBox, QStringLiteral("Sound Assignment"));
    for (ClickLabel *link : {FM, SA}) {
        setTextColour(link, Navy);
        QFont font = link->font();
        font.setUnderline(true);
        link->setFont(font);
    }
    auto *features = named<QLabel>("Label2", optionsBox, QStringLiteral("Pictarro new features:"));
    QFont bold = features->font();
    bold.setBold(true);
    features->setFont(bold);
    auto *optionsLayout = new QGridLayout(optionsBox);
    optionsLayout->addWidget(features, 0, 0, 1, 3);
    optionsLayout->addWidget(StartUpCheck, 1, 0, 1, 3);
    optionsLayout->addWidget(MiniCheck, 2, 0, 1, 3);
    optionsLayout->addWidget(FM, 3, 0);
    optionsLayout->addWidget(SA, 3, 1);
    optionsLayout->setColumnStretch(2, 1);

    for (QFrame *box : {folderBox, nameBox, formatBox, switchBox, optionsBox})
        layout->addWidget(box);
    layout->addStretch(1);
    panel->setMinimumWidth(fontMetrics().averageCharWidth() * 70);
    return panel;
}

void MainForm::connectHandlers()
{
    connect(TrayBox, &ClickLabel::clicked, this, &MainForm::TrayBox_Click);
    connect(MiniBox, &ClickLabel::clicked, this, &MainForm::MiniBox_Click);
    connect(CloseBox, &ClickLabel::clicked, this, &MainForm::CloseBox_Click);
    connect(FreeUtilities, &ClickLabel::clicked, this, &MainForm::OnWeb_Click);
    connect(Minitask, &QAction::triggered, this, &MainForm::Minitask_Click);
    connect(SysTrayMenu, &QAction::triggered, this, &MainForm::SysTrayMenu_Click);
    connect(Quit1, &QAction::triggered, this, &MainForm::Quit1_Click);
    connect(ShowPictarro, &QAction::triggered, this, &MainForm::ShowPictarro_Click);
    connect(SysCapture, &QAction::triggered, this, &MainForm::SysCapture_Click);
    connect(ExitSys, &QAction::triggered, this, &MainForm::ExitSys_Click);
    connect(m_trayIcon, &platform::TrayIcon::notified, this, &MainForm::TrayIcon_Notify);
    connect(MiniCheck, &QCheckBox::toggled, this, &MainForm::MiniCheck_Click);
    connect(StartUpCheck, &QCheckBox::toggled, this, &MainForm::StartUpCheck_Click);

    connect(RestoreSet, &QAction::triggered, this, &MainForm::RestoreSet_Click);
    connect(ConverterMenu, &QAction::triggered, this, &MainForm::ConverterMenu_Click);
    connect(DisEna, &QAction::triggered, this, &MainForm::ConverterMenu_Click);
    connect(LicenseAgreement, &QAction::triggered, this, &MainForm::LicenseAgreement_Click);
    connect(Contact, &QAction::triggered, this, &MainForm::Contact_Click);
    connect(SysContact, &QAction::triggered, this, &MainForm::Contact_Click);
    connect(OnWeb, &QAction::triggered, this, &MainForm::OnWeb_Click);
    connect(changewall, &QAction::triggered, this, &MainForm::changewall_Click);
    connect(Removewallpaper, &QAction::triggered, this, &MainForm::Removewallpaper_Click);
    connect(DisplayOptions, &QAction::triggered, this, &MainForm::DisplayOptions_Click);
    connect(FMM, &QAction::triggered, this, &MainForm::FMM_Click);
    connect(FM, &ClickLabel::clicked, this, &MainForm::FM_Click);
    connect(FMTray, &QAction::triggered, this, &MainForm::FMTray_Click);
    connect(SAM, &QAction::triggered, this, &MainForm::SAM_Click);
    connect(SA, &ClickLabel::clicked, this, &MainForm::SA_Click);
    connect(Image1, &QToolButton::clicked, this, &MainForm::Image1_Click);
    connect(AboutMenu, &QAction::triggered, this, &MainForm::AboutMenu_Click);
    connect(SysAbout, &QAction::triggered, this, &MainForm::SysAbout_Click);
    connect(LikeIt, &QAction::triggered, this, &MainForm::LikeIt_Click);

    connect(m_clipboard, &platform::Clipboard::changed, this, &MainForm::Clipboard_Changed);
    connect(CaptureTimer, &QTimer::timeout, this, &MainForm::SafetyTick);
    connect(CreateFolderTimer, &QTimer::timeout, this, &MainForm::CreateFolderTimer_Timer);
    connect(OpenTimer, &QTimer::timeout, this, &MainForm::OpenTimer_Timer);
    connect(OpenTimer, &QTimer::timeout, this, &MainForm::KeepReachable);

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
        // A counter that would lead out of the capture folder is damage.
        if (ImageCounter->text().isEmpty() ||
            !CaptureNaming::isPlainFileName(Settings::DefaultBaseName, ImageCounter->text()))
            ImageCounter->setText(Settings::DefaultCounter);
    });
    attempt("create the folders", [&] { CreateFolder(); });
    attempt("data folder", [&] { WinPath->setText(m_env.userDataFolder); });
    attempt("open caption", [&] { OpenTimer_Timer(); });

    CaptureTimer->start();
    CreateFolderTimer->start();
    OpenTimer->start();

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

// ------------------------------------------------------ clipboard watcher

void MainForm::Clipboard_Changed()
{
    m_pictureUnusable = false;
    m_refillLeft = false;
    if (CaptureTimer->isActive())
        scheduleTick();
}

void MainForm::SafetyTick()
{
    if (!m_pictureUnusable && !m_refillLeft && m_clipboard->offersPictureOnly())
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
    if (m_refillLeft)
        return; // the clipboard still offers the manager's refill: nothing new
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
    if (m_clipboard->isRefill(ClipboardImage)) {
        // A clipboard manager offers the picture just taken once more. It
        // is saved (or was reported) already; taking it again would only
        // make the manager offer it again. It stays on the clipboard and is
        // not looked at again until the clipboard changes.
        TextClipboard->clear();
        ClipboardImage = QImage();
        m_refillLeft = true;
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
    if (event->type() == QEvent::MouseMove) {
        // Moving the mouse over the slider stores the quality too.
        if (watched == Res)
            Res_Change();
        // The header buttons name their command; anywhere else the caption
        // goes back to the version. A button keeps the move to itself.
        const std::pair<QObject *, const QString *> buttons[] = {
            {TrayBox, &TrayCaption}, {MiniBox, &MiniCaption}, {CloseBox, &CloseCaption}};
        for (const auto &[button, caption] : buttons) {
            if (watched == button) {
                setHoverCaption(*caption);
                return true;
            }
        }
        if (watched == Frame1 || watched == Frame2)
            setHoverCaption(VersionCaption);
    }
    if (event->type() == QEvent::Resize || event->type() == QEvent::FontChange) {
        if (watched == Label12)
            placeVerb(Label12, Label15);
        else if (watched == Label14)
            placeVerb(Label14, Label13);
    }
    return QWidget::eventFilter(watched, event);
}

void MainForm::mouseMoveEvent(QMouseEvent *event)
{
    setHoverCaption(VersionCaption);
    QWidget::mouseMoveEvent(event);
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

// ------------------------------------------------------------ presentation

void MainForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        // Wrapped captions need height for the width they get; the window
        // opens large enough for all of them.
        const int width = qMax(this->width(), sizeHint().width());
        int height = qMax(this->height(), sizeHint().height());
        if (layout()->hasHeightForWidth())
            height = qMax(height, layout()->totalHeightForWidth(width));
        resize(width, height);
        setMinimumSize(qMin(width, minimumSizeHint().width()), height);
        JustForPass->setFocus();
    }
}

void MainForm::closeEvent(QCloseEvent *event)
{
    // Closing the window from its title bar ends the program, as the exit
    // commands do.
    event->accept();
    Form_Unload();
}

void MainForm::setHoverCaption(const QString &caption)
{
    if (ControlBoxTip->text() != caption)
        ControlBoxTip->setText(caption);
}

void MainForm::SetIconInTray()
{
    m_trayIcon->add();
}

void MainForm::RemoveIconFromTray()
{
    m_trayIcon->remove();
}

void MainForm::sendToNotificationArea(bool minimiseFirst)
{
    // A desktop without a notification area could never give a hidden
    // window back: there the window goes to the taskbar instead.
    if (!platform::TrayIcon::available()) {
        showMinimized();
        return;
    }
    if (minimiseFirst)
        setWindowState(windowState() | Qt::WindowMinimized);
    hide();
    SetIconInTray();
}

void MainForm::KeepReachable()
{
    // The notification area went away (its panel crashed or was removed)
    // while the window hid behind it: without this the program would run on
    // with no way back to it.
    if (m_trayIcon->isPresent() && !isVisible() && !platform::TrayIcon::available()) {
        RemoveIconFromTray();
        showMinimized();
    }
}

void MainForm::TrayBox_Click()
{
    sendToNotificationArea(true);
}

void MainForm::SysTrayMenu_Click()
{
    sendToNotificationArea(false);
}

void MainForm::MiniBox_Click()
{
    showMinimized();
}

void MainForm::Minitask_Click()
{
    showMinimized();
}

void MainForm::ShowPictarro_Click()
{
    lower();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    RemoveIconFromTray();
}

void MainForm::TrayIcon_Notify(int code)
{
    switch (code) {
    case platform::TrayIcon::LeftDoubleClick:
        attempt("normal state", [&] { setWindowState(windowState() & ~Qt::WindowMinimized); });
        attempt("show", [&] { show(); });
        attempt("focus", [&] {
            raise();
            activateWindow();
        });
        attempt("remove the icon", [&] { RemoveIconFromTray(); });
        break;
    case platform::TrayIcon::RightButtonUp:
        // The icon pops up SysMenu by itself, where the desktop draws it.
    default:
        break;
    }
    setHoverCaption(VersionCaption);
}

void MainForm::SysCapture_Click()
{
    attempt("open the capture folder", [&] { RunFilesAndFolder::ShellOpen(CapturePath->text()); });
}

void MainForm::CloseBox_Click()
{
    Form_Unload();
}

void MainForm::Quit1_Click()
{
    Form_Unload();
}

void MainForm::ExitSys_Click()
{
    RemoveIconFromTray();
    Form_Unload();
}

void MainForm::MiniCheck_Click()
{
    store(Settings::Minimized, MiniCheck->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
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

void MainForm::restoreFromNotificationArea()
{
    show();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    RemoveIconFromTray();
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
