#include "SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

namespace platform {

namespace {

// A settings file is a few hundred bytes; anything far larger is not ours.
constexpr qint64 MaxFileSize = 1 << 20;

QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\\')
            out += QLatin1String("\\\\");
        else if (c == u'\n')
            out += QLatin1String("\\n");
        else if (c == u'\r')
            out += QLatin1String("\\r");
        else
            out += c;
    }
    return out;
}

QString unescaped(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar next = text[++i];
        out += next == u'n' ? QChar(u'\n') : next == u'r' ? QChar(u'\r') : next;
    }
    return out;
}

} // namespace

SettingsStore::SettingsStore(QString filePath) : m_filePath(std::move(filePath))
{
    QFile file(m_filePath);
    if (file.size() <= MaxFileSize && file.open(QIODevice::ReadOnly))
        m_sections = parse(file.readAll());
}

QString SettingsStore::userFilePath(const QString &application)
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config + QLatin1String("/Pictarro/") + application + QLatin1String(".ini");
}

QString SettingsStore::value(const QString &section, const QString &key) const
{
    return m_sections.value(section).value(key);
}

bool SettingsStore::contains(const QString &section, const QString &key) const
{
    const auto it = m_sections.constFind(section);
    return it != m_sections.cend() && it->contains(key);
}

bool SettingsStore::setValue(const QString &section, const QString &key, const QString &value)
{
    auto &keys = m_sections[section];
    const auto it = keys.constFind(key);
    if (it != keys.cend() && *it == value)
        return true; // already on disk: nothing to write
    keys.insert(key, value);
    return write();
}

bool SettingsStore::write() const
{
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(serialize(m_sections));
    return file.commit();
}

QByteArray SettingsStore::serialize(const Sections &sections)
{
    QString text;
    for (auto s = sections.cbegin(); s != sections.cend(); ++s) {
        text += u'[' + s.key() + QLatin1String("]\n");
        for (auto k = s->cbegin(); k != s->cend(); ++k)
            text += k.key() + u'=' + escaped(k.value()) + u'\n';
        text += u'\n';
    }
    return text.toUtf8();
}

SettingsStore::Sections SettingsStore::parse(const QByteArray &bytes)
{
    // Binary noise (a NUL byte or bytes that are not UTF-8) is not a
    // settings file: read it as empty rather than guess at its contents.
    if (bytes.contains('\0'))
        return {};
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return {};

    Sections sections;
    QString section;
    bool inSection = false;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QStringView trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u';') || trimmed.startsWith(u'#'))
            continue;
        if (trimmed.startsWith(u'[') && trimmed.endsWith(u']')) {
            section = trimmed.mid(1, trimmed.size() - 2).trimmed().toString();
            inSection = true;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!inSection || eq <= 0)
            continue;
        // Values keep their blanks: they are stored exactly as given.
        sections[section].insert(line.left(eq).trimmed().toString(), unescaped(line.mid(eq + 1)));
    }
    return sections;
}

} // namespace platform
