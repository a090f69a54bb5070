#include "SecondaryWindow.h"

SecondaryWindow::SecondaryWindow(QWidget *mainWindow) : m_mainWindow(mainWindow)
{
}

void SecondaryWindow::reject()
{
    closeWindow();
}

void SecondaryWindow::closeWindow()
{
    if (m_mainWindow) {
        m_mainWindow->setEnabled(true);
        m_mainWindow->raise();
        m_mainWindow->activateWindow();
    }
    QDialog::reject();
}
