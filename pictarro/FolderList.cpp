#include "FolderList.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>

namespace {

constexpr int PathRole = Qt::UserRole;

bool holds(const QString &root, const QString &folder)
{
    return root == QLatin1String("/")
               ? folder.startsWith(QLatin1Char('/'))
               : folder == root || folder.startsWith(root + QLatin1Char('/'));
}

} // namespace

FolderList::FolderList(QWidget *parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setIndentation(14);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *item) { openItem(item); });
}

bool FolderList::isReadableFolder(const QString &folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

QString FolderList::pathOf(const QTreeWidgetItem *item)
{
    return item ? item->data(0, PathRole).toString() : QString();
}

bool FolderList::setPath(const QString &folder, const QString &root)
{
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder) || !isReadableFolder(folder))
        return false;
    const QString cleanFolder = QDir::cleanPath(folder);
    QString cleanRoot = root.isEmpty() ? QString() : QDir::cleanPath(root);
    if (cleanRoot.isEmpty() || !holds(cleanRoot, cleanFolder))
        cleanRoot = QStringLiteral("/");

    const bool changed = cleanFolder != m_path;
    m_root = cleanRoot;
    m_path = cleanFolder;
    fill();
    if (changed)
        Q_EMIT pathChanged(m_path);
    return true;
}

void FolderList::refresh()
{
    if (!m_path.isEmpty())
        fill();
}

void FolderList::fill()
{
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);

    auto *rootItem = new QTreeWidgetItem(this, QStringList{m_root});
    rootItem->setData(0, PathRole, m_root);
    rootItem->setIcon(0, openIcon);
    QTreeWidgetItem *open = rootItem;
    const QString below = m_path.mid(m_root.size());
    QString walked = m_root;
    for (const QString &level : below.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        walked =
            walked.endsWith(QLatin1Char('/')) ? walked + level : walked + QLatin1Char('/') + level;
        open = new QTreeWidgetItem(open, QStringList{level});
        open->setData(0, PathRole, walked);
        open->setIcon(0, openIcon);
    }

    const QFileInfoList subfolders = QDir(m_path).entryInfoList(
        QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QFileInfo &subfolder : subfolders) {
        auto *item = new QTreeWidgetItem(open, QStringList{subfolder.fileName()});
        item->setData(0, PathRole, subfolder.absoluteFilePath());
        item->setIcon(0, closedIcon);
    }
    expandAll();
    setCurrentItem(open);
    scrollToItem(open);
}

void FolderList::openItem(QTreeWidgetItem *item)
{
    const QString folder = pathOf(item);
    if (!folder.isEmpty())
        setPath(folder);
}

void FolderList::keyPressEvent(QKeyEvent *event)
{
    // Enter opens the highlighted folder and goes no further, so it does not
    // also press the window's default button.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        openItem(currentItem());
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}
