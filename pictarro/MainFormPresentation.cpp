// The main window's presence on the desktop: shown, minimised to the
// taskbar or hidden behind the notification-area icon; the header strip's
// hover caption; the exit commands.
#include "ClickLabel.h"
#include "MainForm.h"
#include "MainFormLook.h"
#include "SettingsTable.h"
#include "Steps.h"
#include "TrayIcon.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QSlider>

using namespace MainFormLook;

bool MainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove) {
        // Moving the mouse over the slider stores the quality too.
        if (watched == Res)
            Res_Change();
        // The header buttons name their command; anywhere else the caption
        // goes back to the version. A button keeps the move to itself.
        const std::pair<QObject *, const QString *> buttons[] = {
            {TrayBox, &TrayCaption}, {MiniBox, &MiniCaption}, {CloseBox, &CloseCaption}};
        for (const auto &[button, caption] : buttons) {
            if (watched == button) {
                setHoverCaption(*caption);
                return true;
            }
        }
        if (watched == Frame1 || watched == Frame2)
            setHoverCaption(VersionCaption);
    }
    return QWidget::eventFilter(watched, event);
}

void MainForm::mouseMoveEvent(QMouseEvent *event)
{
    setHoverCaption(VersionCaption);
    QWidget::mouseMoveEvent(event);
}
// ------------------------------------------------------------ presentation

void MainForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        // Wrapped captions need height for the width they get; the window
        // opens large enough for all of them.
        const int width = qMax(this->width(), sizeHint().width());
        int height = qMax(this->height(), sizeHint().height());
        if (layout()->hasHeightForWidth())
            height = qMax(height, layout()->totalHeightForWidth(width));
        resize(width, height);
        setMinimumSize(qMin(width, minimumSizeHint().width()), height);
        JustForPass->setFocus();
    }
}

void MainForm::closeEvent(QCloseEvent *event)
{
    // Closing the window from its title bar ends the program, as the exit
    // commands do.
    event->accept();
    Form_Unload();
}

void MainForm::setHoverCaption(const QString &caption)
{
    if (ControlBoxTip->text() != caption)
        ControlBoxTip->setText(caption);
}

void MainForm::SetIconInTray()
{
    m_trayIcon->add();
}

void MainForm::RemoveIconFromTray()
{
    m_trayIcon->remove();
}

void MainForm::sendToNotificationArea(bool minimiseFirst)
{
    // A desktop without a notification area could never give a hidden
    // window back: there the window goes to the taskbar instead.
    if (!platform::TrayIcon::available()) {
        showMinimized();
        return;
    }
    if (minimiseFirst)
        setWindowState(windowState() | Qt::WindowMinimized);
    hide();
    SetIconInTray();
}

void MainForm::KeepReachable()
{
    // The notification area went away (its panel crashed or was removed)
    // while the window hid behind it: without this the program would run on
    // with no way back to it.
    if (m_trayIcon->isPresent() && !isVisible() && !platform::TrayIcon::available()) {
        RemoveIconFromTray();
        showMinimized();
    }
}

void MainForm::TrayBox_Click()
{
    sendToNotificationArea(true);
}

void MainForm::SysTrayMenu_Click()
{
    sendToNotificationArea(false);
}

void MainForm::MiniBox_Click()
{
    showMinimized();
}

void MainForm::Minitask_Click()
{
    showMinimized();
}

void MainForm::ShowPictarro_Click()
{
    lower();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    RemoveIconFromTray();
}

void MainForm::TrayIcon_Notify(int code)
{
    switch (code) {
    case platform::TrayIcon::LeftDoubleClick:
        attempt("normal state", [&] { setWindowState(windowState() & ~Qt::WindowMinimized); });
        attempt("show", [&] { show(); });
        attempt("focus", [&] {
            raise();
            activateWindow();
        });
        attempt("remove the icon", [&] { RemoveIconFromTray(); });
        break;
    case platform::TrayIcon::RightButtonUp:
        // The icon pops up SysMenu by itself, where the desktop draws it.
    default:
        break;
    }
    setHoverCaption(VersionCaption);
}

void MainForm::CloseBox_Click()
{
    Form_Unload();
}

void MainForm::Quit1_Click()
{
    Form_Unload();
}

void MainForm::ExitSys_Click()
{
    RemoveIconFromTray();
    Form_Unload();
}

void MainForm::MiniCheck_Click()
{
    store(Settings::Minimized, MiniCheck->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void MainForm::restoreFromNotificationArea()
{
    show();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    RemoveIconFromTray();
}
