#include "VantlerForm.h"

#include "Accessibility.h"
#include "BmpConverter.h"
#include "ClickLabel.h"
#include "Controls.h"
#include "Dialogs.h"
#include "RunFilesAndFolder.h"
#include "VantlerRules.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QTimer>

namespace {

using Controls::pixels;
using Controls::twips;

const QColor DarkRed(192, 0, 0);
constexpr int TimerInterval = 1000;

QFrame *separator(QWidget *parent, const QString &name, const QRect &geometry)
{
    auto *line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(geometry);
    return line;
}

// Shows the wait cursor while a conversion blocks the window.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

void enableTimer(QTimer *timer)
{
    // A running timer keeps its interval; a stopped one starts a fresh one.
    if (!timer->isActive())
        timer->start();
}

} // namespace

VantlerForm::VantlerForm(const QString &programFolder, std::unique_ptr<BmpConverter> converter,
                         QWidget *parent)
    : QWidget(parent), m_converter(converter ? std::move(converter)
                                             : std::make_unique<LibraryConverter>(programFolder))
{
    buildControls();
}

VantlerForm::~VantlerForm() = default;

void VantlerForm::buildControls()
{
    Accessibility::presentAsWindow(this);
    setObjectName(QStringLiteral("VantlerForm"));
    setWindowTitle(QStringLiteral("Pictarro - Vantler"));
    setWindowIcon(QIcon(QStringLiteral(":/vantler/vantler.svg")));
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    setFixedSize(pixels(7185), pixels(7995));

    m_frame1 = new QFrame(this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    m_frame1->setGeometry(twips(150, 120, 6825, 2475));
    m_frame2 = new QFrame(this);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    m_frame2->setFrameStyle(QFrame::Box | QFrame::Sunken);
    m_frame2->setGeometry(twips(150, 2670, 6825, 5175));

    // The focus sink above the client area: it takes the keyboard focus at
    // start so that no visible control shows a focus mark.
    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setReadOnly(true);
    m_text1->setGeometry(pixels(60), pixels(-780), pixels(1000), pixels(285));
    m_text1->setAccessibleName(QStringLiteral("Vantler"));
    m_text1->setAccessibleDescription(QStringLiteral("Tab leads to the commands"));

    m_bmpImage = new QLabel(m_frame1);
    m_bmpImage->setObjectName(QStringLiteral("BMPImage"));
    m_bmpImage->setGeometry(twips(150, 270, 720, 720));
    m_bmpImage->setPixmap(Controls::svgPicture(QStringLiteral(":/vantler/bmp-file.svg"),
                                               QSize(48, 48), devicePixelRatioF()));
    m_jpgImage = new QLabel(m_frame1);
    m_jpgImage->setObjectName(QStringLiteral("JPGImage"));
    m_jpgImage->setGeometry(twips(150, 270, 720, 720));
    m_jpgImage->setPixmap(Controls::svgPicture(QStringLiteral(":/vantler/jpg-file.svg"),
                                               QSize(48, 48), devicePixelRatioF()));
    m_jpgImage->hide();
    Accessibility::hideDecoration(m_bmpImage);
    Accessibility::hideDecoration(m_jpgImage);

    m_selectBmp = new QPushButton(QStringLiteral("BMP - Browse..."), m_frame1);
    m_selectBmp->setObjectName(QStringLiteral("SelectBMP"));
    m_selectBmp->setGeometry(twips(990, 270, 1485, 315));
    m_bmpPath = new QLineEdit(m_frame1);
    m_bmpPath->setObjectName(QStringLiteral("BMPPAth"));
    m_bmpPath->setReadOnly(true);
    m_bmpPath->setGeometry(twips(2580, 270, 3975, 315));
    m_bmpPath->setAccessibleName(QStringLiteral("Bitmap file"));

    m_selectJpg = new QPushButton(QStringLiteral("JPG - Browse..."), m_frame1);
    m_selectJpg->setObjectName(QStringLiteral("SelectJPG"));
    m_selectJpg->setGeometry(twips(990, 690, 1485, 315));
    m_jpgPath = new QLineEdit(m_frame1);
    m_jpgPath->setObjectName(QStringLiteral("JPGPath"));
    m_jpgPath->setReadOnly(true);
    m_jpgPath->setGeometry(twips(2580, 690, 3975, 315));
    m_jpgPath->setAccessibleName(QStringLiteral("JPEG file"));

    separator(m_frame1, QStringLiteral("Line1"), twips(150, 1140, 6525, 30));
    separator(m_frame1, QStringLiteral("Line2"), twips(150, 1770, 6525, 30));

    m_label2 = new QLabel(QStringLiteral("JPG Image-Quality:"), m_frame1);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->move(pixels(270), pixels(1350));
    Controls::fitWidth(m_label2, pixels(1650 - 270) - 4);
    m_res = new QSlider(Qt::Horizontal, m_frame1);
    m_res->setObjectName(QStringLiteral("Res"));
    m_res->setRange(0, 100);
    m_res->setValue(100);
    m_res->setGeometry(twips(1650, 1350, 4065, 315));
    m_label2->setBuddy(m_res);
    m_res->setAccessibleName(QStringLiteral("JPEG quality"));
    m_label18 = new QLabel(QStringLiteral("%"), m_frame1);
    m_label18->setObjectName(QStringLiteral("Label18"));
    m_label18->setGeometry(twips(5730, 1310, 360, 360));
    m_label18->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_resCaption = new QLabel(QStringLiteral("100"), m_frame1);
    m_resCaption->setObjectName(QStringLiteral("ResCaption"));
    QFont large = font();
    large.setPointSize(14);
    large.setBold(true);
    m_resCaption->setFont(large);
    m_resCaption->setGeometry(twips(6120, 1310, 660, 360));
    m_resCaption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    m_convertCommand = new QPushButton(QStringLiteral("Convert Now!"), m_frame1);
    m_convertCommand->setObjectName(QStringLiteral("ConvertCommand"));
    m_convertCommand->setGeometry(twips(270, 1920, 3075, 345));
    m_command1 = new QPushButton(QStringLiteral("Close Vantler"), m_frame1);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setGeometry(twips(3480, 1920, 3075, 345));

    m_preview = new ClickLabel(QString(), m_frame2);
    m_preview->setObjectName(QStringLiteral("Preview"));
    m_preview->setGeometry(twips(210, 270, 6375, 4710));
    m_preview->setScaledContents(true);
    m_preview->setPixmap(Controls::svgPicture(QStringLiteral(":/vantler/preview.svg"),
                                              m_preview->size(), devicePixelRatioF()));
    m_preview->setAccessibleName(QStringLiteral("Bitmap preview"));
    m_preview->setAccessibleDescription(QStringLiteral("Opens the chosen bitmap"));

    setTabOrder(m_text1, m_selectBmp);
    setTabOrder(m_selectBmp, m_bmpPath);
    setTabOrder(m_bmpPath, m_selectJpg);
    setTabOrder(m_selectJpg, m_jpgPath);
    setTabOrder(m_jpgPath, m_res);
    setTabOrder(m_res, m_convertCommand);
    setTabOrder(m_convertCommand, m_command1);
    setTabOrder(m_command1, m_preview);

    m_bmpTimer = new QTimer(this);
    m_bmpTimer->setObjectName(QStringLiteral("BMPTimer"));
    m_bmpTimer->setInterval(TimerInterval);
    m_jpgTimer = new QTimer(this);
    m_jpgTimer->setObjectName(QStringLiteral("JPGTimer"));
    m_jpgTimer->setInterval(TimerInterval);

    connect(m_selectBmp, &QPushButton::clicked, this, &VantlerForm::SelectBMP_Click);
    connect(m_selectJpg, &QPushButton::clicked, this, &VantlerForm::SelectJPG_Click);
    connect(m_convertCommand, &QPushButton::clicked, this, &VantlerForm::ConvertCommand_Click);
    connect(m_command1, &QPushButton::clicked, this, &VantlerForm::Command1_Click);
    connect(m_preview, &ClickLabel::clicked, this, &VantlerForm::Preview_Click);
    // Esc closes Vantler as "Close Vantler" does.
    new QShortcut(QKeySequence(Qt::Key_Escape), this, m_command1, &QPushButton::click);
    connect(m_res, &QSlider::valueChanged, this, &VantlerForm::Res_Scroll);
    connect(m_bmpTimer, &QTimer::timeout, this, &VantlerForm::BMPTimer_Timer);
    connect(m_jpgTimer, &QTimer::timeout, this, &VantlerForm::JPGTimer_Timer);
}

void VantlerForm::Form_Load()
{
    m_res->setEnabled(VantlerRules::qualityEnabled(m_jpgPath->text()));
    EnableConvert();
    m_text1->setFocus();
    m_bmpTimer->start();
    m_jpgTimer->start();
}

void VantlerForm::EnableConvert()
{
    m_convertCommand->setEnabled(
        VantlerRules::convertEnabled(m_bmpPath->text(), m_jpgPath->text()));
}

void VantlerForm::SelectBMP_Click()
{
    const QString path = platform::Dialogs::instance().openFile(this, VantlerRules::SourceTitle,
                                                                VantlerRules::SourceFilter);
    if (path.isEmpty())
        return;
    const VantlerRules::SourceImage source = VantlerRules::readSource(path, m_preview->size());
    if (!source.readable()) {
        platform::Dialogs::instance().message(this, platform::Dialogs::Icon::Critical,
                                              VantlerRules::MessageTitle,
                                              VantlerRules::sourceRefusedText(path, source.reason));
        return;
    }
    m_bmpPath->setText(path);
    m_preview->setPixmap(QPixmap::fromImage(source.preview));
    m_preview->setToolTip(path);
    EnableConvert();
}

void VantlerForm::SelectJPG_Click()
{
    const QString path = platform::Dialogs::instance().saveFile(this, VantlerRules::TargetTitle,
                                                                VantlerRules::TargetFilter);
    if (!path.isEmpty()) {
        m_jpgPath->setText(path);
        m_res->setEnabled(true);
        setQualityColour(DarkRed);
        EnableConvert();
    } else {
        m_res->setEnabled(false);
        setQualityColour(Qt::black);
    }
}

void VantlerForm::setQualityColour(const QColor &colour)
{
    for (QLabel *label : {m_resCaption, m_label18}) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, colour);
        label->setPalette(palette);
    }
}

