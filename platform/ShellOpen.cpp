#include "ShellOpen.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace platform {

namespace {

bool isAddress(const QString &file)
{
    static const char *const schemes[] = {"http://", "https://", "mailto:"};
    for (const char *scheme : schemes) {
        if (file.startsWith(QLatin1String(scheme), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// A native program: a regular executable file that starts with the ELF
// magic. Scripts and data files with an execute bit are not programs here.
bool isProgramFile(const QFileInfo &info)
{
    if (!info.isFile() || !info.isExecutable())
        return false;
    QFile file(info.filePath());
    return file.open(QIODevice::ReadOnly) && file.read(4) == QByteArray("\x7f"
                                                                        "ELF",
                                                                        4);
}

ShellLauncher *installedLauncher = nullptr;

} // namespace

ShellAction shellActionFor(const QString &file, const QString &programFolder)
{
    if (file.trimmed().isEmpty())
        return {};
    if (isAddress(file))
        return {ShellAction::Open, {}, QUrl(file, QUrl::TolerantMode)};

    const QFileInfo info(QDir::current(), file);
    const QString folder = QFileInfo(programFolder).canonicalFilePath();
    if (!folder.isEmpty() && info.canonicalPath() == folder && isProgramFile(info))
        return {ShellAction::Start, info.canonicalFilePath(), {}};
    return {ShellAction::Open, {}, QUrl::fromLocalFile(info.absoluteFilePath())};
}

bool ShellLauncher::startDetached(const QString &program, const QString &workingFolder)
{
    return QProcess::startDetached(program, {}, workingFolder);
}

bool ShellLauncher::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

ShellLauncher &ShellLauncher::instance()
{
    static ShellLauncher desktop;
    return installedLauncher ? *installedLauncher : desktop;
}

void ShellLauncher::setInstance(ShellLauncher *launcher)
{
    installedLauncher = launcher;
}

void shellOpen(const QString &file, const QString &programFolder)
{
    const ShellAction action = shellActionFor(file, programFolder);
    ShellLauncher &launcher = ShellLauncher::instance();
    switch (action.kind) {
    case ShellAction::Start:
        launcher.startDetached(action.program, QFileInfo(action.program).path());
        break;
    case ShellAction::Open:
        launcher.openUrl(action.url);
        break;
    case ShellAction::Nothing:
        break;
    }
}

} // namespace platform
