#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QMutex>
#include <QSet>
#include <QStringList>
#include <QThread>
#include <QVariantMap>

// One Notify call as the server received it, and the number it answered.
struct NotifyCall
{
    QString appName;
    uint replacesId = 0;
    QString appIcon;
    QString summary;
    QString body;
    QStringList actions;
    QVariantMap hints;
    uint id = 0;
};

// The desktop's notification server as seen over the bus: remembers every
// notification, keeps its number while it is replaced, and may hold its
// answers back, as a busy desktop does.
class NotificationService : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    explicit NotificationService(QString connection) : m_connection(std::move(connection)) {}

    QList<NotifyCall> calls() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_calls;
    }
    // The notifications on the screen.
    QSet<uint> open() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_open;
    }
    // Answers wait until released; releasing answers all that waited.
    void holdAnswers(bool hold)
    {
        QList<QDBusMessage> answers;
        {
            const QMutexLocker lock(&m_mutex);
            m_hold = hold;
            if (!hold)
                answers.swap(m_held);
        }
        for (const QDBusMessage &answer : std::as_const(answers))
            QDBusConnection(m_connection).send(answer);
    }
    int heldAnswers() const
    {
        const QMutexLocker lock(&m_mutex);
        return static_cast<int>(m_held.size());
    }
    // The user pressed an action, or closed the notification.
    void invoke(uint id, const QString &key)
    {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
        signal << id << key;
        QDBusConnection(m_connection).send(signal);
    }
    void dismiss(uint id)
    {
        {
            const QMutexLocker lock(&m_mutex);
            m_open.remove(id);
        }
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("NotificationClosed"));
        signal << id << 2u; // dismissed by the user
        QDBusConnection(m_connection).send(signal);
    }

public Q_SLOTS:
    QStringList GetCapabilities()
    {
        return {QStringLiteral("actions"), QStringLiteral("body"), QStringLiteral("body-markup")};
    }
    uint Notify(const QString &appName, uint replacesId, const QString &appIcon,
                const QString &summary, const QString &body, const QStringList &actions,
                const QVariantMap &hints, int timeout)
    {
        Q_UNUSED(timeout);
        const QMutexLocker lock(&m_mutex);
        const uint id = m_open.contains(replacesId) ? replacesId : ++m_last;
        m_open.insert(id);
        m_calls.append({appName, replacesId, appIcon, summary, body, actions, hints, id});
        if (m_hold) {
            setDelayedReply(true);
            m_held << message().createReply(id);
        }
        return id;
    }
    void CloseNotification(uint id) { dismiss(id); }

private:
    QString m_connection;
    mutable QMutex m_mutex;
    QList<NotifyCall> m_calls;
    QSet<uint> m_open;
    uint m_last = 0;
    bool m_hold = false;
    QList<QDBusMessage> m_held;
};

// The server on a bus, on a connection and thread of its own, while it lives.
class FakeNotifications
{
public:
    FakeNotifications() = default;
    FakeNotifications(const FakeNotifications &) = delete;
    FakeNotifications &operator=(const FakeNotifications &) = delete;
    ~FakeNotifications()
    {
        if (m_service)
            m_service->holdAnswers(false);
        QDBusConnection::disconnectFromBus(Connection);
        m_thread.quit();
        m_thread.wait();
    }

    // Empty when the server is on the bus, or what failed.
    QString start(const QString &address)
    {
        auto *service = new NotificationService(Connection);
        m_service = service;
        service->moveToThread(&m_thread);
        QObject::connect(&m_thread, &QThread::finished, service, &QObject::deleteLater);
        m_thread.start();
        QDBusConnection bus = QDBusConnection::connectToBus(address, Connection);
        if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), service,
                                QDBusConnection::ExportAllSlots) ||
            !bus.registerService(QStringLiteral("org.freedesktop.Notifications")))
            return QStringLiteral("the stand-in notification server is not on the bus");
        return {};
    }

    NotificationService *service() const { return m_service; }

private:
    inline static const QString Connection = QStringLiteral("fake notifications");
    QThread m_thread;
    NotificationService *m_service = nullptr;
};
