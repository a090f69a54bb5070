// The main window's controls and menus: how they are made and laid out, and
// which handler each of them calls. What the handlers do is in MainForm.cpp.
#include "Accessibility.h"
#include "Art.h"
#include "CaptureEngine.h"
#include "ClickLabel.h"
#include "Clipboard.h"
#include "Controls.h"
#include "MainForm.h"
#include "MainFormLook.h"
#include "MediaPlayer.h"
#include "SettingsTable.h"
#include "Symbols.h"
#include "TrayIcon.h"
#include "VerbCaption.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <iterator>
#include <tuple>
#include <utility>

using namespace MainFormLook;

namespace {

QLabel *label(const char *name, const QString &text, QWidget *parent)
{
    auto *caption = named<QLabel>(name, parent, text);
    caption->setWordWrap(true);
    return caption;
}

// A button showing only a picture: its name says what it does.
QToolButton *pictureButton(const char *name, QStyle::StandardPixmap icon, const QString &tip,
                           const QString &accessibleName, QWidget *parent)
{
    auto *button = named<QToolButton>(name, parent);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setIconSize(QSize(20, 20));
    button->setAutoRaise(true);
    button->setToolTip(tip);
    button->setAccessibleName(accessibleName);
    return button;
}

// A caption that names the field it stands above; the field's own name is
// the short one a screen reader says.
void captionFor(QLabel *caption, QWidget *field, const QString &name)
{
    caption->setBuddy(field);
    field->setAccessibleName(name);
}

QFrame *section(QWidget *parent)
{
    auto *frame = new QFrame(parent);
    frame->setFrameShape(QFrame::StyledPanel);
    return frame;
}

} // namespace

