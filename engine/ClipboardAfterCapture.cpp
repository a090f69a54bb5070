#include "ClipboardAfterCapture.h"

namespace ClipboardAfterCapture {

Mode fromStored(const QString &stored)
{
    if (stored == QLatin1String("Picture"))
        return Mode::Picture;
    if (stored == QLatin1String("File"))
        return Mode::File;
    return Mode::Empty;
}

QString stored(Mode mode)
{
    switch (mode) {
    case Mode::Picture:
        return QStringLiteral("Picture");
    case Mode::File:
        return QStringLiteral("File");
    case Mode::Empty:
        break;
    }
    return QStringLiteral("Empty");
}

QByteArray fileUri(const QString &path)
{
    // RFC 3986's unreserved characters and the path's slashes stay as they
    // are; file managers decode every other escape alike.
    return "file://" + path.toUtf8().toPercentEncoding("/");
}

Formats fileFormats(const QString &path)
{
    const QByteArray uri = fileUri(path);
    const QByteArray text = path.toUtf8();
    return {{QStringLiteral("text/uri-list"), uri + "\r\n"},
            {QStringLiteral("x-special/gnome-copied-files"), "copy\n" + uri},
            {QStringLiteral("UTF8_STRING"), text},
            {QStringLiteral("text/plain;charset=utf-8"), text}};
}

} // namespace ClipboardAfterCapture
