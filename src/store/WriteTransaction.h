#pragma once

#include <QSqlDatabase>

// A short write transaction that takes the write lock at its start. A deferred BEGIN that
// later needs to write fails at once with "database is locked" instead of waiting.
class WriteTransaction {
public:
    explicit WriteTransaction(QSqlDatabase db);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction &) = delete;
    WriteTransaction &operator=(const WriteTransaction &) = delete;
    void commit();

private:
    void run(const QString &sql);
    QSqlDatabase db_;
    bool open_ = false;
};
