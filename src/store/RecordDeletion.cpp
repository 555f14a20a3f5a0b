#include "store/RecordDeletion.h"

#include "store/Engine.h"
#include "store/RecordChanged.h"
#include "store/RecycleBin.h"
#include "store/RowCheck.h"
#include "store/SqlQuote.h"
#include "store/StoredName.h"
#include "store/WriteTransaction.h"
#include "store/clsCurrentDb.h"

#include <QFile>

namespace {
// Found by its address only when it has no stored name (a tampered catalogue), so that only
// the chosen one goes.
QString whereOf(const Engine &engine, const RecordDeletion::Listed &record)
{
    return record.storedName.isEmpty() && record.address.isValid()
               ? engine.addressWhere(record.address)
               : QStringLiteral("SaveFileName='") + SqlQuote(record.storedName) + QStringLiteral("'");
}

// Inside the caller's transaction: the records `where` selects go, into the bin where there
// is one; their copies' moves are added to `moves` for after the commit.
void removeWhere(bool bin, const QString &where, QVector<RecycleBin::Move> &moves)
{
    if (bin)
        moves += RecycleBin::bin(where, true);
    CurrentDb().OpenRecordset(QStringLiteral("Delete * From tblAttachment Where ") + where, 1, 3);
}

// From here on a failure is ignored: the rows are gone, the copies may already be.
void afterCommit(const QVector<RecycleBin::Move> &moves, const QStringList &removals)
{
    RecycleBin::moveCopies(moves);
    for (const QString &path : removals)
        QFile::remove(path);
}
} // namespace

const QStringList &RecordDeletion::shownFields()
{
    static const QStringList names = {QStringLiteral("FileName"), QStringLiteral("FolderName"),
                                      QStringLiteral("Currentinfo"), QStringLiteral("Date")};
    return names;
}

GroupRunner::Outcome RecordDeletion::removeMany(const std::vector<Listed> &records)
{
    std::shared_ptr<Engine> engine = CurrentDb().engine();
    const bool bin = RecycleBin::available();
    return GroupRunner::run(
        qint64(records.size()), QStringLiteral("deleteProgress"), QStringLiteral("正在删除记录 %1 / %2 ..."),
        [&](qint64 first, qint64 count, GroupRunner::Outcome &outcome) {
            QStringList conditions, removals;
            WriteTransaction tx(*engine);
            // A record another program changed fails its check and stays; the group goes on.
            for (qint64 i = first; i < first + count; ++i) {
                const Listed &record = records[size_t(i)];
                const QString where = whereOf(*engine, record);
                // The row checked is the one listed, also where others share its stored name.
                const QString listed = record.address.isValid() && !record.storedName.isEmpty()
                                           ? where + QStringLiteral(" AND ") + engine->addressWhere(record.address)
                                           : where;
                try {
                    RowCheck::require(listed, shownFields(), record.shown);
                } catch (const RecordChanged &e) {
                    outcome.failures << record.fileName + QStringLiteral(": ") + e.message();
                    continue;
                }
                conditions << QLatin1Char('(') + where + QLatin1Char(')');
                if (!bin && StoredName::isPlain(record.storedName))
                    removals << record.copyPath;
            }
            // The group's records go by one statement: each statement on the table also
            // writes out its search index.
            QVector<RecycleBin::Move> moves;
            if (!conditions.isEmpty())
                removeWhere(bin, conditions.join(QStringLiteral(" Or ")), moves);
            tx.commit();
            outcome.done += conditions.size();
            afterCommit(moves, removals);
            return count;
        });
}
