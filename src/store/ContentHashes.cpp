#include "store/ContentHashes.h"

#include "store/CatalogueSchema.h"
#include "store/Engine.h"
#include "store/RowTable.h"

bool ContentHashes::available(Engine &engine)
{
    return CatalogueSchema::hasTable(engine, QStringLiteral("tblContentHash"));
}

void ContentHashes::record(Engine &engine, const QString &storedName, const QByteArray &sha256)
{
    if (!available(engine))
        return;
    engine.execute(QStringLiteral("INSERT INTO tblContentHash (SaveFileName, Sha256) VALUES (?, ?) "
                                  "ON CONFLICT (SaveFileName) DO UPDATE SET Sha256 = excluded.Sha256"),
                   {storedName, QString::fromLatin1(sha256)});
}

void ContentHashes::forget(Engine &engine, const QString &storedName)
{
    if (available(engine))
        engine.execute(QStringLiteral("DELETE FROM tblContentHash WHERE SaveFileName=?"), {storedName});
}

bool ContentHashes::rename(Engine &engine, const QString &from, const QString &to)
{
    if (!available(engine))
        return false;
    RowTable rows;
    engine.execute(QStringLiteral("SELECT 1 FROM tblContentHash WHERE SaveFileName=?"), {from}, &rows);
    if (rows.count() == 0)
        return false;
    if (from != to) {
        forget(engine, to);
        engine.execute(QStringLiteral("UPDATE tblContentHash SET SaveFileName=? WHERE SaveFileName=?"), {to, from});
    }
    return true;
}

QString ContentHashes::binKey(const QString &binFile)
{
    return QStringLiteral(".recycle/") + binFile;
}

bool ContentHashes::find(Engine &engine, const QByteArray &sha256, Match *match)
{
    if (!available(engine))
        return false;
    RowTable rows;
    engine.execute(QStringLiteral("SELECT a.FileName, a.FolderName FROM tblAttachment a JOIN tblContentHash h "
                                  "ON h.SaveFileName = a.SaveFileName WHERE h.Sha256 = ? LIMIT 1"),
                   {QString::fromLatin1(sha256)}, &rows);
    if (rows.count() == 0)
        return false;
    match->fileName = rows.row(0)[0].toString();
    match->category = rows.row(0)[1].toString();
    return true;
}
