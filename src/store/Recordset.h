#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>
#include <vector>

// A client-side result: every row of a Select is fetched at once. A set opened from one
// table with "Select *" remembers each row's rowid, so AddNew/Update can write it back.
class Recordset {
public:
    enum State { adStateClosed = 0, adStateOpen = 1 };

    Recordset() = default;
    // Runs an already translated statement; `shownSql` is what error messages name.
    Recordset(QSqlDatabase db, const QString &sql, const QString &shownSql);

    bool isEOF() const { return count_ == 0 || pos_ >= count_; }
    bool isBOF() const { return count_ == 0 || pos_ < 0; }
    QVariant field(const QString &name) const;
    // The field as text; a missing (Null) value is the empty text.
    QString text(const QString &name) const { return field(name).toString(); }
    void MoveNext();
    qint64 RecordCount() const { return count_; }
    void AddNew();
    void setCollect(const QString &name, const QVariant &value);
    void Update();
    int state() const { return open_ ? adStateOpen : adStateClosed; }
    void Close();

    const QStringList &columns() const { return columns_; }
    // Position of a column (names match without regard to case); throws when missing.
    int columnIndex(const QString &name) const;
    // The current row's value by position, for readers that walk many rows.
    const QVariant &value(int column) const { return rowAt(pos_)[column]; }

private:
    void requireOpen(const char *operation) const;
    // Throws DbError naming the database file.
    [[noreturn]] void fail(const QString &reason, const QString &statement) const;
    void readRow(qint64 rowid, QVariant *out);

    QSqlDatabase db_;
    QString shownSql_;
    QString database_;
    QString table_;
    QStringList columns_;
    QHash<QString, int> index_; // column name, as given and in lower case -> position
    // Rows one after another in blocks of kBlockRows: no reallocation while a large
    // result arrives, and one allocation per block rather than per row.
    static constexpr qint64 kBlockRows = 4096;
    QVariant *rowAt(qint64 row) const
    {
        return blocks_[size_t(row / kBlockRows)].get() + (row % kBlockRows) * width_;
    }
    QVariant *appendRow();
    std::vector<std::unique_ptr<QVariant[]>> blocks_;
    int width_ = 0;
    qint64 count_ = 0;
    std::vector<qint64> rowids_;
    qint64 pos_ = 0;
    bool open_ = false;
    bool adding_ = false;
    QVector<QPair<int, QVariant>> edits_;
};
