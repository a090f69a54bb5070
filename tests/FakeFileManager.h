#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDeadlineTimer>
#include <QMutex>
#include <QProcess>
#include <QStringList>
#include <QThread>
#include <csignal>
#include <sys/prctl.h>

// The desktop's file manager as seen over the bus: remembers every request,
// properties sheets and folders shown apart; may refuse to show folders.
class FileManagerService : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QList<QStringList> requests() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_requests;
    }
    QList<QStringList> shown() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_shown;
    }
    void refuseToShow(bool refuse)
    {
        const QMutexLocker lock(&m_mutex);
        m_refuse = refuse;
    }

public Q_SLOTS:
    void ShowItemProperties(const QStringList &uris, const QString &startupId)
    {
        const QMutexLocker lock(&m_mutex);
        m_requests << (QStringList(uris) << startupId);
    }
    void ShowItems(const QStringList &uris, const QString &startupId)
    {
        const QMutexLocker lock(&m_mutex);
        if (m_refuse) {
            sendErrorReply(QDBusError::Failed, QStringLiteral("no window to show it in"));
            return;
        }
        m_shown << (QStringList(uris) << startupId);
    }

private:
    mutable QMutex m_mutex;
    QList<QStringList> m_requests;
    QList<QStringList> m_shown;
    bool m_refuse = false;
};

// A private session bus for the test process, with a stand-in file manager
// answering on a connection and thread of its own, so that a blocking call
// from the test's thread is served. Start it before anything uses the
// session bus; or join a bus that is there.
class FakeFileManager
{
public:
    FakeFileManager() = default;
    FakeFileManager(const FakeFileManager &) = delete;
    FakeFileManager &operator=(const FakeFileManager &) = delete;
    ~FakeFileManager()
    {
        QDBusConnection::disconnectFromBus(Connection);
        m_thread.quit();
        m_thread.wait();
        m_bus.kill();
        m_bus.waitForFinished();
    }

    // Empty when the bus and the service are up, or what failed.
    QString start()
    {
        // The bus ends with the test process, even one that crashes.
        m_bus.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_bus.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"),
                     QStringLiteral("--print-address=1")});
        if (!m_bus.waitForStarted())
            return QStringLiteral("dbus-daemon does not start");
        const QDeadlineTimer deadline(10000);
        while (!m_bus.canReadLine() && !deadline.hasExpired())
            m_bus.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
        const QByteArray address = m_bus.readLine().trimmed();
        if (address.isEmpty())
            return QStringLiteral("dbus-daemon gave no address");
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        return join(QString::fromLatin1(address));
    }

    // The stand-in file manager alone, on a bus that is already there.
    QString join(const QString &address)
    {
        m_address = address;
        auto *service = new FileManagerService;
        m_service = service;
        service->moveToThread(&m_thread);
        QObject::connect(&m_thread, &QThread::finished, service, &QObject::deleteLater);
        m_thread.start();
        QDBusConnection bus = QDBusConnection::connectToBus(address, Connection);
        if (!bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), service,
                                QDBusConnection::ExportAllSlots) ||
            !bus.registerService(QStringLiteral("org.freedesktop.FileManager1")))
            return QStringLiteral("the stand-in file manager is not on the bus");
        return {};
    }

    QList<QStringList> requests() const
    {
        return m_service ? m_service->requests() : QList<QStringList>();
    }
    // ShowItems requests: the URIs and the start-up id.
    QList<QStringList> shown() const
    {
        return m_service ? m_service->shown() : QList<QStringList>();
    }
    void refuseToShow(bool refuse)
    {
        if (m_service)
            m_service->refuseToShow(refuse);
    }
    QString address() const { return m_address; }

private:
    inline static const QString Connection = QStringLiteral("fake file manager");
    QProcess m_bus;
    QThread m_thread;
    FileManagerService *m_service = nullptr;
    QString m_address;
};
