#include "RunFilesAndFolder.h"

#include "ProgramInfo.h"
#include "ShellOpen.h"

namespace RunFilesAndFolder {

void ShellOpen(const QString &file, const QString &parameters, const QString &directory)
{
    Q_UNUSED(parameters);
    Q_UNUSED(directory);
    platform::shellOpen(file, platform::ProgramInfo::programFolder());
}

} // namespace RunFilesAndFolder
