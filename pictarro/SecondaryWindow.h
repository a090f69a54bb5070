#pragma once

#include <QDialog>

// A window that the main window opens while it disables itself. Closing it
// in any way (its own close commands, Esc, the title bar) enables the main
// window again, brings it to the front and hides this window, which is kept
// for the next opening.
//
// It has no parent widget, so that disabling the main window does not
// disable it too; whoever creates it deletes it.
class SecondaryWindow : public QDialog
{
    Q_OBJECT
public:
    explicit SecondaryWindow(QWidget *mainWindow);

public Q_SLOTS:
    // Esc and the title bar's close button.
    void reject() override;

protected:
    void closeWindow();

private:
    QWidget *m_mainWindow;
};
