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

// The program's folder followed by "/Captured Screens".
QString defaultFolder(const QString &programFolder);

// "Open: [ " + folder + " ]"
QString openCaption(const QString &folder);

} // namespace CaptureNaming
