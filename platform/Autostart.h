#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace platform {

// Start at logon through XDG autostart entries: a desktop entry
// "<name>.desktop" in an autostart folder. The machine-wide folder serves
// every user; the per-user folder stands in when the machine-wide one cannot
// be written, so a registered program always has an entry somewhere.
namespace Autostart {

struct Folders
{
    QString machine; // first entry of $XDG_CONFIG_DIRS (default /etc/xdg) + "/autostart"
    QString user;    // $XDG_CONFIG_HOME (default ~/.config) + "/autostart"
};

// The two autostart folders as the given environment names them. Relative
// entries of the XDG variables are ignored, as the base directory rules say.
Folders folders(const QProcessEnvironment &environment);
Folders folders();

// The file name of the entry for a name ("Pictarro" -> "Pictarro.desktop"),
// or an empty text when the name cannot be a file name (empty, "." or "..",
// or holding a slash or a NUL).
QString entryFileName(const QString &name);

// The command as the Exec key's value: one argument, quoted when it holds a
// reserved character, "%" doubled, and escaped as a desktop-entry string.
QString execValue(const QString &command);

// The whole text of the entry that starts the command at logon.
QString entryText(const QString &name, const QString &command);

// Writes the entry, atomically, into the machine-wide folder, or into the
// per-user folder when the machine-wide one cannot be written. An entry of
// the same name in the per-user folder would hide a machine-wide one, so a
// machine-wide write removes it. Returns the path written, or an empty text
// when neither folder could be written.
QString add(const QString &name, const QString &command, const Folders &where = folders());

// Removes the entry of that name from both folders. True when no entry of
// that name is left in either.
bool remove(const QString &name, const Folders &where = folders());

} // namespace Autostart

} // namespace platform
