#pragma once

#include <QString>
#include <QTreeWidget>

// A classic folder list: the open folder with the folders above it up to the
// list's root, each one level further in, and below it the open folder's
// subfolders. A double click or Enter opens the highlighted folder; a single
// click only highlights it.
class FolderList : public QTreeWidget
{
    Q_OBJECT
public:
    explicit FolderList(QWidget *parent = nullptr);

    // The open folder.
    QString path() const { return m_path; }
    QString root() const { return m_root; }

    // Opens the folder, listed from the root down (from "/" when the root
    // does not hold it). A folder that is missing or cannot be read fails
    // and leaves the list as it was.
    bool setPath(const QString &folder, const QString &root);
    // The same, keeping the current root.
    bool setPath(const QString &folder) { return setPath(folder, m_root); }

    // Reads the open folder's subfolders again.
    void refresh();

    // The path of a listed folder.
    static QString pathOf(const QTreeWidgetItem *item);

    static bool isReadableFolder(const QString &folder);

Q_SIGNALS:
    // The open folder has changed.
    void pathChanged(const QString &folder);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void openItem(QTreeWidgetItem *item);
    void fill();

    QString m_root;
    QString m_path;
};
