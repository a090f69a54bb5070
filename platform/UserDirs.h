#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace platform {

// The user's well-known folders as the XDG user-dirs file names them
// ($XDG_CONFIG_HOME/user-dirs.dirs, lines such as
// XDG_PICTURES_DIR="$HOME/Pictures"), read the way `xdg-user-dir` reads it:
// the last usable assignment counts, "$HOME" stands for the home folder, and a
// value in another form is no value.
namespace UserDirs {

// The pictures folder, or $HOME/Pictures when the file names none.
QString picturesFolder(const QProcessEnvironment &environment);
QString picturesFolder();

} // namespace UserDirs

} // namespace platform
