#include "Accessibility.h"

#include <QAccessibleWidget>
#include <QLabel>

namespace {

constexpr const char *DecorationProperty = "accessibleDecoration";
constexpr const char *WindowProperty = "accessibleWindow";

// A decorative picture: present in the tree, as every child widget is, but
// never showing, so that screen readers skip it in every mode.
class DecorationInterface : public QAccessibleWidget
{
public:
    explicit DecorationInterface(QWidget *picture)
        : QAccessibleWidget(picture, QAccessible::Graphic)
    {
    }

    QString text(QAccessible::Text) const override { return {}; }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.invisible = true;
        return state;
    }
};

QAccessibleInterface *decorationFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("QLabel") && object &&
        object->property(DecorationProperty).toBool())
        return new DecorationInterface(static_cast<QWidget *>(object));
    return nullptr;
}

QAccessibleInterface *windowFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("QWidget") && object &&
        object->property(WindowProperty).toBool())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

// With a screen reader running, Qt may already have made and kept the
// widget's ordinary interface; it gives way to the one asked for. Without
// one, no interface is made before it is asked for.
template <typename Ours> void forgetOrdinaryInterface(QWidget *widget, Ours ours)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleInterface *known = QAccessible::queryAccessibleInterface(widget);
    if (known && !ours(known))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(known));
}

} // namespace

namespace Accessibility {

void presentAsWindow(QWidget *window)
{
    QAccessible::installFactory(windowFactory); // once: Qt ignores a second install
    window->setProperty(WindowProperty, true);
    forgetOrdinaryInterface(
        window, [](QAccessibleInterface *known) { return known->role() == QAccessible::Window; });
}

void hideDecoration(QLabel *picture)
{
    QAccessible::installFactory(decorationFactory); // once: Qt ignores a second install
    picture->setProperty(DecorationProperty, true);
    forgetOrdinaryInterface(picture, [](QAccessibleInterface *known) {
        return dynamic_cast<DecorationInterface *>(known) != nullptr;
    });
}

} // namespace Accessibility
