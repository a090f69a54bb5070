#pragma once

#include <QLatin1String>
#include <QWidget>
#include <utility>

// Windows build their controls with this: a widget owned by its parent and
// known by its control name, so handlers and tests find it by that name.
template <typename Widget, typename... Args>
Widget *named(const char *name, QWidget *parent, Args &&...args)
{
    auto *widget = new Widget(std::forward<Args>(args)..., parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}
