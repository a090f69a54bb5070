#pragma once

#include <QString>

class QDBusConnection;

// The desktop's properties sheet of a file, shown by the file manager through
// its org.freedesktop.FileManager1 service.
namespace FileProperties {

// Asks the file manager on the session bus to show the file's properties,
// without waiting for its answer; false when the request could not be sent.
bool ShowProp(const QString &file);
bool ShowProp(const QString &file, const QDBusConnection &bus);

} // namespace FileProperties
