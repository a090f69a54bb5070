#include "VerbCaption.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>

VerbCaption::VerbCaption(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
}

void VerbCaption::setVerb(QLabel *verb)
{
    m_verb = verb;
    m_verb->setParent(this);
    m_verb->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_verb->installEventFilter(this); // its font or text may change later
    placeVerb();
}

QString VerbCaption::firstWord() const
{
    return text().section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
}

QString VerbCaption::lastWord() const
{
    return text().section(QLatin1Char(' '), -1, -1, QString::SectionSkipEmpty);
}

int VerbCaption::gap() const
{
    return fontMetrics().horizontalAdvance(QLatin1Char(' '));
}

QSize VerbCaption::sizeHint() const
{
    if (!m_verb)
        return QLabel::sizeHint();
    const QFontMetrics metrics = fontMetrics();
    const QSize verb = m_verb->sizeHint();
    const QMargins margins = contentsMargins();
    return {margins.left() + metrics.horizontalAdvance(firstWord()) + gap() + verb.width() + gap() +
                metrics.horizontalAdvance(lastWord()) + margins.right(),
            margins.top() + qMax(metrics.height(), verb.height()) + margins.bottom()};
}

QSize VerbCaption::minimumSizeHint() const
{
    return sizeHint();
}

void VerbCaption::placeVerb()
{
    if (!m_verb)
        return;
    const QRect area = contentsRect();
    m_verb->setGeometry(area.left() + fontMetrics().horizontalAdvance(firstWord()) + gap(),
                        area.top(), m_verb->sizeHint().width(), area.height());
    updateGeometry();
    update();
}

bool VerbCaption::event(QEvent *event)
{
    const bool handled = QLabel::event(event);
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::FontChange:
    case QEvent::ContentsRectChange:
        placeVerb();
        break;
    default:
        break;
    }
    return handled;
}

bool VerbCaption::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_verb &&
        (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange))
        placeVerb();
    return QLabel::eventFilter(watched, event);
}

void VerbCaption::paintEvent(QPaintEvent *event)
{
    if (!m_verb) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QRect area = contentsRect();
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    style()->drawItemText(&painter, area, flags, palette(), isEnabled(), firstWord(),
                          foregroundRole());
    QRect after = area;
    after.setLeft(m_verb->geometry().right() + 1 + gap());
    style()->drawItemText(&painter, after, flags, palette(), isEnabled(), lastWord(),
                          foregroundRole());
}
