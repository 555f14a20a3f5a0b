#include "store/RecycleBin.h"

#include "store/AppError.h"
#include "store/CatalogueSchema.h"
#include "store/ConnectionLost.h"
#include "store/ContentHashes.h"
#include "store/DatabaseLocator.h"
#include "store/Engine.h"
#include "store/FileStamp.h"
#include "store/IniFile.h"
#include "store/RecordChanged.h"
#include "store/RowTable.h"
#include "store/Services.h"
#include "store/StoredName.h"
#include "store/StoredNameSequence.h"
#include "store/SystemErrorText.h"
#include "store/WriteTransaction.h"
#include "store/clsCurrentDb.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString kTime = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString now()
{
    return QDateTime::currentDateTime().toString(kTime);
}

// Moves a file under a name that nobody has in the target folder; the first free one of
// `name`, `name~1`, `name~2`, ... Returns the name used.
// The bin is shared as the folder that holds it is: it takes that folder's permissions, so
// every account that may write the attachment folder may bin and restore there. Only the
// bin is made: a missing attachment folder is never made in passing.
void makeFolderLikeParent(const QString &folder)
{
    const QByteArray path = QFile::encodeName(QDir::cleanPath(folder));
    if (QFileInfo(folder).isDir() || ::mkdir(path.constData(), 0777) != 0)
        return;
    struct stat parent {};
    if (::stat(QFile::encodeName(QFileInfo(QDir::cleanPath(folder)).path()).constData(), &parent) == 0)
        ::chmod(path.constData(), parent.st_mode & 07777);
}

QString moveNoReplace(const QString &from, const QString &folder, const QString &name)
{
    makeFolderLikeParent(folder);
    const QByteArray source = QFile::encodeName(from);
    for (int i = 0;; ++i) {
        const QString candidate = i == 0 ? name : name + QStringLiteral("~%1").arg(i);
        const QByteArray target = QFile::encodeName(folder + candidate);
        if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
            return candidate;
        if (errno == EEXIST)
            continue;
        // Volumes that cannot refuse to replace (FAT over FUSE, some shares): look first.
        if ((errno == EINVAL || errno == ENOSYS) && !QFileInfo::exists(folder + candidate)) {
            if (::rename(source.constData(), target.constData()) == 0)
                return candidate;
        } else if (errno == EINVAL || errno == ENOSYS) {
            continue;
        }
        throw AppError(QStringLiteral("无法移动 %1: %2")
                           .arg(QDir::toNativeSeparators(from), QString::fromLocal8Bit(std::strerror(errno))));
    }
}

// The first of `name`, `name~1`, `name~2`, ... that no file in the folder has and that is
// not planned already.
QString freeName(const QString &folder, const QString &name, const QSet<QString> &planned)
{
    for (int i = 0;; ++i) {
        const QString candidate = i == 0 ? name : name + QStringLiteral("~%1").arg(i);
        if (!planned.contains(candidate) && !QFileInfo::exists(folder + candidate))
            return candidate;
    }
}

Engine &engine()
{
    return *CurrentDb().engine();
}

QString insertStatement()
{
    const Engine &e = engine();
    return QStringLiteral("INSERT INTO tblRecycleBin (Currentinfo, %1, FileName, FolderName, SaveFileName, tblFileKind, "
                          "DeletedAt, BinFile) VALUES (?, ?, ?, ?, ?, ?, ?, ?)")
        .arg(e.identifier(QStringLiteral("Date")));
}

// The bin row still as it was listed, locked until the transaction ends.
void requireEntry(const RecycleBin::Entry &entry)
{
    Engine &e = engine();
    RowTable rows;
    e.execute(QStringLiteral("SELECT SaveFileName, DeletedAt, BinFile FROM tblRecycleBin WHERE ") + e.addressCondition() +
                  e.lockClause(),
              {entry.address}, &rows);
    if (rows.count() != 1 || rows.row(0)[0].toString() != entry.storedName || rows.row(0)[1].toString() != entry.deletedAt ||
        rows.row(0)[2].toString() != entry.binFile)
        throw RecordChanged();
}
} // namespace

QString RecycleBin::folderName()
{
    return QStringLiteral(".recycle");
}

QString RecycleBin::folder()
{
    return AttachmentPath() + folderName() + QLatin1Char('/');
}

bool RecycleBin::recordNamed(const QString &storedName)
{
    RowTable rows;
    engine().execute(QStringLiteral("SELECT 1 FROM tblAttachment WHERE SaveFileName = ?"), {storedName}, &rows);
    return rows.count() > 0;
}

bool RecycleBin::available()
{
    return CatalogueSchema::hasTable(engine(), QStringLiteral("tblRecycleBin"));
}

