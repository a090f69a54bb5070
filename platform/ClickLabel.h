#pragma once

#include <QLabel>

// A text or picture that acts when clicked: a pointing hand, a click, and
// Enter or Space when it has the keyboard focus. Screen readers meet it as
// a push button or a link that can be pressed; it is named by its text, or
// by its accessible name where it shows only a picture or the text alone
// would not say what it does.
class ClickLabel : public QLabel
{
    Q_OBJECT
public:
    // What a screen reader calls it.
    enum class Role
    {
        Button,
        Link,
    };

    explicit ClickLabel(const QString &text, QWidget *parent = nullptr);

    Role role() const { return m_role; }
    void setRole(Role role) { m_role = role; }

public Q_SLOTS:
    // Acts as a click does.
    void click();

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    Role m_role = Role::Button;
};
