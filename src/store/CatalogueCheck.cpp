#include "store/CatalogueCheck.h"

#include "store/AppError.h"
#include "store/AtomicCopy.h"
#include "store/AttachmentMarker.h"
#include "store/CheckProgress.h"
#include "store/CheckSnapshot.h"
#include "store/ContentHasher.h"
#include "store/RecycleBin.h"
#include "store/StoredName.h"
#include "store/SystemErrorText.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

enum class EntryType : unsigned char { Regular, Link, Other };

// Cancel is looked at every so many entries or records: often enough to stop within a
// second, rarely enough to cost nothing.
constexpr qint64 kStride = 1024;

QHash<QString, EntryType> listFolder(const QString &folder, CheckProgress &progress, bool mayBeMissing = false)
{
    QHash<QString, EntryType> entries;
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir && mayBeMissing && errno == ENOENT)
        return entries;
    if (!dir)
        throw AppError(QStringLiteral("无法读取附件文件夹 %1: %2")
                           .arg(QDir::toNativeSeparators(folder), SystemErrorText::describe(errno)));
    while (dirent *e = ::readdir(dir)) {
        if (progress.done.fetch_add(1, std::memory_order_relaxed) % kStride == 0 && progress.cancelled())
            break;
        const char *n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        EntryType type = e->d_type == DT_REG ? EntryType::Regular : e->d_type == DT_LNK ? EntryType::Link : EntryType::Other;
        if (e->d_type == DT_UNKNOWN) { // volumes that do not say: ask
            const FileStamp s = FileStamp::of(folder + QFile::decodeName(n), false);
            type = s.isRegular()                                                    ? EntryType::Regular
                   : FileStamp::of(folder + QFile::decodeName(n), true).isRegular() ? EntryType::Link
                                                                                    : EntryType::Other;
        }
        entries.insert(QFile::decodeName(n), type);
    }
    ::closedir(dir);
    return entries;
}

// The SHA-256 of a file as long as it stays the same while read; false when it changed,
// cannot be read, or the check was cancelled.
bool hashFile(const QString &path, CheckProgress &progress, QString *hex, FileStamp *stamp)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    const FileStamp before = FileStamp::ofDescriptor(fd);
    bool complete = before.isRegular();
    if (complete) {
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        ContentHasher hasher(before.size());
        for (;;) {
            char *block = hasher.block();
            ssize_t n;
            do
                n = ::read(fd, block, ContentHasher::kBlock);
            while (n < 0 && errno == EINTR);
            hasher.add(block, n > 0 ? size_t(n) : 0);
            if (n <= 0) {
                complete = n == 0;
                break;
            }
            progress.done.fetch_add(n, std::memory_order_relaxed);
            if (progress.cancelled()) {
                complete = false;
                break;
            }
        }
        if (complete)
            *hex = QString::fromLatin1(hasher.hex());
    }
    const FileStamp after = FileStamp::ofDescriptor(fd);
    ::close(fd);
    if (!complete || after != before || FileStamp::of(path, true) != before)
        return false;
    *stamp = before;
    return true;
}

QString recordKey(const CheckReport::Record &r)
{
    return r.address.toString() + QChar(0x1f) + r.values().join(QChar(0x1f));
}

template <class Item, class Pred> void dropIf(std::vector<Item> &items, Pred pred)
{
    items.erase(std::remove_if(items.begin(), items.end(), pred), items.end());
}

} // namespace

bool CatalogueCheck::looksStored(const QString &name)
{
    // The stamp (16 to 18 digits), "1"s added while a name was taken, a dot, an extension.
    static const QRegularExpression stored(QStringLiteral("^[0-9]{16,40}\\."));
    return stored.match(name).hasMatch();
}

