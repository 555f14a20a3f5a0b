#include "store/RecordDeletion.h"

#include "store/Engine.h"
#include "store/RecycleBin.h"
#include "store/RowCheck.h"
#include "store/SqlQuote.h"
#include "store/StoredName.h"
#include "store/WriteTransaction.h"
#include "store/clsCurrentDb.h"

#include <QFile>

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
    // Found by its address only when it has no stored name (a tampered catalogue), so that
    // only the chosen one goes.
    const QString where = storedName.isEmpty() && address.isValid()
                              ? engine->addressWhere(address)
                              : QStringLiteral("SaveFileName='") + SqlQuote(storedName) + QStringLiteral("'");
    RowCheck::require(where, shownFields(), shown);
    const bool bin = RecycleBin::available();
    const auto moves = bin ? RecycleBin::bin(where, true) : QVector<RecycleBin::Move>();
    CurrentDb().OpenRecordset(QStringLiteral("Delete * From tblAttachment Where ") + where, 1, 3);
    tx.commit();
    RecycleBin::moveCopies(moves);
    // From here on a failure is ignored: the row is gone, the copy may already be.
    if (!bin && StoredName::isPlain(storedName))
        QFile::remove(copyPath);
}
