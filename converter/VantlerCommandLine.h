#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <optional>

// Vantler's command line: `vantler [--quality N] BITMAP JPEG` converts
// without a window and without a display; with no file arguments the window
// opens as usual.
namespace VantlerCommandLine {

// Handles `arguments` (the first one is the program's name). Returns the exit
// code when the program should end now: 0 after --help, --version or a
// complete JPEG file, 1 when the conversion failed (one line on `err` naming
// the file and the reason), 2 for a command line that cannot be used.
// Returns nothing when the window should open. Needs a QCoreApplication.
std::optional<int> handle(const QStringList &arguments, const QString &programFolder,
                          QTextStream &out, QTextStream &err);

// The same for the process's own command line, with a short-lived
// QCoreApplication and the standard streams.
std::optional<int> run(int &argc, char **argv);

} // namespace VantlerCommandLine
