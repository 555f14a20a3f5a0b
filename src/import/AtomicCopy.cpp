#include "import/AtomicCopy.h"

#include "store/AppError.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

QString AtomicCopy::temporaryPrefix()
{
    return QStringLiteral(".mc-import-");
}

#ifdef Q_OS_LINUX
namespace {

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

QString sysError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

[[noreturn]] void fail(const QString &what, const QString &path)
{
    throw AppError(QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(path), sysError()));
}

void copyData(int in, int out, qint64 total, const QString &source, const AtomicCopy::Progress &progress)
{
    constexpr qint64 chunk = 8 << 20;
    qint64 done = 0;
    bool kernelCopy = true;
    QByteArray buffer;
    while (done < total || !kernelCopy) {
        ssize_t n = -1;
        if (kernelCopy) {
            n = ::copy_file_range(in, nullptr, out, nullptr, size_t(chunk), 0);
            if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                kernelCopy = false;
                continue;
            }
        } else {
            if (buffer.isEmpty())
                buffer.resize(1 << 20);
            n = ::read(in, buffer.data(), size_t(buffer.size()));
            if (n > 0) {
                for (ssize_t written = 0; written < n;) {
                    const ssize_t w = ::write(out, buffer.constData() + written, size_t(n - written));
                    if (w < 0) {
                        if (errno == EINTR)
                            continue;
                        fail(QStringLiteral("写入附件副本失败"), source);
                    }
                    written += w;
                }
            }
        }
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(QStringLiteral("复制文件失败"), source);
        }
        if (n == 0)
            break; // end of the source (it may have shrunk meanwhile)
        done += n;
        if (progress)
            progress(done, total);
    }
}

} // namespace

QString AtomicCopy::copyNew(const QString &source, const QString &folder, StoredNameSequence &names,
                            const QString &extension, const Progress &progress)
{
    const QByteArray src = QFile::encodeName(source);
    const QByteArray dir = QFile::encodeName(QDir(folder).absolutePath());
    Fd in(::open(src.constData(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        fail(QStringLiteral("无法读取源文件"), source);
    struct stat st {};
    if (::fstat(in.get(), &st) != 0)
        fail(QStringLiteral("无法读取源文件"), source);
    if (!S_ISREG(st.st_mode))
        throw AppError(QStringLiteral("%1 不是普通文件").arg(QDir::toNativeSeparators(source)));

    QByteArray tempName; // set only when an unnamed file could not be made
    Fd out(::open(dir.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644));
    if (out.get() < 0) {
        tempName = dir + '/' + QFile::encodeName(temporaryPrefix()) + "XXXXXX";
        out.reset(::mkostemp(tempName.data(), O_CLOEXEC));
        if (out.get() < 0)
            fail(QStringLiteral("无法在附件文件夹中创建文件"), folder);
        ::fchmod(out.get(), 0644);
    }
    auto dropTemp = [&] {
        if (!tempName.isEmpty())
            ::unlink(tempName.constData());
    };
    try {
        copyData(in.get(), out.get(), qint64(st.st_size), source, progress);
        if (::fdatasync(out.get()) != 0)
            fail(QStringLiteral("写入附件副本失败"), folder);
    } catch (...) {
        dropTemp();
        throw;
    }

    const QByteArray procPath = "/proc/self/fd/" + QByteArray::number(out.get());
    for (;;) {
        const QString name = names.current() + QLatin1Char('.') + extension;
        const QByteArray target = dir + '/' + QFile::encodeName(name);
        int rc;
        if (tempName.isEmpty()) {
            rc = ::linkat(AT_FDCWD, procPath.constData(), AT_FDCWD, target.constData(), AT_SYMLINK_FOLLOW);
            if (rc != 0 && errno == ENOENT)
                rc = ::linkat(out.get(), "", AT_FDCWD, target.constData(), AT_EMPTY_PATH);
        } else {
            rc = ::link(tempName.constData(), target.constData());
        }
        if (rc == 0) {
            dropTemp();
            Fd d(::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (d.get() >= 0)
                ::fsync(d.get());
            return name;
        }
        if (errno != EEXIST) {
            dropTemp();
            fail(QStringLiteral("无法保存附件副本"), folder + name);
        }
        names.advance(); // taken meanwhile, perhaps by another copy of the program
    }
}

#else

QString AtomicCopy::copyNew(const QString &source, const QString &folder, StoredNameSequence &names,
                            const QString &extension, const Progress &progress)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("无法读取源文件 %1: %2").arg(QDir::toNativeSeparators(source), in.errorString()));
    const QString temp = QDir(folder).filePath(temporaryPrefix() + names.current() + QLatin1Char('.') + extension);
    QFile out(temp);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw AppError(QStringLiteral("无法在附件文件夹中创建文件: %1").arg(out.errorString()));
    const qint64 total = in.size();
    qint64 done = 0;
    while (!in.atEnd()) {
        const QByteArray block = in.read(1 << 20);
        if (block.isEmpty() || out.write(block) != block.size()) {
            out.remove();
            throw AppError(QStringLiteral("复制文件失败 %1").arg(QDir::toNativeSeparators(source)));
        }
        done += block.size();
        if (progress)
            progress(done, total);
    }
    out.flush();
    out.close();
    for (;;) {
        const QString name = names.current() + QLatin1Char('.') + extension;
        // rename() never replaces an existing file here.
        if (QFile::rename(temp, QDir(folder).filePath(name)))
            return name;
        if (!QFileInfo::exists(QDir(folder).filePath(name))) {
            QFile::remove(temp);
            throw AppError(QStringLiteral("无法保存附件副本 %1").arg(name));
        }
        names.advance();
    }
}

#endif
