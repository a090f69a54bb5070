#include "ClipboardPicture.h"

#include <QClipboard>
#include <QGuiApplication>

namespace platform {

void offerPicture(const QImage &picture)
{
    QGuiApplication::clipboard()->setImage(picture, QClipboard::Clipboard);
}

} // namespace platform