QVector<RecycleBin::Move> RecycleBin::bin(const QString &where, bool moveCopies)
{
    Engine &e = engine();
    Recordset rs =
        CurrentDb().OpenRecordset(QStringLiteral("select * from [tblAttachment] where ") + where + e.lockClause());
    const QString deletedAt = now();
    QVector<Move> moves;
    QSet<QString> planned;
    while (!rs.isEOF() && !rs.isBOF()) {
        const QString stored = rs.text(QStringLiteral("SaveFileName"));
        const QString copy = AttachmentPath() + stored;
        QString binFile;
        if (moveCopies && StoredName::isPlain(stored) && QFileInfo(copy).isFile()) {
            binFile = freeName(folder(), stored, planned);
            planned.insert(binFile);
            moves.append({copy, binFile, stored, deletedAt});
        }
        e.execute(insertStatement(),
                  {rs.field(QStringLiteral("Currentinfo")), rs.field(QStringLiteral("Date")),
                   rs.field(QStringLiteral("FileName")), rs.field(QStringLiteral("FolderName")),
                   rs.field(QStringLiteral("SaveFileName")), rs.field(QStringLiteral("tblFileKind")), deletedAt, binFile});
        if (!binFile.isEmpty())
            ContentHashes::rename(e, stored, ContentHashes::binKey(binFile));
        rs.MoveNext();
    }
    return moves;
}

void RecycleBin::moveCopies(const QVector<Move> &moves)
{
    for (const Move &m : moves) {
        QString binFile;
        try {
            binFile = moveNoReplace(m.copy, folder(), m.binFile);
        } catch (const AppError &) {
            // The copy stays where it is; its bin row says so.
        }
        if (binFile == m.binFile)
            continue;
        try {
            WriteTransaction tx(engine());
            engine().execute(QStringLiteral("UPDATE tblRecycleBin SET BinFile = ? WHERE BinFile = ? AND SaveFileName = ? "
                                            "AND DeletedAt = ?"),
                             {binFile, m.binFile, m.storedName, m.deletedAt});
            ContentHashes::rename(engine(), ContentHashes::binKey(m.binFile),
                                  binFile.isEmpty() ? m.storedName : ContentHashes::binKey(binFile));
            tx.commit();
        } catch (const AppError &) {
            // A bin row whose file is not in the bin finds its copy in place when restored.
        }
    }
}

QVector<RecycleBin::Entry> RecycleBin::entries()
{
    QVector<Entry> out;
    if (!available())
        return out;
    Recordset rs = CurrentDb().OpenRecordset(QStringLiteral("Select * From tblRecycleBin"));
    out.reserve(int(rs.RecordCount()));
    while (!rs.isEOF() && !rs.isBOF()) {
        Entry e;
        e.address = rs.address();
        e.fileName = rs.text(QStringLiteral("FileName"));
        e.category = rs.text(QStringLiteral("FolderName"));
        e.description = rs.text(QStringLiteral("Currentinfo"));
        e.date = rs.text(QStringLiteral("Date"));
        e.storedName = rs.text(QStringLiteral("SaveFileName"));
        e.deletedAt = rs.text(QStringLiteral("DeletedAt"));
        e.binFile = rs.text(QStringLiteral("BinFile"));
        e.kind = rs.field(QStringLiteral("tblFileKind")).toInt();
        out.append(e);
        rs.MoveNext();
    }
    return out;
}

namespace {
// The entry's file name, or "name (2).ext" and on when its category of its kind has that name.
QString freeFileName(Engine &e, const RecycleBin::Entry &entry)
{
    RowTable rows;
    // Most often the name is free: an index finds that without reading the whole category.
    e.execute(QStringLiteral("SELECT 1 FROM tblAttachment WHERE FileName = ? AND FolderName = ? AND tblFileKind = ?"),
              {entry.fileName, entry.category, entry.kind}, &rows);
    if (rows.count() == 0)
        return entry.fileName;
    e.execute(QStringLiteral("SELECT FileName FROM tblAttachment WHERE FolderName = ? AND tblFileKind = ?"),
              {entry.category, entry.kind}, &rows);
    QSet<QString> taken;
    for (int r = 0; r < rows.count(); ++r)
        taken.insert(rows.row(r)[0].toString());
    if (!taken.contains(entry.fileName))
        return entry.fileName;
    const qsizetype dot = entry.fileName.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? entry.fileName.left(dot) : entry.fileName;
    const QString extension = dot > 0 ? entry.fileName.mid(dot) : QString();
    const QString gap = base.endsWith(QLatin1Char(' ')) ? QString() : QStringLiteral(" ");
    for (qint64 n = 2;; ++n) {
        const QString candidate = base + gap + QStringLiteral("(%1)").arg(n) + extension;
        if (!taken.contains(candidate))
            return candidate;
    }
}
} // namespace

