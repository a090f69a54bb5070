#include "RecentCaptures.h"

#include "CaptureList.h"
#include "RunFilesAndFolder.h"

#include <QAction>
#include <QDateTime>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QImageReader>
#include <QMenu>
#include <QPixmap>
#include <QPromise>
#include <QThreadPool>
#include <memory>

namespace {

// A file name as a menu item's text: "&" would mark a shortcut key.
QString itemText(const QString &path)
{
    QString text = QFileInfo(path).fileName();
    text.replace(QLatin1Char('&'), QLatin1String("&&"));
    return text;
}

void openCapture(const QString &path)
{
    // A capture deleted since the menu was filled opens nothing.
    if (QFileInfo::exists(path))
        RunFilesAndFolder::ShellOpen(path);
}

const char *const KeyProperty = "thumbnailKey";

// The largest picture a menu picture is made of: 64 megapixels, 256 MB
// decoded, more than an 8K screen. A larger file (or one whose size cannot
// be told) is listed without one, rather than held whole in memory.
constexpr qint64 MaxSourcePixels = qint64{64} << 20;

} // namespace

RecentCaptures::RecentCaptures(QMenu &menu, QAction *after, std::function<QString()> folder,
                               QObject *parent)
    : QObject(parent), m_folder(std::move(folder)), m_thumbnails(4 * Count)
{
    setObjectName(QStringLiteral("RecentCapturesList"));
    m_recent = new QMenu(QStringLiteral("Recent Captures"), &menu);
    m_recent->setObjectName(QStringLiteral("RecentCaptures"));
    m_openLast = new QAction(QStringLiteral("Open Last Capture"), &menu);
    m_openLast->setObjectName(QStringLiteral("OpenLastCapture"));

    // Insert both right after the given item.
    const QList<QAction *> items = menu.actions();
    const qsizetype at = items.indexOf(after);
    QAction *before = at >= 0 && at + 1 < items.size() ? items.at(at + 1) : nullptr;
    menu.insertMenu(before, m_recent)->setObjectName(QStringLiteral("RecentCapturesItem"));
    menu.insertAction(before, m_openLast);

    connect(&menu, &QMenu::aboutToShow, this, &RecentCaptures::refresh);
    connect(m_recent, &QMenu::aboutToShow, this, &RecentCaptures::refresh);
    connect(m_openLast, &QAction::triggered, this, &RecentCaptures::openLast);
}

RecentCaptures::~RecentCaptures() = default;

QString RecentCaptures::keyFor(const QString &path)
{
    const QFileInfo info(path);
    return path + QLatin1Char('\n') + QString::number(info.lastModified().toMSecsSinceEpoch()) +
           QLatin1Char('\n') + QString::number(info.size());
}

void RecentCaptures::refresh()
{
    const QStringList paths = CaptureList::newestIn(m_folder(), Count);
    m_recent->clear();
    QList<QPair<QString, QString>> wanted; // key and path of each picture to make
    for (const QString &path : paths) {
        QAction *item = m_recent->addAction(itemText(path));
        const QString key = keyFor(path);
        item->setData(path);
        item->setProperty(KeyProperty, key);
        if (const QIcon *icon = m_thumbnails.object(key))
            item->setIcon(*icon);
        else if (!m_making.contains(key))
            wanted.append({key, path});
        connect(item, &QAction::triggered, this, [path] { openCapture(path); });
    }
    m_recent->setEnabled(!paths.isEmpty());
    m_openLast->setEnabled(!paths.isEmpty());
    if (!wanted.isEmpty())
        makeMissing(wanted);
}

QList<RecentCaptures::Thumbnail>
RecentCaptures::makeThumbnails(const QList<QPair<QString, QString>> &wanted)
{
    QList<Thumbnail> made;
    for (const auto &[key, path] : wanted) {
        QImageReader reader(path);
        const QSize size = reader.size();
        if (!size.isValid() || qint64{size.width()} * size.height() > MaxSourcePixels) {
            made.append({key, QImage()});
            continue;
        }
        const QSize box(ThumbnailSize, ThumbnailSize);
        // JPEG decodes straight to the small size; other formats are
        // scaled by the reader after decoding.
        if (size.width() > box.width() || size.height() > box.height())
            reader.setScaledSize(size.scaled(box, Qt::KeepAspectRatio).expandedTo({1, 1}));
        QImage picture = reader.read();
        if (!picture.isNull() && (picture.width() > box.width() || picture.height() > box.height()))
            picture = picture.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        made.append({key, picture});
    }
    return made;
}

void RecentCaptures::makeMissing(const QList<QPair<QString, QString>> &wanted)
{
    for (const auto &item : wanted)
        m_making.insert(item.first);
    // The task holds nothing of this object: a menu gone before it ends
    // just never hears of it.
    auto promise = std::make_shared<QPromise<QList<Thumbnail>>>();
    auto *watcher = new QFutureWatcher<QList<Thumbnail>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        if (watcher->future().resultCount() > 0)
            show(watcher->future().result());
        watcher->deleteLater();
    });
    watcher->setFuture(promise->future());
    promise->start();
    QThreadPool::globalInstance()->start([promise, wanted] {
        promise->addResult(makeThumbnails(wanted));
        promise->finish();
    });
}

void RecentCaptures::show(const QList<Thumbnail> &made)
{
    for (const Thumbnail &thumbnail : made) {
        m_making.remove(thumbnail.key);
        // A file that is no picture keeps an empty icon: it is not read again.
        m_thumbnails.insert(thumbnail.key,
                            new QIcon(thumbnail.picture.isNull()
                                          ? QIcon()
                                          : QIcon(QPixmap::fromImage(thumbnail.picture))));
    }
    const QList<QAction *> items = m_recent->actions();
    for (QAction *item : items) {
        if (const QIcon *icon = m_thumbnails.object(item->property(KeyProperty).toString()))
            item->setIcon(*icon);
    }
    Q_EMIT thumbnailsShown();
}

void RecentCaptures::openLast()
{
    const QStringList newest = CaptureList::newestIn(m_folder(), 1);
    if (!newest.isEmpty())
        openCapture(newest.first());
}
