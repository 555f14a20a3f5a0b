#include "store/CatalogueSchema.h"

#include "store/DbError.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

void CatalogueSchema::create(const QString &path)
{
    const QString conn = QStringLiteral("mc-schema-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        db.setDatabaseName(path);
        if (!db.open())
            throw DbError(db.lastError().text(), path);
        const QStringList statements = {
            QStringLiteral("PRAGMA journal_mode=DELETE"),
            QStringLiteral("CREATE TABLE tblAttachment ("
                           "Currentinfo TEXT, "
                           "[Date] TEXT DEFAULT (strftime('%Y-%m-%d %H:%M:%S','now','localtime')), "
                           "FileName TEXT, FolderName TEXT, SaveFileName TEXT, tblFileKind INTEGER)"),
            QStringLiteral("CREATE INDEX idxSaveFileName ON tblAttachment(SaveFileName)"),
            QStringLiteral("CREATE INDEX idxKindFolder ON tblAttachment(tblFileKind, FolderName)"),
            QStringLiteral("CREATE INDEX idxFileNameFolder ON tblAttachment(FileName, FolderName)"),
        };
        QString failure;
        for (const QString &sql : statements) {
            QSqlQuery q(db);
            if (!q.exec(sql)) {
                failure = q.lastError().text() + QStringLiteral(" (") + sql + QLatin1Char(')');
                break;
            }
        }
        db.close();
        if (!failure.isEmpty()) {
            QSqlDatabase::removeDatabase(conn);
            throw DbError(failure, path);
        }
    }
    QSqlDatabase::removeDatabase(conn);
}
