#include "ASPictureBox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

namespace {

constexpr int TwipsPerPixel = 15;

} // namespace

ASPictureBox::ASPictureBox(QWidget *parent) : QAbstractScrollArea(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    // Every pixel of the viewport is painted, so Qt need not clear it first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    updateScrollBars();
}

void ASPictureBox::setPicture(const QImage &picture)
{
    m_picture = picture;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    updateScrollBars();
    viewport()->update();
    Q_EMIT pictureChanged();
}

void ASPictureBox::setSizeTwips(int width, int height)
{
    m_twips = QSize(width, height);
    resize(width / TwipsPerPixel, height / TwipsPerPixel);
}

QSize ASPictureBox::sizeTwips() const
{
    if (m_twips.isValid())
        return m_twips;
    return size() * TwipsPerPixel;
}

QSize ASPictureBox::sizeHint() const
{
    return {200, 150};
}

void ASPictureBox::updateScrollBars()
{
    const QSize picture = m_picture.isNull() ? QSize(0, 0) : m_picture.size();
    // The room without scroll bars decides whether any is needed at all; a
    // bar that is needed takes room from the other direction.
    const QSize room = maximumViewportSize();
    const int barWidth = verticalScrollBar()->sizeHint().width();
    const int barHeight = horizontalScrollBar()->sizeHint().height();
    bool wide = picture.width() > room.width();
    bool tall = picture.height() > room.height();
    if (wide && !tall)
        tall = picture.height() > room.height() - barHeight;
    if (tall && !wide)
        wide = picture.width() > room.width() - barWidth;
    const QSize visible(room.width() - (tall ? barWidth : 0),
                        room.height() - (wide ? barHeight : 0));

    horizontalScrollBar()->setRange(0, wide ? picture.width() - visible.width() : 0);
    horizontalScrollBar()->setPageStep(visible.width());
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setRange(0, tall ? picture.height() - visible.height() : 0);
    verticalScrollBar()->setPageStep(visible.height());
    verticalScrollBar()->setSingleStep(20);
}

void ASPictureBox::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), Qt::white);
    if (m_picture.isNull())
        return;
    // Only the exposed part of the picture is drawn.
    const QPoint offset(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const QRect shown = event->rect() & QRect(-offset, m_picture.size());
    if (!shown.isEmpty())
        painter.drawImage(shown, m_picture, shown.translated(offset));
}

void ASPictureBox::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void ASPictureBox::scrollContentsBy(int, int)
{
    viewport()->update();
}

void ASPictureBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        Q_EMIT activated();
        return;
    }
    QAbstractScrollArea::mouseDoubleClickEvent(event);
}

void ASPictureBox::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Q_EMIT activated();
        return;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}
