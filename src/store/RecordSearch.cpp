#include "store/RecordSearch.h"

#include "store/SqlQuote.h"
#include "store/clsCurrentDb.h"

QString RecordSearch::kindCondition(int kind)
{
    return kind > 0 ? QStringLiteral(" And tblFileKind=%1").arg(kind) : QString();
}

RecordSearch RecordSearch::containing(By column, const QString &text, int kind)
{
    const QString quoted = SqlQuote(text);
    QString sql;
    switch (column) {
    case By::FileName:
        sql = QStringLiteral("Select * From tblAttachment Where  FileName Like '%") + quoted + QStringLiteral("%'");
        break;
    case By::Category:
        sql = QStringLiteral("Select * From tblAttachment Where   FolderName Like '%") + quoted + QStringLiteral("%'");
        break;
    case By::Description:
        sql = QStringLiteral("Select * From tblAttachment Where   Currentinfo Like '%") + quoted + QStringLiteral("%'");
        break;
    }
    return RecordSearch(sql + kindCondition(kind));
}

RecordSearch RecordSearch::dated(const QDate &from, const QDate &to, int kind)
{
    return RecordSearch(QStringLiteral("Select * From tblAttachment   where   [Date]  between #") +
                        from.toString(QStringLiteral("yyyy-M-d")) + QStringLiteral(" 0:0:0# and #") +
                        to.toString(QStringLiteral("yyyy-M-d")) + QStringLiteral(" 23:59:59#") + kindCondition(kind));
}

RecordSearch RecordSearch::all(int kind)
{
    return RecordSearch(QStringLiteral("Select * From tblAttachment Where 1=1") + kindCondition(kind));
}

Recordset RecordSearch::run() const
{
    return CurrentDb().OpenRecordset(sql_, 1, 3);
}
