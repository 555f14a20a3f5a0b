#include "store/Categories.h"

#include "store/RecycleBin.h"
#include "store/SqlQuote.h"
#include "store/WriteTransaction.h"
#include "store/clsCurrentDb.h"

QStringList Categories::of(int kind)
{
    Recordset rs = CurrentDb().OpenRecordset(QStringLiteral("Select  FolderName, tblFileKind From tblAttachment GROUP BY "
                                                            "FolderName, tblFileKind HAVING  tblFileKind=") +
                                                 QString::number(kind),
                                             1, 3);
    QStringList keys;
    while (!rs.isEOF() && !rs.isBOF()) {
        const QVariant folder = rs.field(QStringLiteral("FolderName"));
        if (!folder.isNull())
            keys << folder.toString();
        rs.MoveNext();
    }
    return keys;
}

RecordQuery Categories::listing(const QString &key, int kind)
{
    QString pattern = key;
    pattern.replace(QLatin1Char('*'), QLatin1Char('%'));
    return RecordQuery(QStringLiteral("Select * From tblAttachment Where  FolderName Like '") + SqlQuote(pattern) +
                       QStringLiteral("' And tblFileKind=") + QString::number(kind));
}

Recordset Categories::records(const QString &key, int kind)
{
    return CurrentDb().OpenRecordset(listing(key, kind).jetSql(), 1, 3);
}

void Categories::rename(const QString &key, int kind, const QString &name)
{
    CurrentDb().OpenRecordset(QStringLiteral("update  tblAttachment set FolderName='") + SqlQuote(name) +
                                  QStringLiteral("' where FolderName = '") + SqlQuote(key) +
                                  QStringLiteral("' And tblFileKind=") + QString::number(kind),
                              1, 3);
}

void Categories::remove(const QString &key, int kind)
{
    const QString where =
        QStringLiteral("FolderName = '") + SqlQuote(key) + QStringLiteral("' And tblFileKind=") + QString::number(kind);
    WriteTransaction tx(*CurrentDb().engine());
    if (RecycleBin::available())
        RecycleBin::bin(where, false);
    CurrentDb().OpenRecordset(QStringLiteral("delete  from tblAttachment   where ") + where, 1, 3);
    tx.commit();
}
