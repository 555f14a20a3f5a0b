#include "store/AtomicCopy.h"

#include "store/AppError.h"
#include "store/ContentHasher.h"
#include "store/ImportCancelled.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <memory>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool g_linksDisabled = qEnvironmentVariableIsSet("MC_NO_HARDLINKS");
// Folders whose volume refused a hard link: asked once per run, not once per file.
QSet<QByteArray> g_foldersWithoutLinks;

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return fd_; }
    void reset(int fd = -1)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

QString sysError(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

[[noreturn]] void fail(const QString &what, const QString &path, int err = errno)
{
    throw AppError(QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(path), sysError(err)));
}

// The volume has no hard links (FAT, exFAT, many network shares) rather than a real fault.
bool linksUnsupported(int err)
{
    return err == EPERM || err == EOPNOTSUPP || err == ENOSYS || err == EXDEV || err == EMLINK;
}

void writeAll(int out, const char *data, size_t n, const QString &folder)
{
    for (size_t written = 0; written < n;) {
        const ssize_t w = ::write(out, data + written, n - written);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            fail(QStringLiteral("写入附件副本失败"), folder);
        }
        written += size_t(w);
    }
}

// Blocks small enough that Cancel is seen within a second even on slow volumes.
constexpr size_t kBlock = ContentHasher::kBlock;
// Writing back large copies as they go keeps the final wait for the disk short.
constexpr qint64 kWriteBack = 8 << 20;

qint64 copyData(int in, int out, qint64 total, const QString &source, const QString &folder,
                const AtomicCopy::Progress &progress, QByteArray *sha256)
{
    ContentHasher hash(total);
    qint64 done = 0;
    qint64 flushed = 0;
    for (;;) {
        char *block = hash.block();
        ssize_t n;
        do
            n = ::read(in, block, kBlock);
        while (n < 0 && errno == EINTR);
        if (n <= 0) {
            hash.add(block, 0);
            if (n < 0)
                fail(QStringLiteral("无法读取源文件"), source);
            *sha256 = hash.hex();
            return done;
        }
        try {
            writeAll(out, block, size_t(n), folder);
        } catch (...) {
            hash.add(block, 0);
            throw;
        }
        hash.add(block, size_t(n));
        done += n;
        if (done - flushed >= kWriteBack) {
            ::sync_file_range(out, flushed, done - flushed, SYNC_FILE_RANGE_WRITE);
            flushed = done;
        }
        if (progress && !progress(done, total))
            throw ImportCancelled();
    }
}

bool sameTime(const struct timespec &a, const struct timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

void syncFolder(const QByteArray &dir)
{
    Fd d(::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (d.get() >= 0)
        ::fsync(d.get());
}

// The copy's data before it gets its name: an unnamed file where the volume allows one,
// else a hidden temporary file that is removed unless it is renamed.
class Temp {
public:
    Temp(const QByteArray &dir, const QString &folder, bool unnamed)
    {
        if (unnamed) {
            fd_.reset(::open(dir.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0644));
            if (fd_.get() >= 0)
                return;
        }
        name_ = dir + '/' + QFile::encodeName(AtomicCopy::temporaryPrefix()) + "XXXXXX";
        fd_.reset(::mkostemp(name_.data(), O_CLOEXEC));
        if (fd_.get() < 0) {
            name_.clear();
            fail(QStringLiteral("无法在附件文件夹中创建文件"), folder);
        }
        ::fchmod(fd_.get(), 0644);
    }
    ~Temp()
    {
        if (!name_.isEmpty())
            ::unlink(name_.constData());
    }
    int fd() const { return fd_.get(); }
    const QByteArray &name() const { return name_; }
    bool unnamed() const { return name_.isEmpty(); }
    void renamed() { name_.clear(); }

private:
    Fd fd_;
    QByteArray name_;
};

// Links the unnamed or temporary file under the first free name. False when the volume
// has no hard links.
bool publishByLink(Temp &temp, const QByteArray &dir, const QString &folder, StoredNameSequence &names,
                   const QString &extension, QString *published)
{
    const QByteArray procPath = "/proc/self/fd/" + QByteArray::number(temp.fd());
    for (;;) {
        const QString name = names.current() + QLatin1Char('.') + extension;
        const QByteArray target = dir + '/' + QFile::encodeName(name);
        int rc;
        if (temp.unnamed()) {
            rc = ::linkat(AT_FDCWD, procPath.constData(), AT_FDCWD, target.constData(), AT_SYMLINK_FOLLOW);
            if (rc != 0 && errno == ENOENT)
                rc = ::linkat(temp.fd(), "", AT_FDCWD, target.constData(), AT_EMPTY_PATH);
        } else {
            rc = ::link(temp.name().constData(), target.constData());
        }
        if (rc == 0) {
            *published = name;
            return true;
        }
        if (linksUnsupported(errno))
            return false;
        if (errno != EEXIST)
            fail(QStringLiteral("无法保存附件副本"), folder + name);
        names.advance(); // taken meanwhile, perhaps by another copy of the program
    }
}

// Reserves the first free name with an exclusive create, then renames the temporary file
// over the reservation. A crash in between leaves an empty reservation, never part of a
// copy under a stored name.
QString publishByRename(Temp &temp, const QByteArray &dir, const QString &folder, StoredNameSequence &names,
                        const QString &extension)
{
    for (;;) {
        const QString name = names.current() + QLatin1Char('.') + extension;
        const QByteArray target = dir + '/' + QFile::encodeName(name);
        Fd reservation(::open(target.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644));
        if (reservation.get() < 0) {
            if (errno != EEXIST)
                fail(QStringLiteral("无法保存附件副本"), folder + name);
            names.advance();
            continue;
        }
        reservation.reset();
        if (::rename(temp.name().constData(), target.constData()) != 0) {
            const int err = errno;
            ::unlink(target.constData());
            fail(QStringLiteral("无法保存附件副本"), folder + name, err);
        }
        temp.renamed();
        return name;
    }
}

// An unnamed file cannot be renamed: its data goes into a temporary file that can.
void toNamedTemp(Temp &from, std::unique_ptr<Temp> &named, const QByteArray &dir, const QString &folder)
{
    named = std::make_unique<Temp>(dir, folder, false);
    QByteArray buffer(int(kBlock), Qt::Uninitialized);
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(from.fd(), buffer.data(), kBlock, at);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(QStringLiteral("写入附件副本失败"), folder);
        }
        if (n == 0)
            return;
        writeAll(named->fd(), buffer.constData(), size_t(n), folder);
        at += n;
    }
}

} // namespace

