#include "SupportModule.h"

#include "RunFilesAndFolder.h"
#include "TarnwellSoftware.h"

namespace SupportModule {

void OpenProductPage()
{
    RunFilesAndFolder::ShellOpen(TarnwellSoftware::ProductPage);
}

void MailSupport()
{
    RunFilesAndFolder::ShellOpen(TarnwellSoftware::supportMailLink());
}

} // namespace SupportModule
