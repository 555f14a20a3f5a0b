#pragma once

#include "store/Recordset.h"

#include <QString>
#include <memory>

class Engine;

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
    // The open engine, for work that spans several statements (transactions); opens the
    // catalogue when needed and throws when it cannot.
    std::shared_ptr<Engine> engine();

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
    // Opens again when the last attempt failed; throws when the catalogue is not usable.
    void requireOpen();

    std::shared_ptr<Engine> engine_;
    QString openError_;
    bool unreachable_ = false; // the open failed for want of the server
    bool justFailed_ = false;  // the last attempt has not been told yet
    State state_ = Closed;
};

clsCurrentDb &CurrentDb();
