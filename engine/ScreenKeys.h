#pragma once

#include "KeyGrabber.h"

#include <QObject>
#include <memory>

class CaptureEngine;

namespace platform {
class ScreenGrabber;
}

// PrintScreen and Alt+PrintScreen where the desktop leaves them to us (an
// X display, keys no other program holds): the whole screen or the active
// window is taken as a picture. With capturing on, the capture engine saves
// it at once, as any clipboard picture; otherwise it goes on the clipboard,
// to be pasted or saved once capturing is switched on.
class ScreenKeys : public QObject
{
    Q_OBJECT
public:
    explicit ScreenKeys(CaptureEngine &engine, QObject *parent = nullptr);
    ~ScreenKeys() override;

    // Takes the keys; says once on standard error which ones another
    // program holds.
    void start();

    // Takes a picture as the key would, and hands it on.
    void press(platform::ScreenKey key);

private:
    CaptureEngine &m_engine;
    platform::KeyGrabber *m_keys = nullptr;
    std::unique_ptr<platform::ScreenGrabber> m_screen;
};
