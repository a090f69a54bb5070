#include "Art.h"

#include <QLabel>

namespace Art {

QIcon icon(const QString &name)
{
    return QIcon(QStringLiteral(":/pictarro/%1.svg").arg(name));
}

QPixmap picture(const QString &name, const QSize &size, qreal devicePixelRatio)
{
    return icon(name).pixmap(size, devicePixelRatio);
}

void styleAsLink(QLabel *label)
{
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Link));
    label->setPalette(palette);
}

} // namespace Art
