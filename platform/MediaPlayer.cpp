#include "MediaPlayer.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace platform {

MediaPlayer::MediaPlayer(QObject *parent) : QObject(parent)
{
}

MediaPlayer::~MediaPlayer() = default;

void MediaPlayer::command(const QString &command)
{
    if (command == QLatin1String("close")) {
        if (m_effect)
            m_effect->stop();
        m_open = false;
    } else if (command == QLatin1String("open")) {
        const QFileInfo info(m_fileName);
        m_open = !m_fileName.isEmpty() && info.isFile() && info.isReadable();
        if (!m_open)
            return;
        if (!m_effect)
            m_effect = std::make_unique<QSoundEffect>();
        // The same source keeps its decoded sample, so repeated captures do
        // not load the file again.
        m_effect->setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
    } else if (command == QLatin1String("play")) {
        if (!m_open || !m_effect)
            return;
        m_effect->play();
        Q_EMIT played(m_fileName);
    }
}

} // namespace platform
