#include "store/RowTable.h"

void RowTable::setColumns(const QStringList &names)
{
    clear();
    columns_ = addressed_ ? names.mid(1) : names;
    index_.clear();
    for (int i = 0; i < columns_.size(); ++i) {
        index_.insert(columns_.at(i), i);
        index_.insert(columns_.at(i).toLower(), i);
    }
    width_ = int(columns_.size());
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
    if (sink_ && count_ >= sinkEvery_) {
        sink_(*this);
        handedOver_ += count_;
        blocks_.clear();
        count_ = 0;
    }
    if (count_ % kBlockRows == 0)
        blocks_.emplace_back(new QVariant[size_t(kBlockRows * qMax(rawWidth(), 1))]);
    return raw(count_++);
}

void RowTable::clear()
{
    blocks_.clear();
    count_ = 0;
    handedOver_ = 0;
}
