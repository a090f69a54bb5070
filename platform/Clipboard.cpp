#include "Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace platform {

Clipboard::Clipboard(QObject *parent) : QObject(parent)
{
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &Clipboard::changed);
}

QString Clipboard::text() const
{
    return QGuiApplication::clipboard()->text(QClipboard::Clipboard);
}

QImage Clipboard::image() const
{
    return QGuiApplication::clipboard()->image(QClipboard::Clipboard);
}

bool Clipboard::offersPictureOnly() const
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    return data && data->hasImage() && !data->hasText();
}

void Clipboard::clear()
{
    QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
}

} // namespace platform
