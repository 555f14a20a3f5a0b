#include "store/FileStamp.h"
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QFile>

#include <sys/stat.h>

template <class Stat> FileStamp FileStamp::from(const Stat &st)
{
    FileStamp s;
    s.type_ = S_ISREG(st.st_mode) ? Type::Regular : Type::Other;
    s.dev_ = quint64(st.st_dev);
    s.ino_ = quint64(st.st_ino);
    s.size_ = qint64(st.st_size);
    s.mtimeNs_ = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.ctimeNs_ = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return s;
}

FileStamp FileStamp::of(const QString &path, bool follow)
{
    struct stat st {};
    const QByteArray name = QFile::encodeName(path);
    if ((follow ? ::stat(name.constData(), &st) : ::lstat(name.constData(), &st)) != 0)
        return {};
    return from(st);
}

FileStamp FileStamp::ofDescriptor(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return {};
    return from(st);
}

bool FileStamp::inUse(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}
