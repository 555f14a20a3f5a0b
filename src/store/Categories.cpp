#include "store/Categories.h"

#include "store/AppError.h"
#include "store/Engine.h"
#include "store/RecycleBin.h"
#include "store/RowTable.h"
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

GroupRunner::Outcome Categories::remove(const QString &key, int kind)
{
    Engine &e = *CurrentDb().engine();
    const QString where =
        QStringLiteral("FolderName = '") + SqlQuote(key) + QStringLiteral("' And tblFileKind=") + QString::number(kind);
    const bool bin = RecycleBin::available();
    RowTable counted;
    e.execute(QStringLiteral("SELECT COUNT(*) FROM tblAttachment WHERE FolderName = ? AND tblFileKind = ?"), {key, kind},
              &counted);
    // What the question counted is what goes: records another program adds meanwhile stay.
    const qint64 total = counted.count() > 0 ? counted.row(0)[0].toLongLong() : 0;
    return GroupRunner::run(
        total, QStringLiteral("categoryDeleteProgress"), QStringLiteral("正在删除类别中的记录 %1 / %2 ..."),
        [&](qint64, qint64 count, GroupRunner::Outcome &outcome) -> qint64 {
            WriteTransaction tx(e);
            RowTable rows;
            e.execute(QStringLiteral("SELECT %1 FROM tblAttachment WHERE FolderName = ? AND tblFileKind = ? LIMIT %2")
                              .arg(e.addressColumn())
                              .arg(count) +
                          e.lockClause(),
                      {key, kind}, &rows);
            QStringList these;
            for (int r = 0; r < rows.count(); ++r)
                these << e.addressWhere(rows.row(r)[0]);
            if (these.isEmpty())
                return 0;
            const QString group = where + QStringLiteral(" And (") + these.join(QStringLiteral(" Or ")) + QLatin1Char(')');
            if (bin)
                RecycleBin::bin(group, false);
            const qint64 gone = e.execute(QStringLiteral("DELETE FROM tblAttachment WHERE ") + group);
            // Rows the catalogue keeps from being deleted (a trigger) would be chosen again.
            if (gone <= 0)
                throw AppError(QStringLiteral("该类别的记录未能删除(数据库拒绝删除),它们仍在原处"));
            tx.commit();
            outcome.done += gone;
            return rows.count();
        });
}