QString RecycleBin::restore(const Entry &entry)
{
    return restoreInside(entry, nullptr);
}

namespace {
void moveBack(const QVector<QPair<QString, QString>> &moved)
{
    for (const auto &m : moved)
        ::rename(QFile::encodeName(m.first).constData(), QFile::encodeName(m.second).constData());
}
} // namespace

GroupRunner::Outcome RecycleBin::restoreMany(const QVector<Entry> &entries)
{
    return GroupRunner::run(entries.size(), QStringLiteral("restoreProgress"), QStringLiteral("正在还原记录 %1 / %2 ..."),
                            [&](qint64 first, qint64 count, GroupRunner::Outcome &outcome) {
                                QVector<QPair<QString, QString>> moved;
                                qint64 done = 0;
                                try {
                                    WriteTransaction tx(engine());
                                    for (qint64 i = first; i < first + count; ++i) {
                                        const Entry &entry = entries.at(i);
                                        try {
                                            restoreInside(entry, &moved);
                                            ++done;
                                        } catch (const ConnectionLost &) {
                                            throw; // every other one would fail the same way
                                        } catch (const AppError &error) {
                                            outcome.failures << entry.fileName + QStringLiteral(": ") + error.message();
                                        }
                                    }
                                    tx.commit();
                                } catch (...) {
                                    // Nothing of the group is restored: its copies go back into the bin.
                                    moveBack(moved);
                                    throw;
                                }
                                outcome.done += done;
                                return count;
                            });
}

QString RecycleBin::restoreInside(const Entry &entry, QVector<QPair<QString, QString>> *moved)
{
    Engine &e = engine();
    // Inside a group's transaction a savepoint: a failure undoes this entry alone.
    WriteTransaction tx(e);
    requireEntry(entry);
    const bool nameInUse = recordNamed(entry.storedName);
    const bool inBin =
        !entry.binFile.isEmpty() && StoredName::isPlain(entry.binFile) && QFileInfo(folder() + entry.binFile).isFile();
    // A copy whose move into the bin never happened (a crash right after the delete) is
    // still in place, where no record names it (and no import in flight holds it as its
    // new copy).
    const QString inPlacePath = AttachmentPath() + entry.storedName;
    const bool inPlace = !inBin && !nameInUse && StoredName::isPlain(entry.storedName) && QFileInfo(inPlacePath).isFile() &&
                         !FileStamp::inUse(inPlacePath);
    if (!inBin && !inPlace)
        throw AppError(QStringLiteral("附件副本已不存在(回收站文件夹和附件文件夹中都找不到),记录仍留在回收站中"));
    // A newer record may have taken the name meanwhile: the restored one gets a new name.
    QString target = entry.storedName;
    const bool taken =
        !StoredName::isPlain(target) || nameInUse || (!inPlace && QFileInfo::exists(AttachmentPath() + target));
    if (taken) {
        StoredNameSequence names(QDateTime::currentDateTime());
        const QString extension = StoredName::storedExtension(StoredName::extension(entry.storedName));
        while (QFileInfo::exists(AttachmentPath() + names.current() + QLatin1Char('.') + extension))
            names.advance();
        target = names.current() + QLatin1Char('.') + extension;
    }
    // A version a replacing import put here comes back beside the record that replaced it,
    // under a name of its own: two records of one name could not be told apart.
    const QString fileName = freeFileName(e, entry);
    QString movedTo;
    if (inBin) {
        movedTo = AttachmentPath() + moveNoReplace(folder() + entry.binFile, AttachmentPath(), target);
        target = LastPathPart(movedTo);
    }
    try {
        e.execute(QStringLiteral("INSERT INTO tblAttachment (Currentinfo, %1, FileName, FolderName, SaveFileName, "
                                 "tblFileKind) VALUES (?, ?, ?, ?, ?, ?)")
                      .arg(e.identifier(QStringLiteral("Date"))),
                  {entry.description, entry.date.isEmpty() ? QVariant() : QVariant(entry.date), fileName, entry.category,
                   target, entry.kind});
        // A trigger of the catalogue may have taken the row away again: then nothing is restored.
        if (!recordNamed(target))
            throw AppError(QStringLiteral("还原的记录写入后不在表中(可能被触发器删除),记录仍留在回收站中"));
        e.execute(QStringLiteral("DELETE FROM tblRecycleBin WHERE ") + e.addressCondition(), {entry.address});
        // The content hash follows the copy to its name. One binned before binned hashes had
        // keys of their own stayed under the old name, unless that is another record's now.
        if (!(inBin && ContentHashes::rename(e, ContentHashes::binKey(entry.binFile), target)) && !nameInUse)
            ContentHashes::rename(e, entry.storedName, target);
        tx.commit();
    } catch (...) {
        if (!movedTo.isEmpty())
            moveBack({{movedTo, folder() + entry.binFile}});
        throw;
    }
    if (moved && !movedTo.isEmpty())
        moved->append({movedTo, folder() + entry.binFile});
    return target;
}

