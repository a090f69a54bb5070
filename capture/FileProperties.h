#pragma once

#include <QString>

class QDBusConnection;

// The desktop's properties sheet of a file, shown by the file manager through
// its org.freedesktop.FileManager1 service.
namespace FileProperties {

// Asks the file manager on the session bus to show the file's properties;
// true when it accepted the request.
bool ShowProp(const QString &file);
bool ShowProp(const QString &file, const QDBusConnection &bus);

} // namespace FileProperties
