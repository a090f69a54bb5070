#include "FileSystem.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

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

} // namespace platform
