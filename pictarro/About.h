#pragma once

#include "SecondaryWindow.h"

#include <QPixmap>
#include <functional>

class QLabel;
class QPushButton;
class ClickLabel;

// Pictures and link looks shared by the about and appreciation windows.

// "About Pictarro": product, version, the user it runs for, the maker's
// links and the legal notice. The main window disables itself and shows this
// window; closing it (the close picture, Esc, or the title bar) enables the
// main window again, raises it and only hides this window, so the user name
// is looked up once, at the first opening.
//
// The window has no parent widget, so that disabling the main window leaves
// it usable; whoever creates it deletes it.
class About : public SecondaryWindow
{
    Q_OBJECT
public:
    using UserNameLookup = std::function<QString()>;

    explicit About(QWidget *mainWindow, UserNameLookup userName = defaultUserName());
    ~About() override;

    static UserNameLookup defaultUserName();

    // The load step: fills UserName with the login name. Runs once, when
    // the window is first shown.
    void Form_Load();

public Q_SLOTS:
    void CloseBox_Click();
    void Command1_Click();
    void Label1_Click();
    void Label6_Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();

    UserNameLookup m_userName;
    bool m_loaded = false;

    QLabel *UserName = nullptr;
    ClickLabel *Label1 = nullptr;
    ClickLabel *Label6 = nullptr;
    ClickLabel *CloseBox = nullptr;
    QPushButton *Command1 = nullptr;
};
