#pragma once

#include "browse/RecordRow.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <functional>
#include <vector>

// The rows of a record list, with a hash index from key to row and the header sort state.
class RecordListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // True when a row for the path is listed afterwards (added now or there already).
    bool AddRecordRow(const QString &path, const QString &fileName, const QString &category, const QString &description,
                      const QString &date);
    // The same, for a caller that knows the stored name (the key is AttachmentPath + it).
    bool addRow(RecordRow row);
    void clear();
    void reserve(qint64 rows);
    // Rows added between these two calls are taken in one go (no signal per row).
    void beginFill();
    void endFill();

    // A header click: the first sorts descending, each later click flips the direction.
    void headerClicked(int column);
    int sortColumn() const { return sortColumn_; }
    Qt::SortOrder sortOrder() const { return order_; }
    QString headerText(int column) const;

    const RecordRow &row(int r) const { return rows_[size_t(r)]; }
    int rowOf(const QString &key) const { return index_.value(key, -1); }

    // Gives rows an icon of their own (a thumbnail); a null icon keeps the type icon. Asked
    // on every paint, so it must be cheap. iconChanged() repaints the row of that key.
    void setIconSource(std::function<QIcon(const RecordRow &)> source) { iconSource_ = std::move(source); }
    void iconChanged(const QString &key);

    static const QStringList &headers();
    // Design widths, HIMETRIC (0.01 mm).
    static int designWidth(int column);

private:
    bool lessThan(const RecordRow &a, const RecordRow &b) const;
    void sortRows();
    void reindex(size_t from = 0);

    std::vector<RecordRow> rows_;
    QHash<QString, int> index_;
    int sortColumn_ = -1;
    Qt::SortOrder order_ = Qt::DescendingOrder;
    bool nextDescending_ = true;
    bool filling_ = false;
    std::function<QIcon(const RecordRow &)> iconSource_;
};
