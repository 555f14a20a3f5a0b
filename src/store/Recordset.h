#pragma once

#include "store/RowTable.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>

class Engine;

// A client-side result: every row of a Select is fetched at once. A set opened from one
// table with "Select *" remembers each row's address, so AddNew/Update can write it back.
// Writing back is optimistic: Update changes a row only while it still holds the values
// that were read, and throws RecordChanged otherwise.
class Recordset {
public:
    enum State { adStateClosed = 0, adStateOpen = 1 };

    Recordset() = default;
    // Runs an already translated statement; `shownSql` is what error messages name.
    Recordset(std::shared_ptr<Engine> engine, const QString &sql, const QString &shownSql);

    bool isEOF() const { return rows_.count() == 0 || pos_ >= rows_.count(); }
    bool isBOF() const { return rows_.count() == 0 || pos_ < 0; }
    QVariant field(const QString &name) const;
    // The field as text; a missing (Null) value is the empty text.
    QString text(const QString &name) const { return field(name).toString(); }
    void MoveNext();
    qint64 RecordCount() const { return rows_.count(); }
    // Rows changed by an Insert, Update or Delete statement.
    qint64 RecordsAffected() const { return affected_; }
    void AddNew();
    void setCollect(const QString &name, const QVariant &value);
    void Update();
    int state() const { return open_ ? adStateOpen : adStateClosed; }
    void Close();

    const QStringList &columns() const { return rows_.columns(); }
    // Position of a column (names match without regard to case); throws when missing.
    int columnIndex(const QString &name) const;
    // The engine's address of the current row (a set opened with "Select *" only).
    QVariant address() const { return rows_.hasAddresses() && !isEOF() && !isBOF() ? rows_.address(pos_) : QVariant(); }
    // The current row's value by position, for readers that walk many rows.
    const QVariant &value(int column) const { return rows_.row(pos_)[column]; }

private:
    void requireOpen(const char *operation) const;
    // Throws DbError naming the database.
    [[noreturn]] void fail(const QString &reason, const QString &statement) const;
    QString selectOne(const QString &from) const;
    void takeRow(const RowTable &written, qint64 target);
    void readBack(RowTable &written) const;

    std::shared_ptr<Engine> engine_;
    QString shownSql_;
    QString table_;
    RowTable rows_;
    qint64 pos_ = 0;
    qint64 affected_ = 0;
    bool open_ = false;
    bool adding_ = false;
    QVector<QPair<int, QVariant>> edits_;
};