void MainForm::buildControls()
{
    // The locked field that takes the keyboard focus when the window opens,
    // so that no setting starts out selected.
    JustForPass = named<QLineEdit>("JustForPass", this);
    JustForPass->setReadOnly(true);
    JustForPass->setFixedSize(0, 0);
    JustForPass->setFrame(false);
    JustForPass->setAccessibleName(QStringLiteral("Pictarro settings"));
    JustForPass->setAccessibleDescription(QStringLiteral("Tab leads through the settings"));

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
    // Tab goes as the eye reads: the header strip, then the settings from
    // top to bottom, each line from left to right.
    QWidget *const order[] = {
        JustForPass,   FreeUtilities, TrayBox,      MiniBox,   CloseBox,     CapturePath,
        Image1,        Image3,        OpenFolder,   ImageName, NoWaySymbols, ImageCounter,
        CustomCounter, ResetCounter,  BMP,          JPG,       PNG,          Res,
        Enables,       Disabled,      StartUpCheck, MiniCheck, FM,           SA};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    // Scratch controls, never shown
    TextClipboard = named<QLineEdit>("TextClipboard", this, QStringLiteral("Clipboard Text !!"));
    TextClipboard->hide();
    WinPath = named<QLineEdit>("WinPath", this, QStringLiteral("Windows Path"));
    WinPath->setReadOnly(true);
    WinPath->hide();
    MediaPlayer = new platform::MediaPlayer(this);
    MediaPlayer->setObjectName(QStringLiteral("MediaPlayer"));
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
    CaptureOptionsMenu =
        item(misc, "CaptureOptionsMenu", QStringLiteral("Capture Options..."), ctrl(Qt::Key_O));
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
    SysOptions = item(SysMenu, "SysOptions", QStringLiteral("Capture Options..."));
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
    Accessibility::hideDecoration(logo);
    auto *title = named<QLabel>("Label3", header, QStringLiteral("Pictarro"));
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.8);
    titleFont.setBold(true);
    title->setFont(titleFont);
    ControlBoxTip = named<QLabel>("ControlBoxTip", header, VersionCaption);
    FreeUtilities =
        named<ClickLabel>("FreeUtilities", header, QStringLiteral("More free utilities..."));
    FreeUtilities->setToolTip(QStringLiteral("More free utilities..."));
    FreeUtilities->setRole(ClickLabel::Role::Link);
    QFont underlined = FreeUtilities->font();
    underlined.setUnderline(true);
    FreeUtilities->setFont(underlined);

    const auto headerButton = [&](const char *name, const char *art, const QString &tip) {
        auto *button = named<ClickLabel>(name, header, QString());
        button->setPixmap(Art::picture(QLatin1String(art), QSize(20, 20), devicePixelRatioF()));
        button->setToolTip(tip);
        button->setAccessibleName(tip);
        button->setMouseTracking(true);
        button->setContentsMargins(4, 4, 4, 4);
        // Reached by Tab; a click leaves the focus where it was.
        button->setFocusPolicy(Qt::TabFocus);
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
        Accessibility::hideDecoration(mark);
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
    Accessibility::hideDecoration(picture);
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
    Image1 =
        pictureButton("Image1", QStyle::SP_DirOpenIcon, QStringLiteral("Browse For New Folder"),
                      QStringLiteral("Browse for a new folder"), folderBox);
    Image3 = pictureButton("Image3", QStyle::SP_DirHomeIcon,
                           QStringLiteral("Pictarro default \"Capture Screens\" folder"),
                           QStringLiteral("Default folder"), folderBox);
    OpenFolder = pictureButton("OpenFolder", QStyle::SP_DirLinkIcon, QStringLiteral("Open:"),
                               QStringLiteral("Open the capture folder"), folderBox);
    QLabel *folderCaption = label(
        "Label1",
        QStringLiteral("Pictarro will save all your captured screens in the following folder:"),
        folderBox);
    captionFor(folderCaption, CapturePath, QStringLiteral("Capture folder"));
    auto *folderLayout = new QGridLayout(folderBox);
    folderLayout->addWidget(folderCaption, 0, 0, 1, 4);
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
    NoWaySymbols = pictureButton("NoWaySymbols", QStyle::SP_MessageBoxInformation, QString(),
                                 QStringLiteral("Characters a name cannot contain"), nameBox);
    ImageCounter = named<QLineEdit>("ImageCounter", nameBox, QString(Settings::DefaultCounter));
    ImageCounter->setReadOnly(true);
    CustomCounter = named<ClickLabel>("CustomCounter", nameBox, QStringLiteral("[ Custom ]"));
    ResetCounter = named<ClickLabel>("ResetCounter", nameBox, QStringLiteral("[ Reset ]"));
    CustomCounter->setAccessibleName(QStringLiteral("Custom counter"));
    ResetCounter->setAccessibleName(QStringLiteral("Reset counter"));
    setTextColour(CustomCounter, Navy);
    setTextColour(ResetCounter, Navy);
    QLabel *nameCaption = label(
        "Label7", QStringLiteral("Please insert a name for your captured screens :"), nameBox);
    captionFor(nameCaption, ImageName, QStringLiteral("Base name"));
    QLabel *counterCaption =
        label("Label6", QStringLiteral("Pictarro's captured screens counter:"), nameBox);
    captionFor(counterCaption, ImageCounter, QStringLiteral("Counter"));
    auto *nameLayout = new QGridLayout(nameBox);
    nameLayout->addWidget(nameCaption, 0, 0, 1, 4);
    nameLayout->addWidget(ImageName, 1, 0, 1, 3);
    nameLayout->addWidget(NoWaySymbols, 1, 3);
    nameLayout->addWidget(counterCaption, 2, 0, 1, 4);
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
    PNG = named<QRadioButton>("PNG", formatBox, QStringLiteral(".PNG"));
    for (QRadioButton *option : {BMP, JPG, PNG}) {
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
    Res->setAccessibleName(QStringLiteral("JPEG quality"));
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
                            0, 0, 1, 6);
    formatLayout->addWidget(BMP, 1, 0);
    formatLayout->addWidget(JPG, 1, 1);
    formatLayout->addWidget(PNG, 1, 2);
    formatLayout->addWidget(Res, 1, 3);
    formatLayout->addWidget(ResCaption, 1, 4);
    formatLayout->addWidget(Centesimal, 1, 5);
    formatLayout->setColumnStretch(3, 1);

    // Capture switch. Each "To … Pictarro" line has its verb between its
    // two words.
    auto *switchBox = section(panel);
    auto *state = named<QLabel>("Label16", switchBox, QStringLiteral("Pictarro is currently:"));
    EnableDisable = named<QLabel>("EnableDisable", switchBox, QStringLiteral("Enabled"));
    for (QLabel *bold : {state, EnableDisable}) {
        QFont font = bold->font();
        font.setBold(true);
        bold->setFont(font);
    }
    setTextColour(EnableDisable, DarkBlue);
    const auto caption = [switchBox](const char *name, int blanks, const char *verbName,
                                     const QString &verb) {
        auto *made = new VerbCaption(QStringLiteral("To") + QString(blanks, QLatin1Char(' ')) +
                                         QStringLiteral("Pictarro"),
                                     switchBox);
        made->setObjectName(QLatin1String(name));
        auto *word = named<QLabel>(verbName, made, verb);
        QFont font = word->font();
        font.setBold(true);
        word->setFont(font);
        made->setVerb(word);
        return std::pair{made, word};
    };
    std::tie(Label12, Label15) = caption("Label12", 13, "Label15", QStringLiteral("Enable"));
    Enables = named<ClickLabel>("Enables", switchBox, QStringLiteral("[ Click Here ]"));
    std::tie(Label14, Label13) = caption("Label14", 14, "Label13", QStringLiteral("Disable"));
    Disabled = named<ClickLabel>("Disabled", switchBox, QStringLiteral("[ Click Here ]"));
    // The two "[ Click Here ]" are told apart by what they do.
    Enables->setAccessibleName(QStringLiteral("Enable Pictarro"));
    Disabled->setAccessibleName(QStringLiteral("Disable Pictarro"));
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
        link->setRole(ClickLabel::Role::Link);
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
    connect(CaptureOptionsMenu, &QAction::triggered, this, &MainForm::CaptureOptionsMenu_Click);
    connect(SysOptions, &QAction::triggered, this, &MainForm::SysOptions_Click);
    connect(SA, &ClickLabel::clicked, this, &MainForm::SA_Click);
    connect(Image1, &QToolButton::clicked, this, &MainForm::Image1_Click);
    connect(AboutMenu, &QAction::triggered, this, &MainForm::AboutMenu_Click);
    connect(SysAbout, &QAction::triggered, this, &MainForm::SysAbout_Click);
    connect(LikeIt, &QAction::triggered, this, &MainForm::LikeIt_Click);

    connect(m_engine.get(), &CaptureEngine::captured, this, &MainForm::Capture_Saved);
    connect(m_engine.get(), &CaptureEngine::captureFailed, this, &MainForm::Capture_Failed);
    connect(m_engine.get(), &CaptureEngine::folderMissing, this, &MainForm::Capture_FolderMissing);
    connect(m_engine.get(), &CaptureEngine::counterChanged, ImageCounter, &QLineEdit::setText);
    connect(m_engine.get(), &CaptureEngine::textClipboardChanged, TextClipboard,
            &QLineEdit::setText);
    connect(m_trayIcon, &platform::TrayIcon::availabilityChanged, this, &MainForm::KeepReachable);

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
    connect(PNG, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            PNG_Click();
    });
    connect(Res, &QSlider::valueChanged, this, &MainForm::Res_Change);
    connect(Enables, &ClickLabel::clicked, this, &MainForm::Enables_Click);
    connect(Disabled, &ClickLabel::clicked, this, &MainForm::Disabled_Click);
}
