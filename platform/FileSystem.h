#pragma once

#include <QString>

namespace platform {

// Creates the last level of the path with default permissions. Fails, and
// reports nothing, when the parent is missing or the folder already exists.
bool createFolderLevel(const QString &path);

// True when the path names an existing folder.
bool isFolder(const QString &path);

// True when the user may create files in the folder: it exists, and neither
// its permissions nor a read-only file system stop a write.
bool isWritableFolder(const QString &path);

} // namespace platform
