#include "FileProperties.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QUrl>

namespace FileProperties {

namespace {

// A file manager that is being started for the call may take a moment; one
// that hangs must not hold the window for long.
constexpr int ReplyTimeoutMs = 5000;

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
    const QDBusMessage reply = bus.call(call, QDBus::Block, ReplyTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace FileProperties
