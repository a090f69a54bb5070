#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <memory>

namespace platform {

// The two keys that put a picture of the screen on the clipboard.
enum class ScreenKey
{
    PrintScreen,    // the whole screen
    AltPrintScreen, // the active window
};

// The name of a key as the user reads it: "PrintScreen", "Alt+PrintScreen".
QString screenKeyName(ScreenKey key);

// Takes PrintScreen and Alt+PrintScreen on an X display, as passive grabs on
// the root window, where no other program holds them. A key another program
// holds (its grab fails with BadAccess) is left to that program entirely.
// NumLock, CapsLock and ScrollLock do not stand in the way: each key is
// grabbed with every combination of them. The grabs go when the grabber is
// destroyed, and with the connection when the process ends however it ends.
//
// It keeps an X connection of its own, watched by a socket notifier: it
// wakes only when a key is pressed or the keyboard mapping changes (then it
// grabs again for the new mapping). Where Qt does not run on X (Wayland, the
// offscreen platform) it grabs nothing, and
// neither in a Wayland session, whose compositor gives these keys to its own
// screenshot tool and never to an X client's grab.
class KeyGrabber : public QObject
{
    Q_OBJECT
public:
    explicit KeyGrabber(QObject *parent = nullptr);
    ~KeyGrabber() override;

    // Whether there is an X display to grab the keys on.
    bool available() const;

    // Grabs both keys (again). Returns the keys that another program holds
    // (both where there is no X display).
    QList<ScreenKey> grab();

    // The keys held now.
    QList<ScreenKey> taken() const;

Q_SIGNALS:
    void pressed(platform::ScreenKey key);

private:
    void readEvents();

    struct X;
    std::unique_ptr<X> m_x;
};

} // namespace platform
