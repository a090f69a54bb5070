#pragma once

#include <QMap>
#include <QString>

namespace platform {

// A per-user string store addressed by section and key, kept in one INI file
// per application name. A missing key reads as the empty string. Every write
// reaches the disk at once, atomically (temporary file + rename); a missing,
// unreadable or garbled file reads as empty.
class SettingsStore
{
public:
    explicit SettingsStore(QString filePath);

    // The store of the given application name for the current user:
    // $XDG_CONFIG_HOME/Pictarro/<application>.ini
    static QString userFilePath(const QString &application);

    QString value(const QString &section, const QString &key) const;
    bool contains(const QString &section, const QString &key) const;

    // Stores the value; returns false when the file could not be written
    // (the value is still kept for this session).
    bool setValue(const QString &section, const QString &key, const QString &value);

    const QString &filePath() const { return m_filePath; }

private:
    // The INI text the store writes, and the reading of such a text;
    // parse() returns an empty map for anything that is not text.
    using Sections = QMap<QString, QMap<QString, QString>>;
    static QByteArray serialize(const Sections &sections);
    static Sections parse(const QByteArray &bytes);

    bool write() const;

    QString m_filePath;
    Sections m_sections;
};

} // namespace platform
