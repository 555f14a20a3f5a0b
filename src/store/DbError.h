#pragma once

#include "store/AppError.h"

#include <QDir>

// An engine error; the message names the statement that failed.
class DbError : public AppError {
public:
    DbError(const QString &reason, const QString &statement)
        : AppError(statement.isEmpty() ? QStringLiteral("数据库错误: %1").arg(reason)
                                       : QStringLiteral("数据库错误: %1\n语句: %2").arg(reason, statement)),
          reason_(reason), statement_(statement) {}
    // The same, naming the database file the statement went to.
    static DbError inDatabase(const QString &reason, const QString &database, const QString &statement)
    {
        return DbError(database.isEmpty() ? reason
                                          : reason + QStringLiteral(" (数据库 %1)").arg(QDir::toNativeSeparators(database)),
                       statement);
    }
    const QString &reason() const { return reason_; }
    const QString &statement() const { return statement_; }

private:
    QString reason_;
    QString statement_;
};
