#pragma once

#include <QString>

// A listing of records as a window asks for it: a Jet "Select * From tblAttachment ..."
// statement, run by the record list in steps rather than fetched whole.
class RecordQuery {
public:
    RecordQuery() = default;
    explicit RecordQuery(QString jetSql) : jetSql_(std::move(jetSql)) {}
    const QString &jetSql() const { return jetSql_; }
    bool isEmpty() const { return jetSql_.isEmpty(); }

private:
    QString jetSql_;
};
