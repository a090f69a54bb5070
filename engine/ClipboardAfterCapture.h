#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

// What the clipboard holds once a capture is saved: nothing (as ever), the
// picture, or the picture and the saved file. The stored texts, and the
// formats the file is offered in beside the picture.
namespace ClipboardAfterCapture {

enum class Mode
{
    Empty,   // the clipboard is emptied
    Picture, // the picture stays to paste, as image/png
    File,    // the picture, and the file as a file list, a URI and its path
};

// "Empty", "Picture" or "File", as stored; anything else, a missing value
// included, reads as Empty.
Mode fromStored(const QString &stored);
QString stored(Mode mode);

// The file's file:// URI, every byte of the path outside the unreserved
// characters and "/" percent-encoded (UTF-8 first).
QByteArray fileUri(const QString &path);

// What File mode offers beside the picture, in this order: text/uri-list
// (the URI and CR LF), x-special/gnome-copied-files ("copy", LF, the URI),
// UTF8_STRING and text/plain;charset=utf-8 (the full path). `path` is
// absolute.
using Formats = QList<std::pair<QString, QByteArray>>;
Formats fileFormats(const QString &path);

} // namespace ClipboardAfterCapture
