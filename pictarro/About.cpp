#include "About.h"

#include "Art.h"
#include "ClickLabel.h"
#include "Controls.h"
#include "ProgramInfo.h"
#include "SupportModule.h"
#include "TarnwellSoftware.h"

#include <QFrame>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

namespace {

QFrame *separator(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

About::About(QWidget *mainWindow, UserNameLookup userName)
    : SecondaryWindow(mainWindow), m_userName(std::move(userName))
{
    setWindowTitle(QStringLiteral("About Pictarro"));
    buildControls();
    connect(CloseBox, &ClickLabel::clicked, this, &About::CloseBox_Click);
    connect(Command1, &QPushButton::clicked, this, &About::Command1_Click);
    connect(Label1, &ClickLabel::clicked, this, &About::Label1_Click);
    connect(Label6, &ClickLabel::clicked, this, &About::Label6_Click);
}

About::~About() = default;

About::UserNameLookup About::defaultUserName()
{
    return [] {
        return platform::ProgramInfo::userName();
    };
}

void About::buildControls()
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    // Everything lies on one picture box that fills the window.
    auto *Picture1 = named<QFrame>("Picture1", this);
    Picture1->setAutoFillBackground(true);
    Picture1->setBackgroundRole(QPalette::Base);
    outer->addWidget(Picture1);
    auto *layout = new QVBoxLayout(Picture1);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // The banner on a band of its own colours, which widens with the window
    // when larger fonts need more room; the close picture sits in the band's
    // top right corner.
    const QSize bannerSize(400, 96);
    Picture1->setMinimumWidth(bannerSize.width());
    auto *band = named<QFrame>("Banner", Picture1);
    band->setStyleSheet(QStringLiteral("QFrame#Banner { background: qlineargradient(x1:0, y1:0, "
                                       "x2:0, y2:1, stop:0 #1f4f8f, stop:1 #2f7fc8); }"));
    auto *header = new QGridLayout(band);
    header->setContentsMargins(0, 0, 0, 0);
    auto *Image1 = named<QLabel>("Image1", band);
    Image1->setPixmap(
        Art::picture(QStringLiteral("about/banner"), bannerSize, devicePixelRatioF()));
    Image1->setFixedSize(bannerSize);
    Image1->setAccessibleName(QStringLiteral("Pictarro"));
    header->addWidget(Image1, 0, 0, Qt::AlignLeft);
    CloseBox = named<ClickLabel>("CloseBox", band, QString());
    const QPixmap close =
        Art::picture(QStringLiteral("about/close"), QSize(20, 20), devicePixelRatioF());
    if (close.isNull())
        CloseBox->setText(QStringLiteral("X"));
    else
        CloseBox->setPixmap(close);
    CloseBox->setToolTip(QStringLiteral("Close"));
    CloseBox->setAccessibleName(QStringLiteral("Close"));
    CloseBox->setContentsMargins(0, 6, 6, 0);
    header->addWidget(CloseBox, 0, 0, Qt::AlignTop | Qt::AlignRight);
    layout->addWidget(band);

    auto *body = new QVBoxLayout;
    body->setContentsMargins(18, 14, 18, 16);
    body->setSpacing(6);
    layout->addLayout(body);

    auto *Label3 =
        named<QLabel>("Label3", Picture1,
                      QStringLiteral("Pictarro - Version ") + platform::ProgramInfo::version());
    QFont titleFont = Label3->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    Label3->setFont(titleFont);
    body->addWidget(Label3);
    auto *Label4 = named<QLabel>(
        "Label4", Picture1,
        QStringLiteral("Freeware. Copyright \u00a9 2026 Tarnwell Software. All rights reserved."));
    Label4->setWordWrap(true);
    body->addWidget(Label4);
    body->addSpacing(4);
    body->addWidget(separator(Picture1));
    body->addSpacing(4);

    auto *facts = new QGridLayout;
    facts->setHorizontalSpacing(10);
    facts->setVerticalSpacing(6);
    facts->setColumnStretch(2, 1);
    facts->addWidget(named<QLabel>("Label2", Picture1, QStringLiteral("Registered to :")), 0, 0);
    UserName = named<QLabel>("UserName", Picture1, QStringLiteral("Computer User"));
    UserName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    facts->addWidget(UserName, 0, 1, 1, 2);

    facts->addWidget(named<QLabel>("Label5", Picture1, QStringLiteral("Website:")), 1, 0);
    Label1 = named<ClickLabel>("Label1", Picture1, QStringLiteral("Pictarro on the Web"));
    Label1->setToolTip(QStringLiteral("Pictarro on the Web"));
    Label1->setRole(ClickLabel::Role::Link);
    Art::styleAsLink(Label1);
    facts->addWidget(Label1, 1, 1, 1, 2, Qt::AlignLeft);

    facts->addWidget(named<QLabel>("Label8", Picture1, QStringLiteral("Contact:")), 2, 0);
    facts->addWidget(named<QLabel>("Label9", Picture1, QStringLiteral("Email:")), 2, 1);
    Label6 = named<ClickLabel>("Label6", Picture1, TarnwellSoftware::SupportAddress);
    Label6->setToolTip(QStringLiteral("Contact Tarnwell Software"));
    Label6->setRole(ClickLabel::Role::Link);
    Art::styleAsLink(Label6);
    facts->addWidget(Label6, 2, 2, Qt::AlignLeft);
    body->addLayout(facts);

    body->addSpacing(4);
    body->addWidget(separator(Picture1));
    body->addSpacing(4);
    auto *Label15 = named<QLabel>(
        "Label15", Picture1,
        QStringLiteral("Pictarro is protected by copyright law. You may use it and give it "
                       "away free of charge, unchanged and complete, as Tarnwell Software "
                       "publishes it. Reproducing or distributing the program or any part of it "
                       "in any other way, or for a fee, without the written permission of "
                       "Tarnwell Software is prohibited and will be prosecuted to the full "
                       "extent of the law."));
    Label15->setWordWrap(true);
    QFont smallFont = Label15->font();
    smallFont.setPointSizeF(smallFont.pointSizeF() * 0.9);
    Label15->setFont(smallFont);
    Label15->setForegroundRole(QPalette::PlaceholderText);
    body->addWidget(Label15);

    // The cancel button answers Esc; it is not shown.
    Command1 = named<QPushButton>("Command1", this, QStringLiteral("Command1"));
    Command1->setAutoDefault(false);
    Command1->hide();
}

void About::Form_Load()
{
    UserName->setText(m_userName ? m_userName() : QString());
}

void About::showEvent(QShowEvent *event)
{
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
    QDialog::showEvent(event);
}

void About::CloseBox_Click()
{
    closeWindow();
}

void About::Command1_Click()
{
    closeWindow();
}

void About::Label1_Click()
{
    SupportModule::OpenProductPage();
}

void About::Label6_Click()
{
    SupportModule::MailSupport();
}
