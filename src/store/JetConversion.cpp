#include "store/JetConversion.h"

#include "store/AppError.h"
#include "store/CatalogueLocation.h"
#include "store/CatalogueSchema.h"
#include "store/ConversionCancelled.h"
#include "store/Engine.h"
#include "store/JetSource.h"
#include "store/RowTable.h"
#include "store/SystemErrorText.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QUuid>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {
constexpr qint64 kGroup = 200;

QString shown(const QString &path)
{
    return CatalogueLocation::displayName(path);
}

QString columnList(Engine &engine)
{
    QStringList names;
    for (const char *n : JetRecord::names())
        names << engine.identifier(QLatin1String(n));
    return names.join(QLatin1Char(','));
}

void step(const JetConversion::Progress &progress, JetConversion::Phase phase, qint64 done, qint64 total)
{
    if (progress && !progress(phase, done, total))
        throw ConversionCancelled(QStringLiteral("已取消转换, 未作任何更改"));
}

void write(Engine &engine, const std::vector<JetRecord> &records, const JetConversion::Progress &progress)
{
    // Many rows a statement: one round trip to a server per group, not per record.
    const QString head = QStringLiteral("INSERT INTO tblAttachment (%1) VALUES ").arg(columnList(engine));
    const QString marks = QStringLiteral("(?,?,?,?,?,?)");
    const qint64 total = qint64(records.size());
    QString full;
    for (qint64 first = 0; first < total; first += kGroup) {
        const qint64 n = qMin(kGroup, total - first);
        QVariantList params;
        params.reserve(int(n) * JetRecord::kFields);
        for (qint64 i = first; i < first + n; ++i)
            for (const QVariant &v : records[size_t(i)].fields)
                params << v;
        if (n != kGroup || full.isEmpty()) {
            QStringList all;
            for (qint64 i = 0; i < n; ++i)
                all << marks;
            full = head + all.join(QLatin1Char(','));
        }
        engine.execute(full, params);
        step(progress, JetConversion::Writing, first + n, total);
    }
}

// Reads the catalogue's records back and compares them, field by field, with those read
// from the Jet file (as sets: a server returns them in an order of its own).
void verify(Engine &engine, const std::vector<JetRecord> &records, const JetConversion::Progress &progress)
{
    RowTable rows;
    engine.execute(QStringLiteral("SELECT %1 FROM tblAttachment").arg(columnList(engine)), {}, &rows);
    const qint64 total = qint64(records.size());
    step(progress, JetConversion::Comparing, 0, total);
    if (rows.count() != total)
        throw AppError(QStringLiteral("核对失败: 新数据库中有 %1 条记录, 原文件中有 %2 条").arg(rows.count()).arg(total));
    // Written in one go, the records mostly come back in their order: compared so first.
    bool inOrder = true;
    for (qint64 i = 0; i < total && inOrder; ++i) {
        const QVariant *row = rows.row(i);
        const JetRecord &r = records[size_t(i)];
        for (int f = 0; f < JetRecord::kFields && inOrder; ++f)
            inOrder = JetRecord::sameValue(row[f], r.fields[size_t(f)]);
    }
    step(progress, JetConversion::Comparing, total / 2, total);
    if (inOrder)
        return;
    std::vector<JetRecord> back(records.size());
    for (qint64 i = 0; i < total; ++i)
        for (int f = 0; f < JetRecord::kFields; ++f)
            back[size_t(i)].fields[size_t(f)] = rows.row(i)[f];
    std::vector<std::pair<QString, qint64>> read, written;
    read.reserve(records.size());
    written.reserve(records.size());
    for (qint64 i = 0; i < total; ++i) {
        read.emplace_back(records[size_t(i)].key(), i);
        written.emplace_back(back[size_t(i)].key(), i);
    }
    std::sort(read.begin(), read.end());
    std::sort(written.begin(), written.end());
    for (size_t i = 0; i < read.size(); ++i) {
        const JetRecord &a = records[size_t(read[i].second)];
        const JetRecord &b = back[size_t(written[i].second)];
        if (a != b)
            throw AppError(QStringLiteral("核对失败: 原文件的记录 %1 (%2) 在新数据库中不一致, 未保存")
                               .arg(read[i].second + 1)
                               .arg(a.fields[2].toString()));
    }
    step(progress, JetConversion::Comparing, total, total);
}

qint64 withoutCopy(const std::vector<JetRecord> &records, const QString &folder)
{
    const QStringList entries =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    const QSet<QString> present(entries.begin(), entries.end());
    qint64 missing = 0;
    for (const JetRecord &r : records) {
        const QVariant &name = r.fields[4];
        if (name.isNull() || name.toString().isEmpty() || !present.contains(name.toString()))
            ++missing;
    }
    return missing;
}

