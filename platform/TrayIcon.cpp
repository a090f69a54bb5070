#include "TrayIcon.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QList>
#include <QMenu>
#include <QSystemTrayIcon>

namespace platform {

namespace {
std::optional<bool> pretendAvailable;
QList<TrayIcon *> icons; // every icon, told when tests pretend otherwise

// The X11 notification area (the XEmbed system tray) is announced by the xcb
// platform plugin's native interface, which follows the tray's manager
// window; Qt's own tray icon listens to the same signal. Other platforms
// have no such signal.
QObject *x11TrayAnnouncer()
{
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    // QPlatformNativeInterface derives from QObject alone.
    auto *native = reinterpret_cast<QObject *>(qGuiApp->platformNativeInterface());
    if (!native || native->metaObject()->indexOfSignal("systemTrayWindowChanged(QScreen*)") < 0)
        return nullptr;
    return native;
}

// Whether Qt shows the icon as a StatusNotifierItem: it does wherever a
// StatusNotifier watcher is on the session bus.
bool statusNotifierShown()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() &&
           bus.interface()->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

int codeFor(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::DoubleClick:
        return TrayIcon::LeftDoubleClick;
    case QSystemTrayIcon::Trigger:
        // A StatusNotifier host asks the item to activate on its own gesture
        // (GNOME's AppIndicator extension on a double click, KDE on a click),
        // which Qt reports as a trigger: that is the double click here. On
        // the XEmbed tray a trigger is a single click, and a double click
        // follows it.
        return statusNotifierShown() ? TrayIcon::LeftDoubleClick : TrayIcon::MouseMove;
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

    // The notification area's comings and goings: the XEmbed tray on X11,
    // and the StatusNotifier host of KDE, GNOME's extensions and others on
    // the session bus.
    if (QObject *announcer = x11TrayAnnouncer())
        connect(announcer, SIGNAL(systemTrayWindowChanged(QScreen *)), this,
                SIGNAL(availabilityChanged()));
    if (QDBusConnection::sessionBus().isConnected()) {
        auto *watcher = new QDBusServiceWatcher(QStringLiteral("org.kde.StatusNotifierWatcher"),
                                                QDBusConnection::sessionBus(),
                                                QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                &TrayIcon::availabilityChanged);
    }
    icons.append(this);
}

TrayIcon::~TrayIcon()
{
    icons.removeOne(this);
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
    for (TrayIcon *icon : std::as_const(icons))
        Q_EMIT icon->availabilityChanged();
}

} // namespace platform
