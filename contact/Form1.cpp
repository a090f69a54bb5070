#include "Form1.h"

#include "Accessibility.h"
#include "ClickLabel.h"
#include "Controls.h"
#include "Module1.h"
#include "TarnwellSoftware.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QShortcut>

namespace {

using Controls::pixels;
using Controls::twips;

// The thin border around the client area.
constexpr int Border = 1;

QLabel *label(QWidget *parent, const QString &name, const QString &text, const QRect &geometry)
{
    auto *result = new QLabel(text, parent);
    result->setObjectName(name);
    result->setGeometry(geometry);
    return result;
}

QFrame *line(QWidget *parent, const QString &name, int x1, int x2, int y)
{
    auto *result = new QFrame(parent);
    result->setObjectName(name);
    result->setFrameShape(QFrame::HLine);
    result->setFrameShadow(QFrame::Plain);
    result->setStyleSheet(QStringLiteral("color: #a0a0a0;"));
    result->setGeometry(pixels(x1), pixels(y), pixels(x2 - x1), 1);
    return result;
}

} // namespace

Form1::Form1(QWidget *parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    Accessibility::presentAsWindow(this);
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Contact Tarnwell Software"));
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    const QSize client(pixels(6615), pixels(2295));
    setFixedSize(client.width() + 2 * Border, client.height() + 2 * Border);

    auto *area = new QWidget(this);
    area->setObjectName(QStringLiteral("ClientArea"));
    area->setGeometry(Border, Border, client.width(), client.height());

    auto *shape1 = new QFrame(area);
    shape1->setObjectName(QStringLiteral("Shape1"));
    shape1->setGeometry(twips(-540, -150, 7305, 2565));
    shape1->setAutoFillBackground(true);
    QPalette shapePalette = shape1->palette();
    shapePalette.setColor(QPalette::Window, Qt::white);
    shape1->setPalette(shapePalette);

    auto *image1 = label(area, QStringLiteral("Image1"), {}, twips(120, 120, 1050, 1125));
    image1->setPixmap(Controls::svgPicture(QStringLiteral(":/contact/contact.svg"), image1->size(),
                                           devicePixelRatioF()));
    Accessibility::hideDecoration(image1);

    auto *label1 = label(area, QStringLiteral("Label1"),
                         QStringLiteral("Contact Tarnwell Software"), twips(1230, 180, 3750, 375));
    QFont heading = font();
    heading.setPointSize(12);
    heading.setBold(true);
    label1->setFont(heading);
    line(area, QStringLiteral("Line1"), 1260, 4980, 600);

    auto *label2 = label(area, QStringLiteral("Label2"),
                         QStringLiteral("Tarnwell welcome any and all contact with its users. "
                                        "Please drop us a note with your feedback or questions!"),
                         twips(1260, 720, 4815, 405));
    label2->setWordWrap(true);
    // A font that runs wider or taller than Tahoma may need a third line, or
    // a smaller type, to keep the note above the line below it.
    Controls::fitWrapped(label2, pixels(1290 - 720) - 1);
    line(area, QStringLiteral("Line2"), 240, 6270, 1290);

    Controls::fitWidth(label(area, QStringLiteral("Label3"), QStringLiteral("Email :"),
                             {pixels(270), pixels(1410), 0, 0}),
                       pixels(810 - 270) - 3);

    m_label4 = new ClickLabel(TarnwellSoftware::SupportAddress, area);
    m_label4->setObjectName(QStringLiteral("Label4"));
    m_label4->setGeometry(twips(810, 1410, 2460, 195));
    m_label4->setRole(ClickLabel::Role::Link);
    QFont bold = font();
    bold.setBold(true);
    m_label4->setFont(bold);
    QPalette linkPalette = m_label4->palette();
    linkPalette.setColor(QPalette::WindowText, QColor(0, 0, 192));
    m_label4->setPalette(linkPalette);
    // Where Tahoma is missing the fallback font runs wider: the whole
    // address stays readable.
    m_label4->resize(qMax(m_label4->width(), m_label4->sizeHint().width()), m_label4->height());
    m_label4->setFocusPolicy(Qt::TabFocus);
    m_label4->setToolTip(Module1::mailLink());
    connect(m_label4, &ClickLabel::clicked, this, &Form1::Label4_Click);

    // Three lines of the note fit between its top and the bottom edge.
    auto *label5 =
        label(area, QStringLiteral("Label5"),
              QStringLiteral("Please keep in mind that the more information you provide "
                             "about your problem the better chance Tarnwell have of "
                             "finding a solution."),
              QRect(pixels(270), pixels(1680), pixels(5835), client.height() - pixels(1680)));
    label5->setWordWrap(true);
    label5->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Controls::fitWrapped(label5, label5->height());

    m_image2 = new ClickLabel(QString(), area);
    m_image2->setObjectName(QStringLiteral("Image2"));
    m_image2->setGeometry(twips(6240, 60, 270, 285));
    m_image2->setPixmap(Controls::svgPicture(QStringLiteral(":/contact/close.svg"),
                                             m_image2->size(), devicePixelRatioF()));
    m_image2->setToolTip(QStringLiteral("Close"));
    m_image2->setAccessibleName(QStringLiteral("Close"));
    m_image2->setFocusPolicy(Qt::TabFocus);
    connect(m_image2, &ClickLabel::clicked, this, &Form1::Image2_Click);
    // Esc ends the program as the close mark does.
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &Form1::Image2_Click);
}

void Form1::Label4_Click()
{
    Module1::OpenMailLink();
}

void Form1::Image2_Click()
{
    Q_EMIT endRequested();
    close();
}

void Form1::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(QColor(96, 96, 96));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
