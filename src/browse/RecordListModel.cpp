#include "browse/RecordListModel.h"

#include "store/DatabaseLocator.h"
#include "store/Services.h"
#include "ui/FileIcons.h"

#include <algorithm>

RecordListModel::RecordListModel(QObject *parent) : QAbstractTableModel(parent) {}

const QStringList &RecordListModel::headers()
{
    static const QStringList names = {QStringLiteral("文件名"), QStringLiteral("类别"), QStringLiteral("简介"),
                                      QStringLiteral("日期")};
    return names;
}

int RecordListModel::designWidth(int column)
{
    return column == 0 || column == 3 ? 4304 : 2540;
}

int RecordListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int RecordListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 4;
}

QVariant RecordListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(rows_.size()))
        return {};
    const RecordRow &r = rows_[size_t(index.row())];
    if (role == Qt::DisplayRole)
        return r.column(index.column());
    if (role == Qt::DecorationRole && index.column() == 0) {
        if (iconSource_)
            if (QIcon own = iconSource_(r); !own.isNull())
                return own;
        return FileIcons::forFileName(r.storedName); // a stored copy is a file: no disk look-up per paint
    }
    if (role == Qt::ToolTipRole && index.column() == 2)
        return r.description;
    return {};
}

void RecordListModel::iconChanged(const QString &key)
{
    if (const int r = rowOf(key); r >= 0)
        emit dataChanged(index(r, 0), index(r, 0), {Qt::DecorationRole});
}

QString RecordListModel::headerText(int column) const
{
    QString text = headers().value(column);
    if (column == sortColumn_)
        text += order_ == Qt::AscendingOrder ? QStringLiteral("▲") : QStringLiteral("▼");
    return text;
}

QVariant RecordListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return headerText(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool RecordListModel::lessThan(const RecordRow &a, const RecordRow &b) const
{
    const int c = a.column(sortColumn_).compare(b.column(sortColumn_), Qt::CaseInsensitive);
    return order_ == Qt::AscendingOrder ? c < 0 : c > 0;
}

void RecordListModel::reindex(size_t from)
{
    for (size_t i = from; i < rows_.size(); ++i)
        if (!rows_[i].storedName.isEmpty())
            index_.insert(rows_[i].key, int(i));
}

void RecordListModel::sortRows()
{
    if (sortColumn_ < 0)
        return;
    std::stable_sort(rows_.begin(), rows_.end(), [this](const RecordRow &a, const RecordRow &b) { return lessThan(a, b); });
    reindex();
}

bool RecordListModel::AddRecordRow(const QString &path, const QString &fileName, const QString &category,
                                   const QString &description, const QString &date)
{
    const QString attachments = AttachmentPath();
    const QString stored =
        !attachments.isEmpty() && path.startsWith(attachments) ? path.mid(attachments.size()) : LastPathPart(path);
    return addRow(RecordRow{path, stored, fileName, category, description, date, {}});
}

bool RecordListModel::addRow(RecordRow r)
{
    // Records without a stored name share no copy with each other: each is listed.
    const bool keyed = !r.storedName.isEmpty();
    if (keyed && index_.contains(r.key))
        return true;
    if (filling_) {
        if (keyed)
            index_.insert(r.key, int(rows_.size()));
        rows_.push_back(std::move(r));
        return true;
    }
    size_t at = rows_.size();
    if (sortColumn_ >= 0)
        at = size_t(std::upper_bound(rows_.begin(), rows_.end(), r,
                                     [this](const RecordRow &a, const RecordRow &b) { return lessThan(a, b); }) -
                    rows_.begin());
    beginInsertRows({}, int(at), int(at));
    rows_.insert(rows_.begin() + qptrdiff(at), std::move(r));
    reindex(at);
    endInsertRows();
    return true;
}

void RecordListModel::reserve(qint64 rows)
{
    rows_.reserve(size_t(rows));
    index_.reserve(qsizetype(rows));
}

void RecordListModel::clear()
{
    beginResetModel();
    rows_.clear();
    index_.clear();
    endResetModel();
}

void RecordListModel::beginFill()
{
    beginResetModel();
    filling_ = true;
}

void RecordListModel::endFill()
{
    filling_ = false;
    // The list stays in the order its header mark shows, also after a refill.
    sortRows();
    endResetModel();
}

void RecordListModel::headerClicked(int column)
{
    if (column < 0 || column >= columnCount())
        return;
    const int previous = sortColumn_;
    sortColumn_ = column;
    order_ = nextDescending_ ? Qt::DescendingOrder : Qt::AscendingOrder;
    nextDescending_ = !nextDescending_;
    emit layoutAboutToBeChanged();
    sortRows();
    emit layoutChanged();
    if (previous >= 0 && previous != column)
        emit headerDataChanged(Qt::Horizontal, previous, previous);
    emit headerDataChanged(Qt::Horizontal, column, column);
}
