#pragma once

#include <QString>

class QDBusConnection;

// The desktop's properties sheet of a file, and the file shown in its folder,
// by the file manager through its org.freedesktop.FileManager1 service.
namespace FileProperties {

// Asks the file manager on the session bus to show the file's properties,
// without waiting for its answer; false when the request could not be sent.
bool ShowProp(const QString &file);
bool ShowProp(const QString &file, const QDBusConnection &bus);

// Asks the file manager to open the file's folder with the file selected,
// without waiting for its answer. Where no file manager answers on the bus,
// or it refuses, the folder is opened with the desktop's opener instead.
void ShowInFolder(const QString &file);
void ShowInFolder(const QString &file, const QDBusConnection &bus);

} // namespace FileProperties
