#include "import/FolderTreeModel.h"

#include <QDir>
#include <QFileIconProvider>

namespace {
constexpr int ListedRole = Qt::UserRole + 2;
}

FolderTreeModel::FolderTreeModel(const QStringList &roots, QObject *parent) : QStandardItemModel(parent)
{
    for (const QString &root : roots)
        appendRow(entry(QDir::toNativeSeparators(root), root));
}

QStandardItem *FolderTreeModel::entry(const QString &name, const QString &path) const
{
    static const QIcon folder = QFileIconProvider().icon(QFileIconProvider::Folder);
    auto *item = new QStandardItem(folder, name);
    item->setEditable(false);
    item->setData(path, PathRole);
    item->setToolTip(QDir::toNativeSeparators(path));
    // An empty child until the folder is read, so that it can be opened.
    item->appendRow(new QStandardItem);
    return item;
}

void FolderTreeModel::fill(const QModelIndex &index)
{
    QStandardItem *item = itemFromIndex(index);
    if (!item || item->data(ListedRole).toBool())
        return;
    item->setData(true, ListedRole);
    const QString path = item->data(PathRole).toString();
    const QStringList names =
        QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    QList<QStandardItem *> children;
    children.reserve(names.size());
    for (const QString &name : names)
        children << entry(name, QDir(path).filePath(name));
    item->removeRows(0, item->rowCount());
    for (QStandardItem *child : children)
        item->appendRow(child);
}

QModelIndex FolderTreeModel::reveal(const QString &folder)
{
    const QString target = QDir::cleanPath(folder);
    QStandardItem *at = nullptr;
    for (int r = 0; r < rowCount(); ++r) {
        const QString root = QDir::cleanPath(item(r)->data(PathRole).toString());
        const bool holds =
            target == root || target.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
        if (holds && (!at || root.size() > at->data(PathRole).toString().size()))
            at = item(r);
    }
    while (at && QDir::cleanPath(at->data(PathRole).toString()) != target) {
        fill(at->index());
        QStandardItem *next = nullptr;
        for (int r = 0; r < at->rowCount() && !next; ++r) {
            const QString child = QDir::cleanPath(at->child(r)->data(PathRole).toString());
            if (target == child || target.startsWith(child + QLatin1Char('/')))
                next = at->child(r);
        }
        if (!next)
            break; // hidden or gone: its nearest shown parent
        at = next;
    }
    return at ? at->index() : QModelIndex();
}
