#pragma once

#include <QString>

// Vantler's own copy of the desktop-open procedure.
namespace RunFilesAndFolder {

// Hands a file to the desktop, which opens it with the program it
// associates with it; fire and forget, nothing reported. A program file is
// started only when it lies beside Vantler. Parameters and folder are kept
// for the callers' sake and are always empty.
void ShellOpen(const QString &file, const QString &parameters = {}, const QString &directory = {});

} // namespace RunFilesAndFolder
