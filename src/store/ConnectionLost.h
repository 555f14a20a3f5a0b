#pragma once

#include "store/DbError.h"

// The server could not be reached, or the connection to it ended: every statement after
// this one would fail the same way until the server is back.
class ConnectionLost : public DbError {
public:
    explicit ConnectionLost(const QString &reason) : DbError(reason) {}
    ConnectionLost(const QString &reason, const QString &statement) : DbError(reason, statement) {}
};
