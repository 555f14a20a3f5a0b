#pragma once

#include "store/Recordset.h"

#include <QSqlDatabase>
#include <QString>

// Owns the one shared connection. Created on first use by CurrentDb(), released by exit and
// restart. Every statement of the program goes through OpenRecordset.
class clsCurrentDb {
public:
    enum State { Closed, Connecting, Opened };

    ~clsCurrentDb();
    clsCurrentDb(const clsCurrentDb &) = delete;
    clsCurrentDb &operator=(const clsCurrentDb &) = delete;

    // Translates the Jet statement and runs it; engine errors come as DbError.
    Recordset OpenRecordset(const QString &strSql, int CursorType = 1, int LockType = 3);

    State state() const { return state_; }
    QSqlDatabase connection() const;

    static clsCurrentDb &instance();
    static bool exists();
    static void release();
    // How many times a connection object was created (one per start, even under re-entry).
    static int creationCount();
    // How long a statement waits for another program's lock before it fails.
    static void setBusyTimeoutMs(int ms);

private:
    clsCurrentDb() = default;
    void connect();
    void dropConnection();

    QString connectionName_;
    QString path_;
    QString openError_;
    // The file as opened: a statement must not go to a file that was removed or replaced.
    quint64 device_ = 0;
    quint64 inode_ = 0;
    bool sameFileAsOpened() const;
    State state_ = Closed;
};

clsCurrentDb &CurrentDb();
