#include "ProgramInfo.h"

#include "Version.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
namespace platform::ProgramInfo {

QString programFolder()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath());
}

QString executableName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

QString version()
{
    return QStringLiteral(PICTARRO_VERSION);
}

int versionRevision()
{
    return PICTARRO_VERSION_REVISION;
}

QString applicationName()
{
    return QString::number(versionRevision());
}

QString userDataFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QLatin1String("/Pictarro");
    QDir().mkpath(folder);
    return folder;
}

} // namespace platform::ProgramInfo
