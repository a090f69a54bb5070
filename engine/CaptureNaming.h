#pragma once

#include <QString>

// How capture files and the capture folder are named.
namespace CaptureNaming {

enum class Format
{
    Bitmap,
    Jpeg,
    Png
};

// folder + "/" + base name + " " + counter + ".bmp", ".jpg" or ".png". One separator
// is always inserted, whatever the folder ends with.
QString captureFile(const QString &folder, const QString &baseName, const QString &counter,
                    Format format);

// Whether the name that captureFile() puts into the folder stays a plain
// file name there: no separator (a counter read from a damaged store could
// hold one) and no NUL.
bool isPlainFileName(const QString &baseName, const QString &counter);

// Whether a text can name a capture folder: an absolute path without NUL.
// A relative one would depend on the folder the program was started from.
bool isFolderPath(const QString &folder);

// The default capture folder: "Captured Screens" beside the program when the
// program's folder may hold it, else inside the user's pictures folder.
QString defaultFolder(const QString &programFolder, bool besideProgram,
                      const QString &picturesFolder);

// The same for the running user. The program's folder may hold the captures
// when it is a portable copy (a build folder, an unpacked copy of one) that
// the user can write; an installed program's folder never does, not even
// for root, who can write it. Both facts and the pictures folder of the XDG
// user dirs are looked up once per program folder and kept for the life of
// the process (the capture folder timer asks every millisecond). A missing
// pictures folder is created, so the one level "Captured Screens" can be
// made inside it.
QString defaultFolder(const QString &programFolder);

// "Open: [ " + folder + " ]"
QString openCaption(const QString &folder);

} // namespace CaptureNaming