QString AtomicCopy::temporaryPrefix()
{
    return QStringLiteral(".mc-import-");
}

void AtomicCopy::setHardLinksDisabled(bool disabled)
{
    g_linksDisabled = disabled;
    g_foldersWithoutLinks.clear();
}

AtomicCopy::Result AtomicCopy::copyNew(const QString &source, const QString &folder, StoredNameSequence &names,
                                       const QString &extension, const Progress &progress, Durability durability)
{
    const QByteArray src = QFile::encodeName(source);
    const QByteArray dir = QFile::encodeName(QDir(folder).absolutePath());
    // Only regular files: opening a named pipe or a device could block for good or have
    // effects of its own.
    struct stat before {};
    if (::stat(src.constData(), &before) != 0)
        fail(QStringLiteral("无法读取源文件"), source);
    auto notRegular = [&] {
        return AppError(
            QStringLiteral("%1 不是普通文件(管道、套接字或设备),不能导入").arg(QDir::toNativeSeparators(source)));
    };
    if (!S_ISREG(before.st_mode))
        throw notRegular();
    Fd in(::open(src.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (in.get() < 0)
        fail(QStringLiteral("无法读取源文件"), source);
    if (::fstat(in.get(), &before) != 0)
        fail(QStringLiteral("无法读取源文件"), source);
    if (!S_ISREG(before.st_mode))
        throw notRegular();
    ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);

    const bool links = !g_linksDisabled && !g_foldersWithoutLinks.contains(dir);
    Temp temp(dir, folder, links);
    QByteArray sha256;
    const qint64 copied = copyData(in.get(), temp.fd(), qint64(before.st_size), source, folder, progress, &sha256);
    // A source that changed while it was read gives a copy that is neither the old file
    // nor the new one.
    struct stat after {};
    if (::fstat(in.get(), &after) != 0 || copied != qint64(before.st_size) || after.st_size != before.st_size ||
        !sameTime(after.st_mtim, before.st_mtim))
        throw AppError(QStringLiteral("源文件 %1 在复制过程中被修改,未导入").arg(QDir::toNativeSeparators(source)));

    Result result;
    result.sha256 = sha256;
    result.size = copied;
    // The data is on disk before any name points to it.
    auto durable = [&](const Temp &t) {
        if (durability == Durability::Now && ::fdatasync(t.fd()) != 0)
            fail(QStringLiteral("写入附件副本失败"), folder);
    };
    durable(temp);
    if (!links || !publishByLink(temp, dir, folder, names, extension, &result.name)) {
        g_foldersWithoutLinks.insert(dir);
        std::unique_ptr<Temp> named;
        Temp *data = &temp;
        if (temp.unnamed()) {
            toNamedTemp(temp, named, dir, folder);
            durable(*named);
            data = named.get();
        }
        result.name = publishByRename(*data, dir, folder, names, extension);
    }
    if (durability == Durability::Now)
        syncFolder(dir);
    return result;
}

void AtomicCopy::makeDurable(const QStringList &paths)
{
    // One sync of the volume (as `sync` after `cp`) costs one journal commit, where one
    // fdatasync per copy costs a commit each.
    QHash<QByteArray, QStringList> byFolder;
    for (const QString &path : paths)
        byFolder[QFile::encodeName(QFileInfo(path).absolutePath())] << path;
    for (const QString &path : paths) {
        // A copy gone before its row commits must not be recorded.
        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) != 0)
            fail(QStringLiteral("附件副本已不存在"), path);
    }
    for (auto it = byFolder.constBegin(); it != byFolder.constEnd(); ++it) {
        Fd dir(::open(it.key().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.get() >= 0 && ::syncfs(dir.get()) == 0) {
            ::fsync(dir.get());
            continue;
        }
        for (const QString &path : it.value()) {
            Fd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
            if (fd.get() < 0 || ::fdatasync(fd.get()) != 0)
                fail(QStringLiteral("写入附件副本失败"), path);
        }
        syncFolder(it.key());
    }
}
