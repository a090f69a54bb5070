#pragma once

#include "ClipboardBackend.h"

#include <QElapsedTimer>

class QMimeData;

namespace platform {

// Qt's clipboard. On X11 (and XWayland) Qt learns of every new owner through
// XFixes; owners that do not answer and announcements still queued are
// handled here with the X selection itself. On Qt's other platforms (the
// offscreen one of the window tests) it is Qt's clipboard as it is.
class ClipboardX11 final : public ClipboardBackend
{
    Q_OBJECT
public:
    ClipboardX11();

    QString name() const override { return QStringLiteral("x11"); }
    QStringList formats() const override;
    QByteArray data(const QString &mimeType) const override;
    QString text() const override;
    void holdOffer() override;
    void clear() override;

private:
    const QMimeData *offer() const;
    void ownerChanged();

    quint32 m_pictureOwner = 0;             // the window whose offer is held
    mutable quint32 m_silentOwner = 0;      // an owner that offered nothing when asked
    quint32 m_announcedOwner = 0;           // the owner at the latest announcement
    mutable quint32 m_unannouncedOwner = 0; // an owner seen before its announcement
    mutable QElapsedTimer m_unannouncedSince;
};

} // namespace platform
