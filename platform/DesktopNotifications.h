#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

class QDBusMessage;
class QDBusPendingCallWatcher;

namespace platform {

// One desktop notification: what it says and which actions it offers.
struct Notice
{
    QString summary;
    QString body;        // plain text; marked up for the server where it reads markup
    QString imagePath;   // a picture file shown beside the text, or empty
    QStringList actions; // pairs of key and label, as the protocol lists them
    QString tag;         // the caller's own mark, given back with an action
};

// The desktop's notification bubble, through the freedesktop notification
// service (org.freedesktop.Notifications) on a bus.
//
// Only one notice is ever shown: each new one replaces the one still on the
// screen. Nothing here waits on the bus. While a call is on its way, a newer
// notice only takes the place of the one waiting behind it, so a burst of
// notices makes at most two calls, and the last one is what stays on the
// screen. Without a service on the bus the call fails and is forgotten.
class DesktopNotifications : public QObject
{
    Q_OBJECT
public:
    // appName and appIcon (an icon name or a file) go with every notice;
    // desktopEntry names the program's desktop entry, without ".desktop".
    DesktopNotifications(QString appName, QString appIcon, QString desktopEntry,
                         const QDBusConnection &bus = QDBusConnection::sessionBus(),
                         QObject *parent = nullptr);
    ~DesktopNotifications() override;

    // Shows the notice, in place of the one shown, as soon as the bus allows.
    void show(const Notice &notice);

    // Whether a call is on its way (the next notice waits behind it).
    bool busy() const;
    // The server's number of the notice on the screen; 0 for none.
    uint shownId() const { return m_shownId; }

Q_SIGNALS:
    // The user chose an action (by its key) of the notice on the screen,
    // the one with this tag; the server's "default" action is a click on
    // the notice itself.
    void actionInvoked(const QString &key, const QString &tag);

private Q_SLOTS:
    void onActionInvoked(uint id, const QString &key, const QDBusMessage &message);
    void onClosed(uint id, uint reason, const QDBusMessage &message);

private:
    void listen();
    void askCapabilities();
    void send(const Notice &notice);
    void finished(QDBusPendingCallWatcher *call);
    void sendWaiting();

    QString m_appName;
    QString m_appIcon;
    QString m_desktopEntry;
    QDBusConnection m_bus;
    bool m_listening = false;
    std::optional<bool> m_markup; // the server reads markup in the body; unknown until asked
    QDBusPendingCallWatcher *m_call = nullptr; // the call on its way
    std::optional<Notice> m_waiting;           // the newest notice behind it
    uint m_shownId = 0; // the server's number of the notice on the screen, 0 for none
    QString m_server;   // the unique bus name of the server that showed it
    QString m_sentTag;  // the tag of the notice sent last
};

} // namespace platform
