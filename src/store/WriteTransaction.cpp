#include "store/WriteTransaction.h"

#include "store/DbError.h"

#include <QSqlError>
#include <QSqlQuery>

WriteTransaction::WriteTransaction(QSqlDatabase db) : db_(std::move(db))
{
    run(QStringLiteral("BEGIN IMMEDIATE"));
    open_ = true;
}

WriteTransaction::~WriteTransaction()
{
    if (open_) {
        QSqlQuery q(db_);
        q.exec(QStringLiteral("ROLLBACK"));
    }
}

void WriteTransaction::commit()
{
    run(QStringLiteral("COMMIT"));
    open_ = false;
}

void WriteTransaction::run(const QString &sql)
{
    QSqlQuery q(db_);
    if (!q.exec(sql))
        throw DbError::inDatabase(q.lastError().text(), db_.databaseName(), sql);
}
