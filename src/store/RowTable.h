#pragma once

#include <QHash>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

// The rows of one result, fetched whole. Values lie row after row in blocks, so a large
// result arrives without reallocation and with one allocation per block, not per row. A
// row may carry the engine's address of it, by which it is written back.
class RowTable {
public:
    void setColumns(const QStringList &names);
    const QStringList &columns() const { return columns_; }
    int width() const { return width_; }
    // Position of a column, names matched without regard to case; -1 when missing.
    int columnIndex(const QString &name) const;

    qint64 count() const { return count_; }
    // A new row of width() null values.
    QVariant *appendRow();
    QVariant *row(qint64 r) { return blocks_[size_t(r / kBlockRows)].get() + (r % kBlockRows) * width_; }
    const QVariant *row(qint64 r) const { return blocks_[size_t(r / kBlockRows)].get() + (r % kBlockRows) * width_; }

    // Addresses are kept only by results that can be written back.
    void appendAddress(QVariant address) { addresses_.push_back(std::move(address)); }
    const QVariant &address(qint64 r) const { return addresses_[size_t(r)]; }
    void setAddress(qint64 r, QVariant address) { addresses_[size_t(r)] = std::move(address); }
    bool hasAddresses() const { return !addresses_.empty(); }

    void clear();

private:
    static constexpr qint64 kBlockRows = 4096;
    QStringList columns_;
    QHash<QString, int> index_; // name as given and in lower case -> position
    int width_ = 0;
    qint64 count_ = 0;
    std::vector<std::unique_ptr<QVariant[]>> blocks_;
    std::vector<QVariant> addresses_;
};
