#include "FileProperties.h"

#include "RunFilesAndFolder.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStringList>
#include <QUrl>

namespace FileProperties {

namespace {

Q_LOGGING_CATEGORY(lcProperties, "pictarro.properties")

// A file manager that is being started for the call may take a moment.
constexpr int ReplyTimeoutMs = 25000;

} // namespace

bool ShowProp(const QString &file)
{
    return ShowProp(file, QDBusConnection::sessionBus());
}

bool ShowProp(const QString &file, const QDBusConnection &bus)
{
    if (file.isEmpty() || !bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItemProperties"));
    call << QStringList{QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded)} << QString();
    // The reply is not waited for: a file manager that has to start first,
    // or one that hangs, never freezes the window. A refusal is logged.
    const QDBusPendingCall pending = bus.asyncCall(call, ReplyTimeoutMs);
    if (pending.isFinished() && pending.isError())
        return false;
    auto *watcher = new QDBusPendingCallWatcher(pending, QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [file](QDBusPendingCallWatcher *finished) {
                         if (finished->isError())
                             qCWarning(lcProperties, "no properties sheet for %s: %s",
                                       qPrintable(file), qPrintable(finished->error().message()));
                         finished->deleteLater();
                     });
    return true;
}

void ShowInFolder(const QString &file)
{
    ShowInFolder(file, QDBusConnection::sessionBus());
}

void ShowInFolder(const QString &file, const QDBusConnection &bus)
{
    if (file.isEmpty())
        return;
    const QString folder = QFileInfo(file).absolutePath();
    if (!bus.isConnected()) {
        RunFilesAndFolder::ShellOpen(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded)} << QString();
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, ReplyTimeoutMs),
                                                QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [folder](QDBusPendingCallWatcher *finished) {
                         if (finished->isError()) {
                             qCDebug(lcProperties, "no file manager shows %s (%s): opening it",
                                     qPrintable(folder), qPrintable(finished->error().message()));
                             RunFilesAndFolder::ShellOpen(folder);
                         }
                         finished->deleteLater();
                     });
}

} // namespace FileProperties
