#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

class QLabel;

// Pictarro's own artwork, drawn as SVG and compiled into the program, so it
// stays sharp at any scaling.
namespace Art {

// "pictarro", "tray", "about/banner": a picture of art/<name>.svg.
QIcon icon(const QString &name);
QPixmap picture(const QString &name, const QSize &size, qreal devicePixelRatio);

// Underlined, in the palette's link colour: a label that opens something.
void styleAsLink(QLabel *label);

} // namespace Art