QString folderOf(const QString &path)
{
    return QFileInfo(path).absolutePath() + QLatin1Char('/');
}

void removeFile(const QString &path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

void syncFolder(const QString &folder)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(folder);
#endif
}

// Moves `from` to `to` when nothing stands there: never over a file or a link that
// appeared meanwhile.
void renameNew(const QString &from, const QString &to)
{
    const QByteArray a = QFile::encodeName(from), b = QFile::encodeName(to);
#ifdef Q_OS_LINUX
    int rc = ::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE);
    // Some file systems (FAT on older kernels, shares) cannot refuse to replace.
    if (rc != 0 && (errno == EINVAL || errno == ENOSYS))
        rc = QFileInfo::exists(to) || QFileInfo(to).isSymLink() ? (errno = EEXIST, -1)
                                                                : std::rename(a.constData(), b.constData());
#else
    const int rc = QFileInfo::exists(to) ? (errno = EEXIST, -1) : std::rename(a.constData(), b.constData());
#endif
    if (rc != 0)
        throw AppError(
            QStringLiteral("无法把 %1 改名为 %2: %3").arg(shown(from), shown(to), SystemErrorText::describe(errno)));
}

// A durable copy of the Jet file under a new name. It is written under a temporary name
// (removed as a leftover if the program is killed) and takes the new one only when whole.
void keepCopy(const QString &from, const QString &temp, const QString &to)
{
    QFile in(from);
    QFile out(temp);
    if (!in.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("无法读取 %1: %2").arg(shown(from), in.errorString()));
    // Unbuffered, so that errno still tells why a write failed (a full disk, say).
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        throw AppError(QStringLiteral("无法写入 %1: %2").arg(shown(temp), out.errorString()));
    bool ok = true;
    int code = 0;
    while (ok && !in.atEnd()) {
        const QByteArray chunk = in.read(1 << 20);
        errno = 0;
        ok = !chunk.isEmpty() && out.write(chunk) == chunk.size();
        code = errno;
    }
#ifdef Q_OS_UNIX
    if (ok && ::fsync(out.handle()) != 0) {
        ok = false;
        code = errno;
    }
#endif
    const QString why = code != 0 ? SystemErrorText::describe(code) : out.errorString();
    out.close();
    if (!ok || in.error() != QFileDevice::NoError) {
        QFile::remove(temp);
        throw AppError(QStringLiteral("无法保留原文件的副本 %1: %2").arg(shown(to), why));
    }
    try {
        renameNew(temp, to);
    } catch (...) {
        QFile::remove(temp);
        throw;
    }
    syncFolder(folderOf(to));
}

void renameOver(const QString &from, const QString &to)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        throw AppError(
            QStringLiteral("无法把 %1 改名为 %2: %3").arg(shown(from), shown(to), SystemErrorText::describe(errno)));
    syncFolder(folderOf(to));
}

std::shared_ptr<Engine> opened(const QString &location)
{
    std::shared_ptr<Engine> engine = CatalogueLocation::engineFor(location);
    engine->open();
    return engine;
}

// Runs `work` in one write transaction, undone when it fails.
void inTransaction(Engine &engine, const std::function<void()> &work)
{
    engine.begin();
    try {
        work();
        engine.commit();
    } catch (...) {
        // What failed is reported, not a rollback that then found no transaction.
        try {
            engine.rollback();
        } catch (...) {
        }
        throw;
    }
}

QString temporaryFor(const QString &path)
{
    return JetConversion::temporaryPrefix(path) + QUuid::createUuid().toString(QUuid::Id128).left(12) +
           QStringLiteral(".tmp");
}

// A new catalogue file with every record, read back through a connection of its own.
void writeFresh(const QString &file, const std::vector<JetRecord> &records, const JetConversion::Progress &progress)
{
    CatalogueSchema::create(file);
    {
        std::shared_ptr<Engine> engine = opened(file);
        // The new file's indexes are built once the records are in, not record by record.
        RowTable indexes;
        engine->execute(QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type='index' AND "
                                       "tbl_name='tblAttachment' AND sql IS NOT NULL"),
                        {}, &indexes);
        inTransaction(*engine, [&] {
            for (qint64 i = 0; i < indexes.count(); ++i)
                engine->execute(QStringLiteral("DROP INDEX ") + engine->identifier(indexes.row(i)[0].toString()));
            write(*engine, records, progress);
            for (qint64 i = 0; i < indexes.count(); ++i)
                engine->execute(indexes.row(i)[1].toString());
        });
        engine->close();
    }
    std::shared_ptr<Engine> check = opened(file);
    verify(*check, records, progress);
    check->close();
}

