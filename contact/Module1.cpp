#include "Module1.h"

#include "ProgramInfo.h"
#include "ShellOpen.h"
#include "TarnwellSoftware.h"

namespace Module1 {

QString mailLink()
{
    return TarnwellSoftware::supportMailLink();
}

void OpenMailLink()
{
    platform::shellOpen(mailLink(), platform::ProgramInfo::programFolder());
}

} // namespace Module1
