#include "store/RecordEdit.h"

#include "store/Engine.h"
#include "store/RowCheck.h"
#include "store/SqlQuote.h"
#include "store/WriteTransaction.h"
#include "store/clsCurrentDb.h"

QString RecordEdit::byStoredName(const QString &storedName)
{
    return QStringLiteral(" SaveFileName='") + SqlQuote(storedName) + QStringLiteral("'");
}

const QStringList &RecordEdit::fields()
{
    static const QStringList names = {QStringLiteral("Currentinfo"),  QStringLiteral("Date"),
                                      QStringLiteral("FileName"),     QStringLiteral("FolderName"),
                                      QStringLiteral("SaveFileName"), QStringLiteral("tblFileKind")};
    return names;
}

bool RecordEdit::load(const QString &where, QStringList *row)
{
    row->clear();
    Recordset rs = CurrentDb().OpenRecordset(QStringLiteral("select * from [tblAttachment] where ") + where, 1, 3);
    const bool found = !rs.isEOF() && !rs.isBOF();
    if (found)
        for (const QString &f : fields())
            *row << rs.text(f);
    rs.Close();
    return found;
}

void RecordEdit::save(const QString &where, const QStringList &loadedRow, bool loaded, const Values &values)
{
    // A row without a date keeps none.
    const QString date =
        values.date.isEmpty() ? QStringLiteral("Null") : QLatin1Char('\'') + SqlQuote(values.date) + QLatin1Char('\'');
    WriteTransaction tx(*CurrentDb().engine());
    RowCheck::require(where, fields(), loadedRow, loaded);
    CurrentDb().OpenRecordset(QStringLiteral("Update [tblAttachment] set [Currentinfo]='") + SqlQuote(values.description) +
                                  QStringLiteral("' ,[Date]=") + date + QStringLiteral(" ,[FileName]='") +
                                  SqlQuote(values.fileName) + QStringLiteral("' ,[FolderName]='") +
                                  SqlQuote(values.category) + QStringLiteral("' ,[SaveFileName]='") +
                                  SqlQuote(values.storedName) + QStringLiteral("' ,[tblFileKind]='") +
                                  SqlQuote(values.kind) + QStringLiteral("'  where ") + where,
                              1, 3);
    tx.commit();
}

void RecordEdit::remove(const QString &where, const QStringList &loadedRow, bool loaded)
{
    WriteTransaction tx(*CurrentDb().engine());
    RowCheck::require(where, fields(), loadedRow, loaded);
    CurrentDb().OpenRecordset(QStringLiteral("delete   from [tblAttachment] where ") + where, 1, 3);
    tx.commit();
}