std::vector<JetRecord> readJet(const QString &path, const QByteArray &codePage, const JetConversion::Progress &progress)
{
    return JetSource::read(path, codePage, [&](qint64 done, qint64 total) {
        return !progress || progress(JetConversion::Reading, done, total);
    });
}

struct Stamp {
    qint64 size;
    QDateTime modified;
    bool operator==(const Stamp &o) const { return size == o.size && modified == o.modified; }
};

Stamp stampOf(const QString &path)
{
    const QFileInfo info(path);
    return {info.size(), info.lastModified()};
}
} // namespace

QString JetConversion::temporaryPrefix(const QString &path)
{
    return path + QStringLiteral(".converting-");
}

QString JetConversion::keptName(const QString &path)
{
    const QFileInfo info(path);
    const QString base = folderOf(path) + info.completeBaseName() + QStringLiteral("-旧版Jet");
    QString name = base + QStringLiteral(".mdb");
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = base + QStringLiteral("-%1.mdb").arg(n);
    return name;
}

JetConversion::Result JetConversion::inPlace(const QString &path, const QString &attachmentFolder,
                                             const QByteArray &codePage, const Progress &progress)
{
    const Stamp before = stampOf(path);
    const std::vector<JetRecord> records = readJet(path, codePage, progress);
    const QString temp = temporaryFor(path);
    Result result;
    try {
        writeFresh(temp, records, progress);
        // The Jet file is what was read: the older program did not write it meanwhile.
        if (!(stampOf(path) == before))
            throw AppError(QStringLiteral("%1 在转换期间被其他程序改动, 未作任何更改, 请稍后再试").arg(shown(path)));
        result.keptAs = keptName(path);
        keepCopy(path, temporaryFor(path), result.keptAs);
        try {
            renameOver(temp, path);
        } catch (...) {
            QFile::remove(result.keptAs);
            throw;
        }
    } catch (...) {
        removeFile(temp);
        throw;
    }
    result.records = qint64(records.size());
    result.withoutCopy = withoutCopy(records, attachmentFolder);
    return result;
}

JetConversion::Result JetConversion::into(const QString &jetPath, const QString &target, const QByteArray &codePage,
                                          const Progress &progress)
{
    const std::vector<JetRecord> records = readJet(jetPath, codePage, progress);
    const bool server = CatalogueLocation::isServer(target);
    if (!server && !QFileInfo::exists(target) && !QFileInfo(target).isSymLink()) {
        const QString temp = temporaryFor(target);
        try {
            writeFresh(temp, records, progress);
            renameOver(temp, target);
        } catch (...) {
            removeFile(temp);
            throw;
        }
    } else {
        if (server)
            CatalogueSchema::create(target); // makes what is missing, leaves a catalogue as it is
        std::shared_ptr<Engine> engine = opened(target);
        // Bin rows and hashes belong to what the target holds: refused as records are, never removed.
        RowTable count;
        engine->execute(QStringLiteral("SELECT (SELECT COUNT(*) FROM tblAttachment), (SELECT COUNT(*) FROM "
                                       "tblRecycleBin), (SELECT COUNT(*) FROM tblContentHash)"),
                        {}, &count);
        if (count.row(0)[0].toLongLong() > 0)
            throw AppError(QStringLiteral("%1 已有记录,不能复制到其中").arg(engine->displayName()));
        if (count.row(0)[1].toLongLong() > 0 || count.row(0)[2].toLongLong() > 0)
            throw AppError(QStringLiteral("%1 的回收站或内容摘要中已有数据,不能复制到其中").arg(engine->displayName()));
        inTransaction(*engine, [&] {
            write(*engine, records, progress);
            verify(*engine, records, progress);
        });
        engine->close();
    }
    Result result;
    result.records = qint64(records.size());
    result.withoutCopy = withoutCopy(records, folderOf(jetPath) + QStringLiteral("Attachment/"));
    return result;
}

QString JetConversion::report(const Result &result, const QString &target)
{
    QString text = QStringLiteral("已把 %1 条记录转换到 %2, 逐项核对无误").arg(result.records).arg(shown(target));
    text += QStringLiteral("; 其中 %1 条记录在附件文件夹中没有对应的文件").arg(result.withoutCopy);
    if (!result.keptAs.isEmpty())
        text += QStringLiteral("。原来的 Jet 文件保留为 %1").arg(shown(result.keptAs));
    return text + QStringLiteral("。");
}
