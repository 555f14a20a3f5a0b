#pragma once

#include <QStandardItemModel>

// The import window's folder tree. A folder's subfolders are read when it is first opened,
// at once and only then, so the tree shows the start folder as soon as the window opens and
// never rearranges itself under the pointer as a background listing would.
class FolderTreeModel : public QStandardItemModel {
    Q_OBJECT
public:
    explicit FolderTreeModel(const QStringList &roots, QObject *parent = nullptr);

    static constexpr int PathRole = Qt::UserRole + 1;
    QString path(const QModelIndex &index) const { return index.data(PathRole).toString(); }
    // Reads the subfolders of the folder at `index`, the first time only.
    void fill(const QModelIndex &index);
    // The folder's entry, its parents read on the way; invalid when no root holds it.
    QModelIndex reveal(const QString &folder);

private:
    QStandardItem *entry(const QString &name, const QString &path) const;
};
