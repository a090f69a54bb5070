#pragma once

#include <QString>

namespace RunFilesAndFolder {

// Hands a file, folder or address to the desktop, fire and forget. Only the
// programs beside Pictarro are ever started; everything else is opened with
// the desktop's program for it. Parameters and folder are kept for the
// callers' sake and are always empty.
void ShellOpen(const QString &file, const QString &parameters = {}, const QString &directory = {});

} // namespace RunFilesAndFolder