CheckReport CatalogueCheck::run(const CheckSnapshot &snapshot, bool hashing, qint64 nowSecs, CheckProgress &progress)
{
    CheckReport report;
    report.hashed = hashing;
    const QString &folder = snapshot.folder;

    progress.start(CheckProgress::Listing, 0);
    const QHash<QString, EntryType> entries = listFolder(folder, progress);
    report.files = entries.size();

    progress.start(CheckProgress::Matching, qint64(snapshot.records.size()) + entries.size());
    report.records = qint64(snapshot.records.size());
    struct ToHash {
        QString name;
        QString fileName;
        qint64 size;
    };
    std::vector<ToHash> toHash;
    QSet<QString> queued;
    qint64 bytes = 0;
    for (const CheckReport::Record &r : snapshot.records) {
        if (progress.done.fetch_add(1, std::memory_order_relaxed) % kStride == 0 && progress.cancelled())
            break;
        if (!StoredName::isPlain(r.storedName)) {
            report.unsafe.push_back(r);
            continue;
        }
        const auto found = entries.constFind(r.storedName);
        bool present = found != entries.constEnd() && *found == EntryType::Regular;
        qint64 size = -1;
        if (found != entries.constEnd() && (*found == EntryType::Link || (hashing && present))) {
            const FileStamp s = FileStamp::of(folder + r.storedName, true);
            present = s.isRegular();
            size = s.size();
        }
        if (!present)
            report.missing.push_back(r);
        else if (hashing && !queued.contains(r.storedName)) {
            queued.insert(r.storedName);
            toHash.push_back({r.storedName, r.fileName, size});
            bytes += size;
        }
    }

    // Neither the folder's marker nor the bin (a folder; a file of its name is no copy either).
    const QString marker = AttachmentMarker::fileName();
    const QString bin = RecycleBin::folderName();
    const QString temporary = AtomicCopy::temporaryPrefix();
    for (auto it = entries.constBegin(); it != entries.constEnd() && !progress.cancelled(); ++it) {
        progress.done.fetch_add(1, std::memory_order_relaxed);
        if (*it != EntryType::Regular || snapshot.named.contains(it.key()) || it.key() == marker || it.key() == bin)
            continue;
        CheckReport::File f;
        f.name = it.key();
        f.stamp = FileStamp::of(folder + f.name, false);
        if (!f.stamp.isRegular())
            continue; // gone meanwhile
        if (!f.stamp.olderThan(kMinimumAgeSecs, nowSecs) || FileStamp::inUse(folder + f.name)) {
            ++report.recent; // an import in flight, however long its question stays open
            continue;
        }
        f.temporary = f.name.startsWith(temporary);
        if (f.temporary || (f.stamp.size() == 0 && looksStored(f.name)))
            report.leftovers.push_back(f);
        else
            report.orphans.push_back(f);
    }

    // The bin: each binned record's copy is in the bin folder or, left there, in place; each
    // file of the bin folder is some binned record's copy.
    const QHash<QString, EntryType> binned = listFolder(folder + bin + QLatin1Char('/'), progress, true);
    const QSet<QString> recordNames = snapshot.recordNames();
    QSet<QString> binFiles;
    for (const CheckReport::Record &r : snapshot.bin) {
        if (progress.cancelled())
            break;
        if (!r.binFile.isEmpty())
            binFiles.insert(r.binFile);
        const bool inBin = !r.binFile.isEmpty() && binned.value(r.binFile, EntryType::Other) == EntryType::Regular;
        // A copy whose move into the bin has not happened yet is still in place.
        const bool inPlace = StoredName::isPlain(r.storedName) && !recordNames.contains(r.storedName) &&
                             entries.value(r.storedName, EntryType::Other) == EntryType::Regular;
        if (!inBin && !inPlace)
            report.binMissing.push_back(r);
    }
    for (auto it = binned.constBegin(); it != binned.constEnd() && !progress.cancelled(); ++it) {
        if (*it != EntryType::Regular || binFiles.contains(it.key()))
            continue;
        CheckReport::File f;
        f.name = it.key();
        f.stamp = FileStamp::of(folder + bin + QLatin1Char('/') + f.name, false);
        if (f.stamp.isRegular())
            report.binStrays.push_back(f);
    }

    if (hashing && !progress.cancelled()) {
        progress.start(CheckProgress::Hashing, bytes);
        for (const ToHash &h : toHash) {
            if (progress.cancelled())
                break;
            CheckReport::Hash finding;
            finding.storedName = h.name;
            finding.fileName = h.fileName;
            if (!hashFile(folder + h.name, progress, &finding.current, &finding.stamp))
                continue; // changed while read: the next check sees it settled
            report.hashedBytes += finding.stamp.size();
            finding.recorded = snapshot.hashes.value(h.name);
            if (finding.recorded.isEmpty())
                report.unhashed.push_back(finding);
            else if (finding.recorded.compare(finding.current, Qt::CaseInsensitive) != 0)
                report.changed.push_back(finding);
        }
    }
    report.cancelled = progress.cancelled();

    auto byRecord = [](const CheckReport::Record &a, const CheckReport::Record &b) {
        return a.storedName != b.storedName ? a.storedName < b.storedName : a.fileName < b.fileName;
    };
    auto byFile = [](const CheckReport::File &a, const CheckReport::File &b) { return a.name < b.name; };
    auto byHash = [](const CheckReport::Hash &a, const CheckReport::Hash &b) { return a.storedName < b.storedName; };
    std::sort(report.missing.begin(), report.missing.end(), byRecord);
    std::sort(report.unsafe.begin(), report.unsafe.end(), byRecord);
    std::sort(report.binMissing.begin(), report.binMissing.end(), byRecord);
    std::sort(report.binStrays.begin(), report.binStrays.end(), byFile);
    std::sort(report.orphans.begin(), report.orphans.end(), byFile);
    std::sort(report.leftovers.begin(), report.leftovers.end(), byFile);
    std::sort(report.changed.begin(), report.changed.end(), byHash);
    std::sort(report.unhashed.begin(), report.unhashed.end(), byHash);
    progress.phase = CheckProgress::Finished;
    return report;
}

void CatalogueCheck::confirm(CheckReport &report, const CheckSnapshot &later)
{
    auto namedNow = [&](const CheckReport::File &f) { return later.named.contains(f.name); };
    dropIf(report.orphans, namedNow);
    dropIf(report.leftovers, namedNow);

    QSet<QString> records;
    records.reserve(int(later.records.size()));
    for (const CheckReport::Record &r : later.records)
        records.insert(recordKey(r));
    auto changedOrGone = [&](const CheckReport::Record &r) { return !records.contains(recordKey(r)); };
    dropIf(report.missing, changedOrGone);
    dropIf(report.unsafe, changedOrGone);

    // A bin entry restored or moved meanwhile, a bin file named by now.
    QSet<QString> binned, binFiles;
    for (const CheckReport::Record &r : later.bin) {
        binned.insert(recordKey(r) + QChar(0x1f) + r.binFile);
        binFiles.insert(r.binFile);
    }
    dropIf(report.binMissing,
           [&](const CheckReport::Record &r) { return !binned.contains(recordKey(r) + QChar(0x1f) + r.binFile); });
    dropIf(report.binStrays, [&](const CheckReport::File &f) { return binFiles.contains(f.name); });

    const QSet<QString> names = later.recordNames();
    auto settled = [&](const CheckReport::Hash &h) {
        return !names.contains(h.storedName) || later.hashes.value(h.storedName) != h.recorded;
    };
    dropIf(report.changed, settled);
    dropIf(report.unhashed, settled);
}
