#include "Controls.h"

#include <QFontMetrics>
#include <QIcon>
#include <QLabel>

namespace Controls {

QPixmap svgPicture(const QString &resource, const QSize &size, qreal devicePixelRatio)
{
    return QIcon(resource).pixmap(size, devicePixelRatio);
}

void fitWidth(QLabel *label, int width)
{
    QFont font = label->font();
    while (QFontMetrics(font).horizontalAdvance(label->text()) > width && font.pointSizeF() > 6)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    label->setFont(font);
    label->resize(width, label->sizeHint().height());
}

void fitWrapped(QLabel *label, int maxHeight)
{
    const int width = label->width();
    QFont font = label->font();
    while (label->heightForWidth(width) > maxHeight && font.pointSizeF() > 6) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        label->setFont(font);
    }
    label->resize(width, qMax(label->height(), label->heightForWidth(width)));
}

} // namespace Controls
