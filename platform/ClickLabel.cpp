#include "ClickLabel.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace {

// The label as a screen reader meets it: a push button or a link, named by
// its text unless it has a name of its own, with the press action.
class ClickLabelInterface : public QAccessibleWidget
{
public:
    explicit ClickLabelInterface(ClickLabel *label) : QAccessibleWidget(label, QAccessible::Button)
    {
    }

    ClickLabel *label() const { return static_cast<ClickLabel *>(widget()); }

    QAccessible::Role role() const override
    {
        return label()->role() == ClickLabel::Role::Link ? QAccessible::Link : QAccessible::Button;
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name) {
            const QString name = label()->accessibleName();
            return name.isEmpty() ? label()->text() : name;
        }
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        if (!label()->isEnabled())
            return QAccessibleWidget::actionNames();
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    QStringList keyBindingsForAction(const QString &action) const override
    {
        if (action == pressAction())
            return {QKeySequence(Qt::Key_Return).toString(),
                    QKeySequence(Qt::Key_Space).toString()};
        return QAccessibleWidget::keyBindingsForAction(action);
    }

    void doAction(const QString &action) override
    {
        if (action == pressAction() && label()->isEnabled())
            label()->click();
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface *clickLabelFactory(const QString &className, QObject *object)
{
    if (className != QLatin1String("ClickLabel"))
        return nullptr;
    auto *label = qobject_cast<ClickLabel *>(object);
    return label ? new ClickLabelInterface(label) : nullptr;
}

} // namespace

// The text is set once this is a ClickLabel: with a screen reader running,
// the label's first announcement makes the interface Qt keeps for it.
ClickLabel::ClickLabel(const QString &text, QWidget *parent) : QLabel(parent)
{
    QAccessible::installFactory(clickLabelFactory); // once: Qt ignores a second install
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setText(text);
}

void ClickLabel::click()
{
    Q_EMIT clicked();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        click();
    QLabel::mouseReleaseEvent(event);
}

void ClickLabel::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        click();
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}

void ClickLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    // The focus is marked as on the window's buttons: once the keyboard has
    // moved it, never after a click.
    if (!hasFocus())
        return;
    QStyleOptionFocusRect option;
    option.initFrom(this);
    if (!(option.state & QStyle::State_KeyboardFocusChange))
        return;
    option.backgroundColor = palette().color(backgroundRole());
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}
