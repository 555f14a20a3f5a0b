#pragma once

#include "store/CatalogueSchema.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

// The catalogue the list and check benchmarks measure: `rows` picture records in 50
// categories, with dates spread over a year, in one transaction.
namespace bench {

inline QString storedName(int i)
{
    return QStringLiteral("2010010112000011%1.jpg").arg(i);
}

inline void populateCatalogue(const QString &path, int rows)
{
    CatalogueSchema::create(path);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("populate"));
        db.setDatabaseName(path);
        db.open();
        db.transaction();
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO tblAttachment (Currentinfo,[Date],FileName,FolderName,SaveFileName,"
                                 "tblFileKind) VALUES (?,?,?,?,?,?)"));
        for (int i = 0; i < rows; ++i) {
            q.addBindValue(QStringLiteral("新导入文件"));
            q.addBindValue(QStringLiteral("2010-%1-%2 12:%3:%4")
                               .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                               .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                               .arg(i % 60, 2, 10, QLatin1Char('0'))
                               .arg(i / 60 % 60, 2, 10, QLatin1Char('0')));
            q.addBindValue(QStringLiteral("IMG_%1.jpg").arg(i, 7, 10, QLatin1Char('0')));
            q.addBindValue(QStringLiteral("旅行%1").arg(i % 50));
            q.addBindValue(storedName(i));
            q.addBindValue(3);
            q.exec();
        }
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("populate"));
}

} // namespace bench
