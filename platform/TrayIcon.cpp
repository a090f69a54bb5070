#include "TrayIcon.h"

#include <QMenu>
#include <QSystemTrayIcon>

namespace platform {

namespace {
std::optional<bool> pretendAvailable;

int codeFor(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::DoubleClick:
        return TrayIcon::LeftDoubleClick;
    case QSystemTrayIcon::Context:
        return TrayIcon::RightButtonUp;
    default:
        return TrayIcon::MouseMove;
    }
}
} // namespace

TrayIcon::TrayIcon(const QIcon &icon, const QString &tip, QMenu *menu, QObject *parent)
    : QObject(parent), m_icon(new QSystemTrayIcon(icon, this))
{
    m_icon->setToolTip(tip);
    m_icon->setContextMenu(menu);
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { Q_EMIT notified(codeFor(reason)); });
}

TrayIcon::~TrayIcon()
{
    remove();
}

void TrayIcon::add()
{
    m_present = true;
    m_icon->show();
}

void TrayIcon::remove()
{
    m_present = false;
    m_icon->hide();
}

bool TrayIcon::isPresent() const
{
    return m_present;
}

QString TrayIcon::tip() const
{
    return m_icon->toolTip();
}

bool TrayIcon::available()
{
    return pretendAvailable.value_or(QSystemTrayIcon::isSystemTrayAvailable());
}

void TrayIcon::setAvailableForTesting(std::optional<bool> available)
{
    pretendAvailable = available;
}

} // namespace platform
