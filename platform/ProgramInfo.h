#pragma once

#include <QString>

namespace platform {

// Facts about the running program that the platform supplies.
namespace ProgramInfo {

// The folder that holds the running program file, without a trailing
// separator except at the root.
QString programFolder();

// Whether the program in this folder was installed (`cmake --install` or the
// Debian package) rather than run from the build folder or a copy of it: the
// install step puts the file "installed" beside the programs, and nothing
// else does. An installed program folder belongs to the package, whoever can
// write it.
bool isInstalled(const QString &programFolder);

// The name of Pictarro's desktop entry and installed icon, without
// ".desktop" ("com.tarnwellsoftware.Pictarro").
QString desktopEntry();

// The file name of the running executable ("Pictarro").
QString executableName();

// The version as text ("1.4.1") and its third component (1).
QString version();
int versionRevision();

// The settings application name: the decimal text of the version revision.
QString applicationName();

// The per-user data folder that holds the program's own files
// ($XDG_DATA_HOME/Pictarro), created when missing.
QString userDataFolder();

// The login name of the user running the program, or an empty text when the
// system does not know it.
QString userName();

} // namespace ProgramInfo

} // namespace platform
