#include "store/RowCheck.h"

#include "store/Engine.h"
#include "store/RecordChanged.h"
#include "store/clsCurrentDb.h"

bool RowCheck::read(const QString &where, const QStringList &columns, QStringList *values)
{
    const QString lock = CurrentDb().engine()->lockClause();
    Recordset rs = CurrentDb().OpenRecordset(QStringLiteral("select * from [tblAttachment] where ") + where + lock, 1, 3);
    values->clear();
    if (rs.isEOF() || rs.isBOF())
        return false;
    for (const QString &c : columns)
        *values << rs.text(c);
    return true;
}

void RowCheck::require(const QString &where, const QStringList &columns, const QStringList &expected, bool rowExpected)
{
    QStringList now;
    const bool found = read(where, columns, &now);
    if (found != rowExpected || (found && now != expected))
        throw RecordChanged();
}
