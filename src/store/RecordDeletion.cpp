#include "store/RecordDeletion.h"

#include "store/ConnectionLost.h"
#include "store/Engine.h"
#include "store/RecycleBin.h"
#include "store/RowCheck.h"
#include "store/SqlQuote.h"
#include "store/StoredName.h"
#include "store/SystemErrorText.h"
#include "store/WriteTransaction.h"
#include "store/clsCurrentDb.h"

#include <QFile>

namespace {
// Inside the caller's transaction: checks and deletes one record; its copy's move (or
// removal) is added to `moves` / `removals` for after the commit.
void removeOne(Engine &engine, bool bin, const RecordDeletion::Listed &record, QVector<RecycleBin::Move> &moves,
               QStringList &removals)
{
    // Found by its address only when it has no stored name (a tampered catalogue), so that
    // only the chosen one goes.
    const QString where = record.storedName.isEmpty() && record.address.isValid()
                              ? engine.addressWhere(record.address)
                              : QStringLiteral("SaveFileName='") + SqlQuote(record.storedName) + QStringLiteral("'");
    RowCheck::require(where, RecordDeletion::shownFields(), record.shown);
    if (bin)
        moves += RecycleBin::bin(where, true);
    CurrentDb().OpenRecordset(QStringLiteral("Delete * From tblAttachment Where ") + where, 1, 3);
    if (!bin && StoredName::isPlain(record.storedName))
        removals << record.copyPath;
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

void RecordDeletion::remove(const QString &storedName, const QVariant &address, const QStringList &shown,
                            const QString &copyPath)
{
    std::shared_ptr<Engine> engine = CurrentDb().engine();
    WriteTransaction tx(*engine);
    QVector<RecycleBin::Move> moves;
    QStringList removals;
    removeOne(*engine, RecycleBin::available(), {storedName, address, shown, copyPath, QString()}, moves, removals);
    tx.commit();
    afterCommit(moves, removals);
}

GroupRunner::Outcome RecordDeletion::removeMany(const std::vector<Listed> &records)
{
    std::shared_ptr<Engine> engine = CurrentDb().engine();
    const bool bin = RecycleBin::available();
    return GroupRunner::run(
        qint64(records.size()), QStringLiteral("deleteProgress"), QStringLiteral("正在删除记录 %1 / %2 ..."),
        [&](qint64 first, qint64 count, GroupRunner::Outcome &outcome) {
            QVector<RecycleBin::Move> moves;
            QStringList removals;
            qint64 done = 0;
            WriteTransaction tx(*engine);
            for (qint64 i = first; i < first + count; ++i) {
                const Listed &record = records[size_t(i)];
                try {
                    // Undone alone when it fails; the group goes on.
                    WriteTransaction one(*engine);
                    removeOne(*engine, bin, record, moves, removals);
                    one.commit();
                    ++done;
                } catch (const ConnectionLost &) {
                    throw; // every other one would fail the same way
                } catch (const AppError &e) {
                    outcome.failures << record.fileName + QStringLiteral(": ") + SystemErrorText::explain(e.message());
                }
            }
            tx.commit();
            outcome.done += done;
            afterCommit(moves, removals);
            return count;
        });
}
