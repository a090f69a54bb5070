#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <memory>

namespace platform {

class XConnection;

// Pictures of what an X screen shows, pixel for pixel, other programs'
// windows included: the whole root window (every monitor), or the active
// window with the frame its window manager draws around it.
//
// The picture is read from the X server in strips of a few megabytes into
// one image of width × height × 4 bytes: a 3840×2160 screen never needs
// more than the picture and two strips.
class ScreenGrabber
{
public:
    // Pictures larger than this many bytes are refused.
    static constexpr qint64 MaxPictureBytes = qint64(1024) * 1024 * 1024;

    struct Picture
    {
        QImage image;  // Format_RGB32 (or RGB16 on a 16-bit screen); null on failure
        QString error; // why there is none
    };

    ScreenGrabber();
    ~ScreenGrabber();

    // The whole screen.
    Picture screen();

    // The active window as the window manager says (_NET_ACTIVE_WINDOW),
    // with its frame; without a window manager, the top-level window that
    // has the input focus. With no window active, the whole screen.
    Picture activeWindow();

    // Where on the screen activeWindow() would read (for tests and
    // messages); empty when no window is active.
    QRect activeWindowRect();

private:
    Picture area(const QRect &rect);

    std::unique_ptr<XConnection> m_x;
};

} // namespace platform
