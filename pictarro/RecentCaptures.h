#pragma once

#include <QCache>
#include <QIcon>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>

class QAction;
class QMenu;

// "Recent Captures" and "Open Last Capture" in the notification-area menu:
// the newest captures of the capture folder, each with a small picture of
// it, read from the folder each time the menu is about to show. Nothing is
// watched and nothing runs while the menu is closed. The pictures are made
// on another thread and kept for files that have not changed since.
class RecentCaptures : public QObject
{
    Q_OBJECT
public:
    static constexpr int Count = 10;
    static constexpr int ThumbnailSize = 64;

    // Adds both items to the menu after the given item; folder() names the
    // capture folder at the moment the menu is about to show.
    RecentCaptures(QMenu &menu, QAction *after, std::function<QString()> folder,
                   QObject *parent = nullptr);
    ~RecentCaptures() override;

    // Reads the folder afresh into the submenu.
    void refresh();

Q_SIGNALS:
    // Pictures of captures arrived and are shown in the submenu.
    void thumbnailsShown();

private:
    struct Thumbnail
    {
        QString key;
        QImage picture;
    };
    static QString keyFor(const QString &path);
    static QList<Thumbnail> makeThumbnails(const QList<QPair<QString, QString>> &wanted);
    void makeMissing(const QList<QPair<QString, QString>> &wanted);
    void show(const QList<Thumbnail> &made);
    void openLast();

    std::function<QString()> m_folder;
    QMenu *m_recent = nullptr;
    QAction *m_openLast = nullptr;
    QCache<QString, QIcon> m_thumbnails; // by path, time and size of the file
    QSet<QString> m_making;              // keys of the pictures on their way
};