RecycleBin::Emptied RecycleBin::empty(const QVector<Entry> &entries)
{
    Engine &e = engine();
    Emptied result;
    // The write lock keeps another program from restoring an entry while its copy goes.
    WriteTransaction tx(e);
    for (const Entry &entry : entries)
        requireEntry(entry);
    for (const Entry &entry : entries) {
        const bool named = recordNamed(entry.storedName);
        RowTable sameName;
        e.execute(QStringLiteral("SELECT 1 FROM tblRecycleBin WHERE SaveFileName = ?"), {entry.storedName}, &sameName);
        // The copy: in the bin folder, or left in place (by a category's delete, or a crash
        // before its move) where neither a record nor another binned one names it.
        QString copy;
        if (!entry.binFile.isEmpty() && StoredName::isPlain(entry.binFile) && QFileInfo::exists(folder() + entry.binFile))
            copy = folder() + entry.binFile;
        else if (StoredName::isPlain(entry.storedName) && !named && sameName.count() == 1)
            copy = AttachmentPath() + entry.storedName;
        // Removed before its row: a copy that stays keeps the row that names it. Should the
        // commit fail after this, the row names a copy already gone, which the next emptying
        // takes away.
        if (!copy.isEmpty() && FileStamp::inUse(copy)) {
            // Under the name of a copy left in place: another program's import in flight.
            result.failures << QStringLiteral("%1: %2 正被其他程序使用").arg(entry.fileName, QDir::toNativeSeparators(copy));
            continue;
        }
        if (!copy.isEmpty() && ::unlink(QFile::encodeName(copy).constData()) != 0 && errno != ENOENT) {
            result.failures << QStringLiteral("%1: %2 %3")
                                   .arg(entry.fileName, QDir::toNativeSeparators(copy), SystemErrorText::describe(errno));
            continue;
        }
        e.execute(QStringLiteral("DELETE FROM tblRecycleBin WHERE ") + e.addressCondition(), {entry.address});
        if (ContentHashes::available(e)) {
            if (!entry.binFile.isEmpty())
                ContentHashes::forget(e, ContentHashes::binKey(entry.binFile));
            if (!named && sameName.count() == 1)
                ContentHashes::forget(e, entry.storedName);
        }
        ++result.removed;
    }
    tx.commit();
    return result;
}

void RecycleBin::binOrphan(const QString &copyName)
{
    Engine &e = engine();
    const QString path = AttachmentPath() + copyName;
    const QString date = QFileInfo(path).lastModified().toString(kTime);
    WriteTransaction tx(e);
    if (recordNamed(copyName))
        throw RecordChanged(); // a record names it after all: another program imported it
    const QString binFile = moveNoReplace(path, folder(), copyName);
    try {
        e.execute(insertStatement(), {QStringLiteral("检查目录时发现的无记录副本"), date, copyName, QString(), copyName,
                                      kindOfName(copyName), now(), binFile});
        tx.commit();
    } catch (...) {
        ::rename(QFile::encodeName(folder() + binFile).constData(), QFile::encodeName(path).constData());
        throw;
    }
}

void RecycleBin::adoptBinFile(const QString &binFile)
{
    Engine &e = engine();
    WriteTransaction tx(e);
    RowTable rows;
    e.execute(QStringLiteral("SELECT 1 FROM tblRecycleBin WHERE BinFile = ?"), {binFile}, &rows);
    if (rows.count() > 0 || !StoredName::isPlain(binFile) || !QFileInfo(folder() + binFile).isFile())
        throw RecordChanged();
    e.execute(insertStatement(), {QStringLiteral("检查目录时在回收站文件夹中发现的无记录文件"),
                                  QFileInfo(folder() + binFile).lastModified().toString(kTime), binFile, QString(), binFile,
                                  kindOfName(binFile), now(), binFile});
    tx.commit();
}

int RecycleBin::kindOfName(const QString &name)
{
    const QList<QPair<QString, int>> filters = {{QStringLiteral("txtText"), 2},
                                                {QStringLiteral("txtImage"), 3},
                                                {QStringLiteral("txtMedia"), 4},
                                                {QStringLiteral("txtSound"), 5},
                                                {QStringLiteral("txtOffice"), 6}};
    for (const auto &f : filters) {
        for (const QString &pattern : ReadIni(f.first).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(pattern.trimmed()),
                                        QRegularExpression::CaseInsensitiveOption);
            if (re.match(name).hasMatch())
                return f.second;
        }
    }
    return 1;
}
