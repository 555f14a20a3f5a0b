#pragma once

#include "store/AppError.h"
#include "store/SystemErrorText.h"

#include <QDir>

// An engine error. The message describes it in Chinese first; the statement follows only
// when the statement itself failed (not when the catalogue could not be reached at all).
class DbError : public AppError {
public:
    // `statement` is kept for the caller but not shown: the statement did not fail itself.
    // A path given in its place names the database file.
    DbError(const QString &reason, const QString &statement) : DbError(reason, statement, false) {}
    // A statement that failed in the database file.
    static DbError inDatabase(const QString &reason, const QString &database, const QString &statement)
    {
        return DbError(database.isEmpty() ? reason
                                          : reason + QStringLiteral(" (数据库 %1)").arg(QDir::toNativeSeparators(database)),
                       statement, true);
    }
    const QString &reason() const { return reason_; }
    const QString &statement() const { return statement_; }

private:
    DbError(const QString &reason, const QString &statement, bool statementFailed)
        : AppError(compose(reason, statement, statementFailed)), reason_(reason), statement_(statement) {}

    static bool looksLikePath(const QString &text)
    {
        return text.startsWith(QLatin1Char('/')) || text.startsWith(QStringLiteral("\\\\")) ||
               (text.size() > 2 && text.at(1) == QLatin1Char(':') && (text.at(2) == QLatin1Char('\\') || text.at(2) == QLatin1Char('/')));
    }

    static QString compose(const QString &reason, const QString &statement, bool statementFailed)
    {
        QString text = QStringLiteral("数据库错误: ") + SystemErrorText::explain(reason);
        if (statementFailed && !statement.isEmpty())
            text += QStringLiteral("\n语句: ") + statement;
        else if (looksLikePath(statement))
            text += QStringLiteral(" (数据库 %1)").arg(QDir::toNativeSeparators(statement));
        return text;
    }

    QString reason_;
    QString statement_;
};
