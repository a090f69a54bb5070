#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <future>
#include <utility>

namespace platform {

// A saved capture as Pictarro offers it on the clipboard: the picture as
// image/png, perhaps the saved file in further formats, and a type of its
// own that tells the offer (and a clipboard manager's copy of all of it)
// from any other, so that it is never taken for a new capture.
//
// The PNG file may still be on its way (encoded on another thread, or read
// from the saved file when first asked for): bytes() waits for it. Shared
// between the window thread and the threads that send it.
class CaptureOffer
{
public:
    using Formats = QList<std::pair<QString, QByteArray>>;

    // The type that marks the offer; its data is a short word.
    static QString markerType();

    CaptureOffer(std::shared_future<QByteArray> png, Formats more);

    // image/png, the further formats in their order, then the marker.
    QStringList types() const;

    // The bytes of one of types(); empty for any other.
    QByteArray bytes(const QString &type) const;

    // Whether bytes() gives `type` at once, without waiting for the PNG file.
    bool ready(const QString &type) const;

private:
    std::shared_future<QByteArray> m_png;
    Formats m_more;
};

} // namespace platform
