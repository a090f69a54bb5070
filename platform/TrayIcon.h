#pragma once

#include <QIcon>
#include <QObject>
#include <optional>

class QMenu;
class QSystemTrayIcon;

namespace platform {

// The program's icon in the desktop's notification area. Mouse activity on
// the icon arrives as the notification codes the main window acts on; the
// icon pops up its menu on the right button by itself.
class TrayIcon : public QObject
{
    Q_OBJECT
public:
    // Notification codes, as the window system's mouse messages number them.
    enum Code
    {
        MouseMove = 512,
        LeftDoubleClick = 515,
        RightButtonUp = 517,
    };

    TrayIcon(const QIcon &icon, const QString &tip, QMenu *menu, QObject *parent = nullptr);
    ~TrayIcon() override;

    void add();
    void remove();
    bool isPresent() const;
    QString tip() const;

    // Whether the desktop has a notification area at this moment. Tests may
    // pretend either way (which every icon announces as a change);
    // std::nullopt asks the desktop again.
    static bool available();
    static void setAvailableForTesting(std::optional<bool> available);

Q_SIGNALS:
    void notified(int code);
    // A notification area came or went: available() may answer otherwise
    // now. Announced by the desktop, never polled.
    void availabilityChanged();

private:
    QSystemTrayIcon *m_icon = nullptr;
    bool m_present = false;
};

} // namespace platform