void VantlerForm::ConvertCommand_Click()
{
    const QString source = m_bmpPath->text();
    const QString target = m_jpgPath->text();
    if (!VantlerRules::convertEnabled(source, target))
        return;
    platform::Dialogs &dialogs = platform::Dialogs::instance();
    if (VantlerRules::sameFile(source, target)) {
        dialogs.message(this, platform::Dialogs::Icon::Critical, VantlerRules::MessageTitle,
                        VantlerRules::sameFileText(source));
        return;
    }

    BmpConverter::Result result;
    {
        const WaitCursor wait;
        result = m_converter->convert(source, target, m_res->value());
    }
    if (!result.ok) {
        dialogs.message(this, platform::Dialogs::Icon::Critical, VantlerRules::MessageTitle,
                        VantlerRules::conversionFailedText(source, target, result.reason));
        return;
    }
    dialogs.message(this, platform::Dialogs::Icon::Information, VantlerRules::MessageTitle,
                    VantlerRules::successText(target));
    RunFilesAndFolder::ShellOpen(target);
}

void VantlerForm::Command1_Click()
{
    Q_EMIT endRequested();
    close();
}

void VantlerForm::Preview_Click()
{
    if (!m_bmpPath->text().isEmpty())
        RunFilesAndFolder::ShellOpen(m_bmpPath->text());
}

void VantlerForm::Res_Scroll()
{
    m_resCaption->setText(QString::number(m_res->value()));
}

void VantlerForm::BMPTimer_Timer()
{
    m_bmpImage->show();
    m_jpgImage->hide();
    enableTimer(m_jpgTimer);
    m_bmpTimer->stop();
}

void VantlerForm::JPGTimer_Timer()
{
    m_jpgImage->show();
    m_bmpImage->hide();
    enableTimer(m_bmpTimer);
    m_jpgTimer->stop();
}
