#include "ProgramInfo.h"

#include "Version.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <pwd.h>
#include <unistd.h>

namespace platform::ProgramInfo {

QString programFolder()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath());
}

bool isInstalled(const QString &programFolder)
{
    return QFileInfo(QDir(programFolder).filePath(QStringLiteral("installed"))).isFile();
}

QString desktopEntry()
{
    return QStringLiteral("com.tarnwellsoftware.Pictarro");
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

QString userName()
{
    const passwd *entry = getpwuid(getuid());
    return entry && entry->pw_name ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

} // namespace platform::ProgramInfo
