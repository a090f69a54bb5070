#include "StartUpModule.h"

#include "Autostart.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcStartUp, "pictarro.startup", QtWarningMsg)

namespace StartUpModule {

void AddStartUpEntry(const QString &name, const QString &command)
{
    const platform::Autostart::Folders folders = platform::Autostart::folders();
    if (platform::Autostart::add(name, command, folders).isEmpty())
        qCWarning(lcStartUp, "could not write the logon entry \"%s\" in %s or in %s",
                  qUtf8Printable(name), qUtf8Printable(folders.machine),
                  qUtf8Printable(folders.user));
}

void RemoveStartUpEntry(const QString &name)
{
    const platform::Autostart::Folders folders = platform::Autostart::folders();
    if (!platform::Autostart::remove(name, folders))
        qCWarning(lcStartUp, "could not remove the logon entry \"%s\" from %s or %s",
                  qUtf8Printable(name), qUtf8Printable(folders.machine),
                  qUtf8Printable(folders.user));
}

} // namespace StartUpModule
