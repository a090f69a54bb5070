#include "ScreenKeys.h"

#include "CaptureEngine.h"
#include "ClipboardPicture.h"
#include "ScreenGrabber.h"

#include <QStringList>

ScreenKeys::ScreenKeys(CaptureEngine &engine, QObject *parent)
    : QObject(parent), m_engine(engine), m_keys(new platform::KeyGrabber(this))
{
    setObjectName(QStringLiteral("ScreenKeys"));
    connect(m_keys, &platform::KeyGrabber::pressed, this, &ScreenKeys::press);
}

ScreenKeys::~ScreenKeys() = default;

void ScreenKeys::start()
{
    if (!m_keys->available())
        return;
    const QList<platform::ScreenKey> refused = m_keys->grab();
    if (refused.isEmpty())
        return;
    QStringList names;
    for (const platform::ScreenKey key : refused)
        names << platform::screenKeyName(key);
    // Said once: the desktop's own screenshot tool has the key, as it should.
    qWarning("Pictarro: another program already takes %s; Pictarro leaves %s to it and saves "
             "what it copies.",
             qPrintable(names.join(QLatin1String(" and "))),
             refused.size() == 1 ? "that key" : "those keys");
}

void ScreenKeys::press(platform::ScreenKey key)
{
    if (!m_screen)
        m_screen = std::make_unique<platform::ScreenGrabber>();
    const platform::ScreenGrabber::Picture picture =
        key == platform::ScreenKey::PrintScreen ? m_screen->screen() : m_screen->activeWindow();
    if (picture.image.isNull()) {
        qWarning("Pictarro could not take a picture for %s: %s",
                 qPrintable(platform::screenKeyName(key)), qPrintable(picture.error));
        return;
    }
    if (!m_engine.takePicture(picture.image))
        platform::offerPicture(picture.image);
}
