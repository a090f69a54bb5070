#pragma once

#include <QString>

// Launch at logon. The entry is written under the product name and removed
// under the name the caller gives; neither procedure reports anything to the
// user.
namespace StartUpModule {

// Registers the command to start at logon under the name.
void AddStartUpEntry(const QString &name, const QString &command);

// Removes the logon entry of that name, wherever it was written.
void RemoveStartUpEntry(const QString &name);

} // namespace StartUpModule
