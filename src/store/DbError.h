#pragma once

#include "store/AppError.h"
#include "store/SystemErrorText.h"

#include <QDir>

// An engine error. The message describes it in Chinese first; the statement follows only
// when the statement itself failed (not when the catalogue could not be reached at all).
class DbError : public AppError {
public:
    // The catalogue could not be reached or used: no statement is to blame.
    explicit DbError(const QString &reason) : DbError(reason, QString(), false) {}
    // A statement failed: the message names it after the description.
    DbError(const QString &reason, const QString &statement) : DbError(reason, statement, true) {}
    // The same, naming the database the statement went to.
    static DbError inDatabase(const QString &reason, const QString &database, const QString &statement)
    {
        return DbError(database.isEmpty() ? reason
                                          : reason + QStringLiteral(" (数据库 %1)").arg(QDir::toNativeSeparators(database)),
                       statement, !statement.isEmpty());
    }
    // The server's reply did not have the shape its statement asks for.
    static DbError unreadableReply(const QString &database, const QString &statement)
    {
        return inDatabase(QStringLiteral("服务器送来的数据无法读取"), database, statement);
    }
    const QString &reason() const { return reason_; }
    const QString &statement() const { return statement_; }

private:
    DbError(const QString &reason, const QString &statement, bool statementFailed)
        : AppError(QStringLiteral("数据库错误: ") + SystemErrorText::explain(reason) +
                   (statementFailed && !statement.isEmpty() ? QStringLiteral("\n语句: ") + statement : QString())),
          reason_(reason), statement_(statement)
    {
    }

    QString reason_;
    QString statement_;
};
