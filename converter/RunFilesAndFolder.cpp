#include "RunFilesAndFolder.h"

#include "ProgramInfo.h"
#include "ShellOpen.h"

namespace RunFilesAndFolder {

void ShellOpen(const QString &file, const QString &parameters, const QString &directory)
{
    Q_UNUSED(parameters);
    Q_UNUSED(directory);
    // The desktop opener takes no owner window: whatever it opens comes up
    // as a window of its own, in front of Vantler.
    platform::shellOpen(file, platform::ProgramInfo::programFolder());
}

} // namespace RunFilesAndFolder
