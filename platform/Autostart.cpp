#include "Autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace platform::Autostart {

namespace {

const QLatin1String AutostartLevel("/autostart");

// The first absolute entry of a colon-separated list of folders.
QString firstAbsolute(const QString &list)
{
    const QStringList entries = list.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &entry : entries) {
        if (QDir::isAbsolutePath(entry))
            return QDir::cleanPath(entry);
    }
    return {};
}

// Escapes a value of type string of a desktop entry.
QString escapeString(const QString &value)
{
    QString escaped;
    escaped.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            escaped += QLatin1String("\\\\");
            break;
        case '\n':
            escaped += QLatin1String("\\n");
            break;
        case '\t':
            escaped += QLatin1String("\\t");
            break;
        case '\r':
            escaped += QLatin1String("\\r");
            break;
        default:
            escaped += c;
        }
    }
    // A leading blank would be taken for the blank after "=".
    if (escaped.startsWith(QLatin1Char(' ')))
        escaped.replace(0, 1, QLatin1String("\\s"));
    return escaped;
}

bool writeEntry(const QString &folder, const QString &fileName, const QByteArray &text)
{
    if (!QDir().mkpath(folder))
        return false;
    QSaveFile file(folder + QLatin1Char('/') + fileName);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(text) == text.size() && file.commit();
}

bool removeEntry(const QString &path)
{
    return !QFileInfo::exists(path) || QFile::remove(path);
}

} // namespace

Folders folders(const QProcessEnvironment &environment)
{
    QString machine = firstAbsolute(environment.value(QStringLiteral("XDG_CONFIG_DIRS")));
    if (machine.isEmpty())
        machine = QStringLiteral("/etc/xdg");

    QString user = environment.value(QStringLiteral("XDG_CONFIG_HOME"));
    if (!QDir::isAbsolutePath(user))
        user =
            environment.value(QStringLiteral("HOME"), QDir::homePath()) + QLatin1String("/.config");
    return {machine + AutostartLevel, QDir::cleanPath(user) + AutostartLevel};
}

Folders folders()
{
    return folders(QProcessEnvironment::systemEnvironment());
}

QString entryFileName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QLatin1Char('/')) || name.contains(QChar(0)))
        return {};
    return name + QLatin1String(".desktop");
}

QString execValue(const QString &command)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = command.isEmpty();
    for (const QChar c : command)
        needsQuotes = needsQuotes || reserved.contains(c);

    QString argument;
    if (needsQuotes) {
        argument = QStringLiteral("\"");
        for (const QChar c : command) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\'))
                argument += QLatin1Char('\\');
            argument += c;
        }
        argument += QLatin1Char('"');
    } else {
        argument = command;
    }
    argument.replace(QLatin1Char('%'), QLatin1String("%%"));
    return escapeString(argument);
}

QString entryText(const QString &name, const QString &command)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=%1\n"
                          "Comment=Starts %1 when you log in\n"
                          "Exec=%2\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(escapeString(name), execValue(command));
}

QString add(const QString &name, const QString &command, const Folders &where)
{
    const QString fileName = entryFileName(name);
    if (fileName.isEmpty())
        return {};
    const QByteArray text = entryText(name, command).toUtf8();
    if (writeEntry(where.machine, fileName, text)) {
        removeEntry(where.user + QLatin1Char('/') + fileName);
        return where.machine + QLatin1Char('/') + fileName;
    }
    if (writeEntry(where.user, fileName, text))
        return where.user + QLatin1Char('/') + fileName;
    return {};
}

bool remove(const QString &name, const Folders &where)
{
    const QString fileName = entryFileName(name);
    if (fileName.isEmpty())
        return true;
    const bool machineGone = removeEntry(where.machine + QLatin1Char('/') + fileName);
    const bool userGone = removeEntry(where.user + QLatin1Char('/') + fileName);
    return machineGone && userGone;
}

} // namespace platform::Autostart
