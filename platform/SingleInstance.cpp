#include "SingleInstance.h"

#include <QDir>
#include <QStandardPaths>
#include <unistd.h>

namespace platform {

SingleInstance::SingleInstance(const QString &name) : m_lock(lockPath(name))
{
    // A live owner never lets its lock go stale; a dead one is detected by
    // QLockFile through its process id and removed.
    m_lock.setStaleLockTime(0);
    m_owned = m_lock.tryLock(0);
}

QString SingleInstance::lockPath(const QString &name)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) // no runtime folder: a shared one, so name the user
        return QDir::tempPath() + QLatin1Char('/') + name + QLatin1Char('-') +
               QString::number(getuid()) + QLatin1String(".lock");
    return folder + QLatin1Char('/') + name + QLatin1String(".lock");
}

} // namespace platform
