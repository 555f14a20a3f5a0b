#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <vector>

// A client-side result: every row of a Select is fetched at once. A set opened from one
// table with "Select *" remembers each row's rowid, so AddNew/Update can write it back.
class Recordset {
public:
    enum State { adStateClosed = 0, adStateOpen = 1 };

    Recordset() = default;
    // Runs an already translated statement; `shownSql` is what error messages name.
    Recordset(QSqlDatabase db, const QString &sql, const QString &shownSql);

    bool isEOF() const { return rows_.empty() || pos_ >= qint64(rows_.size()); }
    bool isBOF() const { return rows_.empty() || pos_ < 0; }
    QVariant field(const QString &name) const;
    // The field as text; a missing (Null) value is the empty text.
    QString text(const QString &name) const { return field(name).toString(); }
    void MoveNext();
    qint64 RecordCount() const { return qint64(rows_.size()); }
    void AddNew();
    void setCollect(const QString &name, const QVariant &value);
    void Update();
    int state() const { return open_ ? adStateOpen : adStateClosed; }
    void Close();

    const QStringList &columns() const { return columns_; }

private:
    int columnIndex(const QString &name) const;
    void requireOpen(const char *operation) const;
    QVector<QVariant> readRow(qint64 rowid);

    QSqlDatabase db_;
    QString shownSql_;
    QString table_;
    QStringList columns_;
    QHash<QString, int> index_; // lower-case column name -> position
    std::vector<QVector<QVariant>> rows_;
    std::vector<qint64> rowids_;
    qint64 pos_ = 0;
    bool open_ = false;
    bool adding_ = false;
    QVector<QPair<int, QVariant>> edits_;
};
