#pragma once

#include <QLatin1String>
#include <QPixmap>
#include <QRect>
#include <QWidget>
#include <utility>

class QLabel;

// Helpers the windows build their controls with.

// A widget owned by its parent and known by its control name, so handlers
// and tests find it by that name.
template <typename Widget, typename... Args>
Widget *named(const char *name, QWidget *parent, Args &&...args)
{
    auto *widget = new Widget(std::forward<Args>(args)..., parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

namespace Controls {

// Windows laid out in twips: 15 twips to a pixel at 96 dots per inch.
constexpr int pixels(int twips)
{
    return twips / 15;
}

inline QRect twips(int x, int y, int width, int height)
{
    return {pixels(x), pixels(y), pixels(width), pixels(height)};
}

// A picture of an SVG resource, drawn for the screen's pixel ratio so it
// stays sharp at any scaling.
QPixmap svgPicture(const QString &resource, const QSize &size, qreal devicePixelRatio);

// Makes the label's type smaller until its text fits the width (fonts other
// than the one a layout was drawn for may run wider), then sizes the label.
void fitWidth(QLabel *label, int width);

// For a word-wrapped label: makes its type smaller until its text fits the
// label's width in at most maxHeight, then makes the label as tall as the
// text needs (never shorter than it was drawn).
void fitWrapped(QLabel *label, int maxHeight);

} // namespace Controls
