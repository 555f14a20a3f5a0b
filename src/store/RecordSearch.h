#pragma once

#include "store/RecordQuery.h"
#include "store/Recordset.h"

#include <QDate>
#include <QString>

// One search of the catalogue, kept so that it can list again what it listed.
class RecordSearch {
public:
    // The text searched for, by the column that holds it.
    enum class By { FileName, Category, Description };

    // `kind` 0 (or below) searches every kind of file.
    static RecordSearch containing(By column, const QString &text, int kind);
    // Records dated from the start of `from` to the end of `to`.
    static RecordSearch dated(const QDate &from, const QDate &to, int kind);
    static RecordSearch all(int kind);

    Recordset run() const;
    // The same search, for a list that reads it in steps.
    RecordQuery query() const { return RecordQuery(sql_); }

private:
    explicit RecordSearch(QString sql) : sql_(std::move(sql)) {}
    static QString kindCondition(int kind);

    QString sql_;
};
