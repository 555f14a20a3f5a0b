#include "store/CheckRepair.h"

#include "store/AppError.h"
#include "store/AtomicCopy.h"
#include "store/AttachmentMarker.h"
#include "store/CatalogueCheck.h"
#include "store/ContentHashes.h"
#include "store/DatabaseLocator.h"
#include "store/Engine.h"
#include "store/RecordChanged.h"
#include "store/RecycleBin.h"
#include "store/RowCheck.h"
#include "store/RowTable.h"
#include "store/Services.h"
#include "store/StoredName.h"
#include "store/StoredNameSequence.h"
#include "store/SystemErrorText.h"
#include "store/WriteTransaction.h"
#include "store/clsCurrentDb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <unistd.h>

namespace {
using Outcome = CheckRepair::Outcome;

Engine &engine()
{
    return *CurrentDb().engine();
}

// A record, or a binned record whose copy stayed in place, names the file.
bool named(Engine &e, const QString &name)
{
    if (RecycleBin::recordNamed(name))
        return true;
    if (!RecycleBin::available())
        return false;
    RowTable rows;
    e.execute(QStringLiteral("SELECT 1 FROM tblRecycleBin WHERE SaveFileName = ? AND (BinFile IS NULL OR BinFile = '')"),
              {name}, &rows);
    return rows.count() > 0;
}

// The file still as the check saw it, old enough that no import can be writing it.
bool unchangedAndOld(const CheckReport::File &file, qint64 nowSecs)
{
    const FileStamp now = FileStamp::of(AttachmentPath() + file.name, false);
    return StoredName::isPlain(file.name) && now == file.stamp && now.isRegular() &&
           now.olderThan(CatalogueCheck::kMinimumAgeSecs, nowSecs) && !FileStamp::inUse(AttachmentPath() + file.name);
}

// The record still holds what the check read, locked until the transaction ends.
bool recordUnchanged(Engine &e, const CheckReport::Record &record)
{
    try {
        RowCheck::require(e.addressWhere(record.address), CheckReport::Record::columns(), record.values());
        return true;
    } catch (const RecordChanged &) {
        return false;
    }
}

// A copy reappeared (another program restored it): the record is no longer without one.
bool copyBack(const CheckReport::Record &record)
{
    return StoredName::isPlain(record.storedName) && FileStamp::of(AttachmentPath() + record.storedName, true).isRegular();
}

void requireBin()
{
    if (!RecycleBin::available())
        throw AppError(QStringLiteral("此目录没有回收站(数据库不可写或由旧版程序建立),未作更改."));
}

void requireHashes(Engine &e)
{
    if (!ContentHashes::available(e))
        throw AppError(QStringLiteral("此目录没有保存校验值的表(数据库不可写或由旧版程序建立),未作更改."));
}
} // namespace

Outcome CheckRepair::binRecord(const CheckReport::Record &record)
{
    Engine &e = engine();
    requireBin();
    WriteTransaction tx(e);
    if (!recordUnchanged(e, record) || copyBack(record))
        return Outcome::Changed;
    const QString where = e.addressWhere(record.address);
    RecycleBin::bin(where, false);
    CurrentDb().OpenRecordset(QStringLiteral("Delete * From tblAttachment Where ") + where, 1, 3);
    tx.commit();
    return Outcome::Done;
}

Outcome CheckRepair::pointRecord(const CheckReport::Record &record, const QString &source, const QDateTime &now)
{
    const QString folder = AttachmentPath();
    {
        // Nothing is copied for a record that changed already.
        Engine &e = engine();
        if (!recordUnchanged(e, record) || copyBack(record))
            return Outcome::Changed;
    }
    AttachmentMarker::check(folder);
    StoredNameSequence names(now);
    const QString extension = StoredName::storedExtension(StoredName::extension(LastPathPart(source)));
    // The old name's copy is missing, so it looks free; taking it would make the new copy
    // look like the old one come back. Its base is avoided whatever the extension: on FAT or a
    // Windows share another spelling of the extension is the same file.
    const qsizetype dot = record.storedName.lastIndexOf(QLatin1Char('.'));
    names.avoid(dot < 0 ? record.storedName : record.storedName.left(dot));
    while (QFileInfo::exists(folder + names.current() + QLatin1Char('.') + extension))
        names.advance();
    const AtomicCopy::Result copy = AtomicCopy::copyNew(source, folder, names, extension);
    try {
        Engine &e = engine();
        WriteTransaction tx(e);
        if (!recordUnchanged(e, record) || copyBack(record)) {
            QFile::remove(folder + copy.name);
            return Outcome::Changed;
        }
        e.execute(QStringLiteral("UPDATE tblAttachment SET SaveFileName = ? WHERE ") + e.addressCondition(),
                  {copy.name, record.address});
        ContentHashes::record(e, copy.name, copy.sha256);
        tx.commit();
    } catch (...) {
        QFile::remove(folder + copy.name);
        throw;
    }
    return Outcome::Done;
}

