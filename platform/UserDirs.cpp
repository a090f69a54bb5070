#include "UserDirs.h"

#include <QDir>
#include <QFile>

namespace platform::UserDirs {

namespace {

// The value of a line `NAME="value"` with the shell's backslash escapes
// undone, or a null text when the line is not such an assignment of NAME.
QString assignedValue(const QString &line, const QString &name)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(name + QLatin1String("=\"")) || !trimmed.endsWith(QLatin1Char('"')) ||
        trimmed.size() < name.size() + 3)
        return {};
    const QString quoted = trimmed.mid(name.size() + 2, trimmed.size() - name.size() - 3);
    QString value;
    value.reserve(quoted.size());
    for (qsizetype i = 0; i < quoted.size(); ++i) {
        QChar c = quoted.at(i);
        if (c == QLatin1Char('\\') && i + 1 < quoted.size())
            c = quoted.at(++i);
        else if (c == QLatin1Char('"'))
            return {}; // an unescaped quote inside: not the supported form
        value += c;
    }
    return value;
}

// "$HOME/yyy" or "/yyy"; anything else is not a usable value.
QString expandedPath(const QString &value, const QString &home)
{
    const QLatin1String homeVariable("$HOME");
    if (value.startsWith(homeVariable)) {
        const QString rest = value.mid(homeVariable.size());
        if (!rest.isEmpty() && !rest.startsWith(QLatin1Char('/')))
            return {};
        return QDir::cleanPath(home + rest);
    }
    if (value.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(value);
    return {};
}

} // namespace

QString picturesFolder(const QProcessEnvironment &environment)
{
    const QString home = environment.value(QStringLiteral("HOME"), QDir::homePath());
    QString configHome = environment.value(QStringLiteral("XDG_CONFIG_HOME"));
    if (configHome.isEmpty())
        configHome = home + QLatin1String("/.config");

    QString pictures;
    QFile file(configHome + QLatin1String("/user-dirs.dirs"));
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        for (const QString &line : lines) {
            const QString value = assignedValue(line, QStringLiteral("XDG_PICTURES_DIR"));
            if (value.isNull())
                continue;
            if (const QString path = expandedPath(value, home); !path.isEmpty())
                pictures = path;
        }
    }
    return pictures.isEmpty() ? QDir::cleanPath(home + QLatin1String("/Pictures")) : pictures;
}

QString picturesFolder()
{
    return picturesFolder(QProcessEnvironment::systemEnvironment());
}

} // namespace platform::UserDirs
