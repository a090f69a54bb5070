#pragma once

#include <QString>

namespace platform {

// Creates the last level of the path with default permissions. Fails, and
// reports nothing, when the parent is missing or the folder already exists.
bool createFolderLevel(const QString &path);

// True when the path names an existing folder.
bool isFolder(const QString &path);

} // namespace platform
