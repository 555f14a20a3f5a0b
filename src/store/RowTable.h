#pragma once

#include <QHash>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

// The rows of one result, fetched whole. Values lie row after row in blocks, so a large
// result arrives without reallocation and with one allocation per block, not per row. A
// table told to expect addresses takes the first column of the result as the engine's
// address of each row, by which it is written back; that column is not among the fields.
class RowTable {
public:
    void expectAddresses() { addressed_ = true; }
    bool hasAddresses() const { return addressed_; }

    // The result's columns, as the engine gives them (the address first, when expected).
    void setColumns(const QStringList &names);
    const QStringList &columns() const { return columns_; }
    int width() const { return width_; }
    // Position of a column, names matched without regard to case; -1 when missing.
    int columnIndex(const QString &name) const;

    qint64 count() const { return count_; }
    // Rows the engine gave so far, also those already handed to the sink.
    qint64 received() const { return count_ + handedOver_; }
    // Hands the rows to `sink` whenever `every` of them are in, and forgets them: a long
    // result is read in steps without being held whole. The sink may throw to stop.
    void setSink(qint64 every, std::function<void(RowTable &)> sink)
    {
        sinkEvery_ = every;
        sink_ = std::move(sink);
    }
    // A new row as the engine fills it: the address (when expected), then width() values.
    QVariant *appendRow();
    QVariant *row(qint64 r) { return raw(r) + offset(); }
    const QVariant *row(qint64 r) const { return const_cast<RowTable *>(this)->raw(r) + offset(); }

    const QVariant &address(qint64 r) const { return const_cast<RowTable *>(this)->raw(r)[0]; }
    void setAddress(qint64 r, QVariant address) { raw(r)[0] = std::move(address); }

    void clear();

private:
    static constexpr qint64 kBlockRows = 4096;
    int offset() const { return addressed_ ? 1 : 0; }
    int rawWidth() const { return width_ + offset(); }
    QVariant *raw(qint64 r) { return blocks_[size_t(r / kBlockRows)].get() + (r % kBlockRows) * rawWidth(); }

    bool addressed_ = false;
    QStringList columns_;
    QHash<QString, int> index_; // name as given and in lower case -> position
    int width_ = 0;
    qint64 count_ = 0;
    std::vector<std::unique_ptr<QVariant[]>> blocks_;
    qint64 handedOver_ = 0;
    qint64 sinkEvery_ = 0;
    std::function<void(RowTable &)> sink_;
};
