#pragma once

#include "ClipboardBackend.h"

#include <QElapsedTimer>
#include <memory>

class QMimeData;

namespace platform {

class ClipboardManagerX11;
struct HandedOver;
class ClipboardTakeover;
class SelectionReaderX11;

// Qt's clipboard. On X11 (and XWayland) Qt learns of every new owner through
// XFixes; owners that do not answer and announcements still queued are
// handled here with the X selection itself. On Qt's other platforms (the
// offscreen one of the window tests) it is Qt's clipboard as it is.
//
// On X11 it also runs the clipboard manager (ClipboardManagerX11.h): what a
// program hands over as it quits is offered on the clipboard by Pictarro,
// and read here straight from memory.
class ClipboardX11 final : public ClipboardBackend
{
    Q_OBJECT
public:
    // How the clipboard is emptied: its owner dropped, or, where the window
    // manager is mutter's, taken over with an empty offer (ClipboardTakeover.h).
    // Beside data-control, which empties the Wayland side itself, the owner
    // is only dropped.
    enum class Emptying
    {
        DropOwner,
        TakeOverUnderMutter,
    };
    explicit ClipboardX11(Emptying emptying = Emptying::DropOwner);
    ~ClipboardX11() override;

    QString name() const override { return QStringLiteral("x11"); }
    QStringList formats() const override;
    QByteArray data(const QString &mimeType) const override;
    QString text() const override;
    void holdOffer() override;
    bool transfersEndOnChange() const override { return true; }
    Question beginAsk() override;
    void endAsk(bool answered) override;
    Transfer beginRead(const QString &mimeType) override;
    QByteArray endRead(std::optional<QByteArray> bytes) override;
    void clear() override;
    void offerCapture(std::shared_ptr<const CaptureOffer> offer, bool inPlaceOfHeld) override;

private:
    const QMimeData *offer() const;
    void ownerChanged();
    void dropOffer(quint32 pictureOwner);
    const QMimeData *keptOffer() const;
    void dropHeld();

    std::unique_ptr<ClipboardManagerX11> m_manager;
    std::shared_ptr<const HandedOver> m_keptHeld;           // what the manager keeps, when held
    mutable std::shared_ptr<const HandedOver> m_keptShown;  // what m_keptOffer holds
    mutable std::shared_ptr<const HandedOver> m_servedKept; // the last read, when kept
    mutable std::unique_ptr<QMimeData> m_keptOffer;

    bool takesOver() const;

    std::unique_ptr<ClipboardTakeover> m_takeover; // on X11: counts changes, empties
    std::unique_ptr<SelectionReaderX11> m_reader;  // on X11: reads other programs' pictures
    bool m_mayTakeOver = false;                    // under mutter, when asked for
    quint64 m_heldChanges = 0;                     // its count of changes at holdOffer()

    quint32 m_pictureOwner = 0;             // the window whose offer is held
    quint32 m_doubtfulOwner = 0;            // an owner that took over while it was read
    size_t m_doubtfulBytes = 0;             // the hash of what was read then
    mutable quint32 m_silentOwner = 0;      // an owner that offered nothing when asked
    mutable quint32 m_refusedOwner = 0;     // an owner whose picture was no picture,
    mutable QString m_refusedType;          // of this type: not asked for it again
    quint32 m_announcedOwner = 0;           // the owner at the latest announcement
    mutable quint32 m_unannouncedOwner = 0; // an owner seen before its announcement
    mutable QElapsedTimer m_unannouncedSince;
    quint64 m_ownerChanges = 0;  // counts announcements
    quint32 m_answeredOwner = 0; // the owner that answered beginAsk()
    quint32 m_askedOwner = 0;    // the owner asked, between beginAsk() and endAsk()
    quint64 m_askedChanges = 0;  // m_ownerChanges then

    // The read under way, between beginRead() and endRead().
    struct Read
    {
        std::shared_ptr<const HandedOver> servedKept; // the manager's copy, when read
        quint64 changes = 0;                          // m_ownerChanges when it began
        quint32 owner = 0;                            // the owner asked by the reader
        bool byReader = false;
        QString type;
    };
    Read m_read;
};

} // namespace platform
