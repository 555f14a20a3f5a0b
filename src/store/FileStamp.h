#pragma once

#include <QString>
#include <QtGlobal>

// What identifies one state of a file: the same inode, size and change times. A repair
// acts on a file only while its stamp is the one the check saw.
class FileStamp {
public:
    enum class Type { Missing, Regular, Other };

    // The file at `path`, symbolic links followed when `follow`.
    static FileStamp of(const QString &path, bool follow);

    Type type() const { return type_; }
    bool isRegular() const { return type_ == Type::Regular; }
    qint64 size() const { return size_; }
    // Seconds since the epoch of the last write.
    qint64 modifiedSecs() const { return mtimeNs_ / 1000000000; }
    // True when the file was last written at least `seconds` before `nowSecs`.
    bool olderThan(qint64 seconds, qint64 nowSecs) const { return nowSecs - modifiedSecs() >= seconds; }

    bool operator==(const FileStamp &o) const
    {
        return type_ == o.type_ && dev_ == o.dev_ && ino_ == o.ino_ && size_ == o.size_ && mtimeNs_ == o.mtimeNs_ &&
               ctimeNs_ == o.ctimeNs_;
    }
    bool operator!=(const FileStamp &o) const { return !(*this == o); }

    // From an open file's own status (fstat).
    static FileStamp ofDescriptor(int fd);
    // True while a program holds a lock on the file: an import holds its new copy so until
    // its record is written, however long a question keeps it waiting.
    static bool inUse(const QString &path);

private:
    template <class Stat> static FileStamp from(const Stat &st);

    Type type_ = Type::Missing;
    quint64 dev_ = 0;
    quint64 ino_ = 0;
    qint64 size_ = 0;
    qint64 mtimeNs_ = 0;
    qint64 ctimeNs_ = 0;
};
