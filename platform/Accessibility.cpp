#include "Accessibility.h"

#include <QAccessibleWidget>
#include <QLabel>

namespace {

constexpr const char *DecorationProperty = "accessibleDecoration";

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

} // namespace

namespace Accessibility {

void hideDecoration(QLabel *picture)
{
    QAccessible::installFactory(decorationFactory); // once: Qt ignores a second install
    picture->setProperty(DecorationProperty, true);
    // With a screen reader running, Qt may already have made and kept the
    // label's ordinary interface; it gives way to the decoration's.
    QAccessibleInterface *known = QAccessible::queryAccessibleInterface(picture);
    if (known && !dynamic_cast<DecorationInterface *>(known))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(known));
}

} // namespace Accessibility
