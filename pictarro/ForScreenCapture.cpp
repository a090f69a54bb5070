#include "ForScreenCapture.h"

#include "Accessibility.h"
#include "Art.h"
#include "ClickLabel.h"
#include "Controls.h"
#include "Dialogs.h"
#include "MailComposer.h"
#include "RunFilesAndFolder.h"
#include "SupportModule.h"
#include "TarnwellSoftware.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

namespace {

QLabel *text(const char *name, QWidget *parent, const QString &caption)
{
    auto *label = named<QLabel>(name, parent, caption);
    label->setWordWrap(true);
    return label;
}

QLabel *heading(const char *name, QWidget *parent, const QString &caption)
{
    QLabel *label = text(name, parent, caption);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

ClickLabel *link(const char *name, QWidget *parent, const QString &caption, const QString &toolTip)
{
    auto *label = named<ClickLabel>(name, parent, caption);
    label->setToolTip(toolTip);
    label->setRole(ClickLabel::Role::Link);
    Art::styleAsLink(label);
    return label;
}

// A link on a line of its own, under the point it belongs to.
QHBoxLayout *indented(QWidget *widget, int indent)
{
    auto *row = new QHBoxLayout;
    row->addSpacing(indent);
    row->addWidget(widget);
    row->addStretch(1);
    return row;
}

QFrame *separator(const char *name, QWidget *parent)
{
    auto *line = named<QFrame>(name, parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

ForScreenCapture::ForScreenCapture(QWidget *mainWindow) : SecondaryWindow(mainWindow)
{
    setWindowTitle(QStringLiteral("I Like Pictarro"));
    buildControls();
    connect(Command1, &QPushButton::clicked, this, &ForScreenCapture::Command1_Click);
    connect(Image11, &ClickLabel::clicked, this, &ForScreenCapture::Image11_Click);
    connect(Image1, &ClickLabel::clicked, this, &ForScreenCapture::Image1_Click);
    connect(Label4, &ClickLabel::clicked, this, &ForScreenCapture::Label4_Click);
    connect(Label6, &ClickLabel::clicked, this, &ForScreenCapture::Label6_Click);
    connect(Label8, &ClickLabel::clicked, this, &ForScreenCapture::Label8_Click);
}

ForScreenCapture::~ForScreenCapture() = default;

void ForScreenCapture::buildControls()
{
    const qreal ratio = devicePixelRatioF();
    const int indent = fontMetrics().horizontalAdvance(QStringLiteral("* "));

    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(16, 14, 16, 16);
    layout->setSpacing(6);

    auto *header = new QHBoxLayout;
    header->setSpacing(12);
    auto *Image2 = named<QLabel>("Image2", this);
    Image2->setPixmap(Art::picture(QStringLiteral("about/decoration"), QSize(48, 48), ratio));
    Accessibility::hideDecoration(Image2);
    header->addWidget(Image2, 0, Qt::AlignTop);
    QLabel *Label1 = heading(
        "Label1", this,
        QStringLiteral("Glad to hear that you liked it. These are several things you can do: "));
    header->addWidget(Label1, 1, Qt::AlignVCenter);
    Image11 = named<ClickLabel>("Image11", this, QString());
    const QPixmap close = Art::picture(QStringLiteral("about/close"), QSize(20, 20), ratio);
    if (close.isNull())
        Image11->setText(QStringLiteral("X"));
    else
        Image11->setPixmap(close);
    Image11->setToolTip(QStringLiteral("Close"));
    Image11->setAccessibleName(QStringLiteral("Close"));
    header->addWidget(Image11, 0, Qt::AlignTop);
    layout->addLayout(header);
    layout->addSpacing(6);

    layout->addWidget(text("Label2", this,
                           QStringLiteral("* Contact us if you have any suggestions, opinions or "
                                          "notes about it on:")));
    Label6 = link("Label6", this, TarnwellSoftware::SupportAddress,
                  QStringLiteral("Contact Tarnwell Software"));
    layout->addLayout(indented(Label6, indent));
    layout->addSpacing(4);

    layout->addWidget(text(
        "Label3", this, QStringLiteral("* Tell all your friends and relatives about Pictarro:")));
    Label4 = link("Label4", this, QStringLiteral("Tell-a-friend"),
                  QStringLiteral("Tell-a-friend about Pictarro"));
    layout->addLayout(indented(Label4, indent));
    layout->addSpacing(4);

    layout->addWidget(text("Label5", this,
                           QStringLiteral("* Vote for Pictarro and add your review on %1, the "
                                          "software portal that carries it:")
                               .arg(TarnwellSoftware::PortalName)));
    auto *portal = new QHBoxLayout;
    portal->setSpacing(6);
    portal->addSpacing(indent);
    portal->addWidget(named<QLabel>("Label7", this,
                                    QStringLiteral("Go to %1:").arg(TarnwellSoftware::PortalName)));
    Label8 = link("Label8", this, TarnwellSoftware::PortalName, TarnwellSoftware::PortalHome);
    portal->addWidget(Label8);
    Image1 = named<ClickLabel>("Image1", this, QString());
    const QPixmap info = Art::picture(QStringLiteral("about/info"), QSize(16, 16), ratio);
    if (info.isNull())
        Image1->setText(QStringLiteral("(i)"));
    else
        Image1->setPixmap(info);
    Image1->setToolTip(QStringLiteral("Tip"));
    Image1->setAccessibleName(QStringLiteral("Tip on voting"));
    portal->addWidget(Image1);
    portal->addStretch(1);
    layout->addLayout(portal);
    auto *Label9 = text("Label9", this,
                        QStringLiteral("Search for Pictarro, Open its page and click on "
                                       "\"Rate it!\" link."));
    Label9->setIndent(indent);
    layout->addWidget(Label9);

    layout->addSpacing(4);
    layout->addWidget(separator("Line1", this));
    layout->addSpacing(4);

    layout->addWidget(heading("Label10", this,
                              QStringLiteral("When reporting bugs or problems please include:")));
    layout->addWidget(text("Label11", this, QStringLiteral("* Pictarro version")));
    layout->addWidget(text("Label12", this, QStringLiteral("* Windows Operating System version")));
    layout->addWidget(
        text("Label13", this, QStringLiteral("* Problem description (preferably, in detail) ")));
    layout->addWidget(text("Label14", this,
                           QStringLiteral("Please keep in mind that the more information you "
                                          "provide about your problem the better chance we have "
                                          "of finding a solution.")));

    layout->addSpacing(4);
    layout->addWidget(separator("Line2", this));
    layout->addSpacing(4);

    layout->addWidget(heading("Label15", this, QStringLiteral("Donate:")));
    QLabel *donate = text("Label16", this,
                          QStringLiteral("Help to keep our programs running and the free "
                                         "downloads available by donating at the following "
                                         "email address:"));
    layout->addWidget(donate);
    Text1 = named<QLineEdit>("Text1", this, TarnwellSoftware::DonationAddress);
    Text1->setReadOnly(true);
    donate->setBuddy(Text1);
    Text1->setAccessibleName(QStringLiteral("Donation address"));
    layout->addWidget(Text1);

    // The word-wrapped texts share one comfortable reading width.
    const int width = fontMetrics().averageCharWidth() * 64;
    for (QLabel *label : findChildren<QLabel *>()) {
        if (label->wordWrap() && label != Label1)
            label->setMinimumWidth(width);
    }

    // The cancel button answers Esc; it is not shown.
    Command1 = named<QPushButton>("Command1", this, QStringLiteral("Command1"));
    Command1->setAutoDefault(false);
    Command1->hide();
}

void ForScreenCapture::ComposeMail(const QString &recipient, const QString &subject, QString &body,
                                   const QString &copy, const QString &blindCopy,
                                   const QString &attachment)
{
    RunFilesAndFolder::ShellOpen(
        MailComposer::composeMailAddress(recipient, subject, body, copy, blindCopy, attachment));
}

void ForScreenCapture::Command1_Click()
{
    closeWindow();
}

void ForScreenCapture::Image11_Click()
{
    closeWindow();
}

void ForScreenCapture::Image1_Click()
{
    platform::Dialogs::instance().message(
        this, platform::Dialogs::Icon::Information, QStringLiteral("Pictarro"),
        QStringLiteral("Free registration required to vote and add a review at ") +
            TarnwellSoftware::PortalHost);
}

void ForScreenCapture::Label4_Click()
{
    QString body = TarnwellSoftware::ProductPage;
    ComposeMail(QString(), QStringLiteral("I Like Pictarro"), body, QString(), QString(),
                QString());
}

void ForScreenCapture::Label6_Click()
{
    SupportModule::MailSupport();
}

void ForScreenCapture::Label8_Click()
{
    RunFilesAndFolder::ShellOpen(TarnwellSoftware::PortalHome);
}
