#pragma once

#include "SecondaryWindow.h"

class QLineEdit;
class QPushButton;
class ClickLabel;

// "I Like Pictarro": what a satisfied user can do, with links to write to
// support, tell a friend, rate Pictarro on the software portal, and the
// donation address to copy. The main window disables itself while it is
// open; closing it (the close picture, Esc, or the title bar) enables the
// main window again, raises it and only hides this window.
class ForScreenCapture : public SecondaryWindow
{
    Q_OBJECT
public:
    explicit ForScreenCapture(QWidget *mainWindow);
    ~ForScreenCapture() override;

    // Opens a new message in the user's mail program, addressed as
    // MailComposer::composeMailAddress() builds it. The body is escaped in
    // place.
    void ComposeMail(const QString &recipient, const QString &subject, QString &body,
                     const QString &copy, const QString &blindCopy, const QString &attachment);

public Q_SLOTS:
    void Command1_Click();
    void Image11_Click();
    void Image1_Click();
    void Label4_Click();
    void Label6_Click();
    void Label8_Click();

private:
    void buildControls();

    ClickLabel *Label4 = nullptr;
    ClickLabel *Label6 = nullptr;
    ClickLabel *Label8 = nullptr;
    ClickLabel *Image1 = nullptr;
    ClickLabel *Image11 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr;
};