Outcome CheckRepair::binOrphan(const CheckReport::File &file, qint64 nowSecs)
{
    Engine &e = engine();
    requireBin();
    if (!unchangedAndOld(file, nowSecs))
        return Outcome::Changed;
    WriteTransaction tx(e);
    if (named(e, file.name) || !unchangedAndOld(file, nowSecs))
        return Outcome::Changed;
    try {
        RecycleBin::binOrphan(file.name);
    } catch (const RecordChanged &) {
        return Outcome::Changed;
    }
    tx.commit();
    return Outcome::Done;
}

Outcome CheckRepair::removeLeftover(const CheckReport::File &file, qint64 nowSecs)
{
    Engine &e = engine();
    if (!unchangedAndOld(file, nowSecs))
        return Outcome::Changed;
    // The transaction keeps a record from taking the name while the file goes.
    WriteTransaction tx(e);
    if (named(e, file.name) || !unchangedAndOld(file, nowSecs))
        return Outcome::Changed;
    if (::unlink(QFile::encodeName(AttachmentPath() + file.name).constData()) != 0 && errno != ENOENT)
        throw AppError(QStringLiteral("无法删除 %1: %2")
                           .arg(QDir::toNativeSeparators(AttachmentPath() + file.name), SystemErrorText::describe(errno)));
    tx.commit();
    return Outcome::Done;
}

Outcome CheckRepair::dropBinEntry(const CheckReport::Record &entry)
{
    requireBin();
    RecycleBin::Entry e;
    e.address = entry.address;
    e.fileName = entry.fileName;
    e.storedName = entry.storedName;
    e.deletedAt = entry.deletedAt;
    e.binFile = entry.binFile;
    // Only while the copy is still gone: one that came back is worth restoring.
    const bool inBin = !e.binFile.isEmpty() && StoredName::isPlain(e.binFile) &&
                       FileStamp::of(RecycleBin::folder() + e.binFile, false).isRegular();
    if (inBin || (copyBack(entry) && !RecycleBin::recordNamed(entry.storedName)))
        return Outcome::Changed;
    try {
        const RecycleBin::Emptied emptied = RecycleBin::empty({e});
        if (!emptied.failures.isEmpty())
            throw AppError(emptied.failures.constFirst());
    } catch (const RecordChanged &) {
        return Outcome::Changed;
    }
    return Outcome::Done;
}

Outcome CheckRepair::adoptBinFile(const CheckReport::File &file)
{
    requireBin();
    if (FileStamp::of(RecycleBin::folder() + file.name, false) != file.stamp)
        return Outcome::Changed;
    try {
        RecycleBin::adoptBinFile(file.name);
    } catch (const RecordChanged &) {
        return Outcome::Changed;
    }
    return Outcome::Done;
}

namespace {
// Writes a copy's hash while the copy is still as it was hashed and a record names it;
// `sql` changes one row or none (when the hash changed meanwhile).
Outcome writeHash(const CheckReport::Hash &hash, const QString &sql, const QVariantList &values)
{
    Engine &e = engine();
    requireHashes(e);
    WriteTransaction tx(e);
    if (FileStamp::of(AttachmentPath() + hash.storedName, true) != hash.stamp || !RecycleBin::recordNamed(hash.storedName) ||
        e.execute(sql, values) != 1)
        return Outcome::Changed;
    tx.commit();
    return Outcome::Done;
}
} // namespace

Outcome CheckRepair::fillHash(const CheckReport::Hash &hash)
{
    return writeHash(hash,
                     QStringLiteral("INSERT INTO tblContentHash (SaveFileName, Sha256) SELECT ?, ? WHERE NOT EXISTS "
                                    "(SELECT 1 FROM tblContentHash WHERE SaveFileName = ?)"),
                     {hash.storedName, hash.current, hash.storedName});
}

Outcome CheckRepair::acceptHash(const CheckReport::Hash &hash)
{
    return writeHash(hash, QStringLiteral("UPDATE tblContentHash SET Sha256 = ? WHERE SaveFileName = ? AND Sha256 = ?"),
                     {hash.current, hash.storedName, hash.recorded});
}
