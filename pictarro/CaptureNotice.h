#pragma once

#include <QObject>
#include <QString>

namespace platform {
class DesktopNotifications;
class SettingsStore;
struct Notice;
} // namespace platform

// The desktop notification that tells where a capture went, when the user
// asked for one: the file's name and picture, "Open" and "Show in folder".
// The setting is read at each capture; nothing is made before the first
// notification is sent.
class CaptureNotice : public QObject
{
    Q_OBJECT
public:
    CaptureNotice(const platform::SettingsStore &settings, QString programFolder,
                  QString userDataFolder, QObject *parent = nullptr);
    ~CaptureNotice() override;

    // What the notification of a capture written to this file says.
    static platform::Notice noticeFor(const QString &file);

public Q_SLOTS:
    // A capture was written completely to this file.
    void captured(const QString &file);

private:
    void act(const QString &key, const QString &file);
    QString appIcon() const;

    const platform::SettingsStore &m_settings;
    QString m_programFolder;
    QString m_userDataFolder;
    platform::DesktopNotifications *m_notifications = nullptr;
};
