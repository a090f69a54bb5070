#pragma once

#include <QImage>
#include <QObject>
#include <QString>

namespace platform {

// The system clipboard (never the X selection). Changes of owner are
// announced by changed(): on X11 they arrive through XFixes for every new
// owner, so nobody needs to poll.
class Clipboard : public QObject
{
    Q_OBJECT
public:
    explicit Clipboard(QObject *parent = nullptr);

    // The plain text on the clipboard (text/plain), or empty.
    QString text() const;

    // The picture on the clipboard, decoded, or a null image. Remembers who
    // offered it, so that clear() drops that offer and no later one.
    QImage image();

    // Cheap: whether the offered formats include a picture and no plain
    // text. Reads only the list of formats, which the platform caches per
    // owner, never the data itself.
    bool offersPictureOnly() const;

    // Empties the clipboard of all formats. After image(), only the offer
    // that picture came from is dropped: a newer one stays for its own turn.
    void clear();

Q_SIGNALS:
    void changed();

private:
    quint32 m_pictureOwner = 0; // X11: the window that offered the last picture read
};

} // namespace platform
