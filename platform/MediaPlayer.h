#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QSoundEffect;

namespace platform {

// Plays the capture sound. Driven like a media device: a file name, then the
// commands "close", "open" and "play". "open" on an empty or unreadable file
// fails quietly and the following "play" is silent. "play" returns at once.
class MediaPlayer : public QObject
{
    Q_OBJECT
public:
    explicit MediaPlayer(QObject *parent = nullptr);
    ~MediaPlayer() override;

    QString fileName() const { return m_fileName; }
    void setFileName(const QString &fileName) { m_fileName = fileName; }

    // Carries out "close", "open" or "play"; other commands are ignored.
    void command(const QString &command);

    // Whether the device is open on a readable file; for tests.
    bool isOpen() const { return m_open; }

Q_SIGNALS:
    // Emitted for each "play" that reaches the sound device.
    void played(const QString &fileName);

private:
    QString m_fileName;
    bool m_open = false;
    std::unique_ptr<QSoundEffect> m_effect; // made on the first "open" of a real file
};

} // namespace platform
