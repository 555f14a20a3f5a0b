#include "store/RowTable.h"

void RowTable::setColumns(const QStringList &names)
{
    clear();
    columns_ = names;
    index_.clear();
    for (int i = 0; i < names.size(); ++i) {
        index_.insert(names.at(i), i);
        index_.insert(names.at(i).toLower(), i);
    }
    width_ = int(names.size());
}

int RowTable::columnIndex(const QString &name) const
{
    auto it = index_.constFind(name);
    if (it == index_.constEnd())
        it = index_.constFind(name.toLower());
    return it == index_.constEnd() ? -1 : it.value();
}

QVariant *RowTable::appendRow()
{
    if (count_ % kBlockRows == 0)
        blocks_.emplace_back(new QVariant[size_t(kBlockRows * qMax(width_, 1))]);
    return row(count_++);
}

void RowTable::clear()
{
    blocks_.clear();
    addresses_.clear();
    count_ = 0;
}
