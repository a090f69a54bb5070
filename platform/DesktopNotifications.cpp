#include "DesktopNotifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLoggingCategory>
#include <QUrl>
#include <QVariantMap>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcNotify, "pictarro.notify")

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");

// A server that does not answer in this time is given up on; the newest
// notice waiting meanwhile goes next.
constexpr int ReplyTimeoutMs = 5000;

// The server's own choice of how long a notice stays.
constexpr int ServerDefaultTimeout = -1;

} // namespace

DesktopNotifications::DesktopNotifications(QString appName, QString appIcon, QString desktopEntry,
                                           const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_appName(std::move(appName)), m_appIcon(std::move(appIcon)),
      m_desktopEntry(std::move(desktopEntry)), m_bus(bus)
{
}

DesktopNotifications::~DesktopNotifications() = default;

bool DesktopNotifications::busy() const
{
    return m_call != nullptr;
}

void DesktopNotifications::show(const Notice &notice)
{
    if (m_call) {
        m_waiting = notice;
        return;
    }
    if (!m_bus.isConnected())
        return;
    listen();
    if (!m_markup) {
        m_waiting = notice;
        askCapabilities();
        return;
    }
    send(notice);
}

void DesktopNotifications::listen()
{
    if (m_listening)
        return;
    // Matched by path and interface alone: naming the service would make Qt
    // look its owner up with a call that blocks. Each signal is checked
    // against the server that answered the last notice instead.
    m_listening = true;
    if (!m_bus.connect(QString(), Path, Interface, QStringLiteral("ActionInvoked"), this,
                       SLOT(onActionInvoked(uint, QString, QDBusMessage))) ||
        !m_bus.connect(QString(), Path, Interface, QStringLiteral("NotificationClosed"), this,
                       SLOT(onClosed(uint, uint, QDBusMessage))))
        qCWarning(lcNotify, "the notifications' actions cannot be followed");
}

void DesktopNotifications::askCapabilities()
{
    const QDBusMessage call =
        QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("GetCapabilities"));
    m_call = new QDBusPendingCallWatcher(m_bus.asyncCall(call, ReplyTimeoutMs), this);
    connect(m_call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<QStringList> reply = *w;
        if (reply.isError()) {
            // No server: the notice is dropped, and the next one asks again.
            qCDebug(lcNotify, "no notification server: %s", qPrintable(reply.error().message()));
            m_waiting.reset();
        } else {
            m_markup = reply.value().contains(QLatin1String("body-markup"));
        }
        finished(w);
    });
}

void DesktopNotifications::send(const Notice &notice)
{
    QVariantMap hints;
    if (!notice.imagePath.isEmpty())
        hints.insert(QStringLiteral("image-path"),
                     QUrl::fromLocalFile(notice.imagePath).toString(QUrl::FullyEncoded));
    if (!m_desktopEntry.isEmpty())
        hints.insert(QStringLiteral("desktop-entry"), m_desktopEntry);

    QDBusMessage call =
        QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    call << m_appName << m_shownId << m_appIcon << notice.summary
         << (m_markup.value_or(false) ? notice.body.toHtmlEscaped() : notice.body) << notice.actions
         << hints << ServerDefaultTimeout;
    m_sentTag = notice.tag;
    m_call = new QDBusPendingCallWatcher(m_bus.asyncCall(call, ReplyTimeoutMs), this);
    connect(m_call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError()) {
            qCDebug(lcNotify, "notice not shown: %s", qPrintable(reply.error().message()));
            m_shownId = 0;
            // The server may have gone: the next notice asks what it reads.
            if (reply.error().type() == QDBusError::ServiceUnknown)
                m_markup.reset();
        } else {
            m_shownId = reply.value();
            m_server = reply.reply().service();
        }
        finished(w);
    });
}

void DesktopNotifications::finished(QDBusPendingCallWatcher *call)
{
    call->deleteLater();
    if (call == m_call)
        m_call = nullptr;
    sendWaiting();
}

void DesktopNotifications::sendWaiting()
{
    if (!m_waiting)
        return;
    const Notice next = *m_waiting;
    m_waiting.reset();
    show(next);
}

void DesktopNotifications::onActionInvoked(uint id, const QString &key, const QDBusMessage &message)
{
    if (id != 0 && id == m_shownId && message.service() == m_server)
        Q_EMIT actionInvoked(key, m_sentTag);
}

void DesktopNotifications::onClosed(uint id, uint reason, const QDBusMessage &message)
{
    Q_UNUSED(reason);
    if (id != 0 && id == m_shownId && message.service() == m_server)
        m_shownId = 0;
}

} // namespace platform
