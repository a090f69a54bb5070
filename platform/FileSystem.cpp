#include "FileSystem.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool createFolderLevel(const QString &path)
{
    if (path.isEmpty())
        return false;
    return ::mkdir(QFile::encodeName(path).constData(), 0777) == 0;
}

bool isFolder(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool isWritableFolder(const QString &path)
{
    return isFolder(path) && ::access(QFile::encodeName(path).constData(), W_OK | X_OK) == 0;
}

} // namespace platform
