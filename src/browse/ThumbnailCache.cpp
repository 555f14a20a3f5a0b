#include "browse/ThumbnailCache.h"

#include "ui/PictureReader.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QMimeDatabase>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QUrl>

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString kUri = QStringLiteral("Thumb::URI");
const QString kMTime = QStringLiteral("Thumb::MTime");
// A cached thumbnail is a small PNG; anything far larger is no thumbnail of ours.
constexpr qint64 kMaxThumbnailBytes = 8 << 20;

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

quint32 crc32(const QByteArray &bytes)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 c = 0xffffffffu;
    for (const char b : bytes)
        c = table[(c ^ quint8(b)) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffu;
}

void appendBigEndian(QByteArray &out, quint32 v)
{
    out.append(char(v >> 24)).append(char(v >> 16)).append(char(v >> 8)).append(char(v));
}

quint32 bigEndian(const QByteArray &b, qsizetype at)
{
    return quint32(quint8(b[at])) << 24 | quint32(quint8(b[at + 1])) << 16 | quint32(quint8(b[at + 2])) << 8 |
           quint8(b[at + 3]);
}

// The PNG with uncompressed tEXt chunks after its header: the thumbnail checker of GLib
// based desktops reads only those, and Qt would compress long texts (every file URI) into
// zTXt. Every text Qt wrote goes: it carries the picture's own texts, which may hold another
// Thumb::URI. Empty when `png` is not a whole PNG.
QByteArray withTextChunks(const QByteArray &png, const QList<std::pair<QByteArray, QByteArray>> &texts)
{
    constexpr int kHeaderEnd = 8 + 4 + 4 + 13 + 4; // signature, IHDR length, type, data, CRC
    if (png.size() < kHeaderEnd || !png.startsWith("\x89PNG\r\n\x1a\n") || png.mid(12, 4) != "IHDR")
        return {};
    QByteArray out = png.left(kHeaderEnd);
    for (const auto &[key, value] : texts) {
        const QByteArray body = QByteArray("tEXt") + key + '\0' + value;
        appendBigEndian(out, quint32(body.size() - 4));
        out += body;
        appendBigEndian(out, crc32(body));
    }
    for (qsizetype at = kHeaderEnd; at < png.size();) {
        if (at + 12 > png.size())
            return {};
        const qint64 whole = 12 + qint64(bigEndian(png, at));
        if (whole > png.size() - at)
            return {};
        const QByteArray type = png.mid(at + 4, 4);
        if (type != "tEXt" && type != "zTXt" && type != "iTXt")
            out += png.mid(at, whole);
        at += whole;
    }
    return out;
}

// The cache folder, opened; -1 when it is no folder, or (itself or where its link leads)
// belongs to another user: what another user controls, we do not write into or read from.
int openFolder(const QString &dir)
{
    const QByteArray path = QFile::encodeName(dir);
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    return fd;
}

// Makes a missing folder for the owner alone; true when it is there afterwards.
bool makeFolder(const QString &dir)
{
    return ::mkdir(QFile::encodeName(dir).constData(), 0700) == 0 || errno == EEXIST;
}
} // namespace

QString ThumbnailCache::folder(Flavor flavor)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           (flavor == Large ? QStringLiteral("/thumbnails/large") : QStringLiteral("/thumbnails/normal"));
}

QByteArray ThumbnailCache::uri(const QString &path)
{
    return QUrl::fromLocalFile(QDir::cleanPath(QFileInfo(path).absoluteFilePath())).toEncoded();
}

QString ThumbnailCache::fileFor(const QString &path, Flavor flavor)
{
    return folder(flavor) + QLatin1Char('/') + QString::fromLatin1(hashName(uri(path)));
}

QByteArray ThumbnailCache::hashName(const QByteArray &uri)
{
    return QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex() + ".png";
}

QImage ThumbnailCache::thumbnail(const QString &path, Flavor flavor, Maker make)
{
    const QFileInfo file(path);
    if (!file.isFile())
        return {};
    const qint64 mtime = file.lastModified().toSecsSinceEpoch();
    const QByteArray name = uri(path);
    QImage thumb = cached(flavor, name, mtime);
    if (!thumb.isNull())
        return thumb;
    const QSize bound(pixels(flavor), pixels(flavor));
    thumb = make ? make(path, bound) : PictureReader(path).read(bound);
    if (!thumb.isNull())
        store(path, flavor, name, mtime, thumb);
    return thumb;
}

QImage ThumbnailCache::cached(Flavor flavor, const QByteArray &uri, qint64 mtime)
{
    const Fd dir(openFolder(folder(flavor)));
    if (dir.get() < 0)
        return {};
    // Not through a link, and never blocking on a pipe planted under the name.
    const Fd fd(::openat(dir.get(), hashName(uri).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxThumbnailBytes)
        return {};
    QByteArray bytes(qsizetype(st.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return {};
        done += n;
    }
    QImage thumb = QImage::fromData(bytes, "PNG");
    // Another file's thumbnail under the same hash, or an older version of this one.
    if (thumb.text(kUri).toLatin1() != uri || thumb.text(kMTime) != QString::number(mtime))
        return {};
    return thumb;
}

void ThumbnailCache::store(const QString &path, Flavor flavor, const QByteArray &uri, qint64 mtime, const QImage &thumb)
{
    // A cache that cannot be written (or is refused) only costs a decode next time.
    const QString dir = folder(flavor);
    if (!QFileInfo::exists(dir)) {
        const QString thumbnails = QFileInfo(dir).path();
        QDir().mkpath(QFileInfo(thumbnails).path());
        if (!makeFolder(thumbnails) || !makeFolder(dir))
            return;
    }
    const Fd folderFd(openFolder(dir));
    if (folderFd.get() < 0)
        return;
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!QImageWriter(&buffer, "PNG").write(thumb))
            return;
    }
    const QFileInfo file(path);
    QList<std::pair<QByteArray, QByteArray>> texts = {
        {"Thumb::URI", uri}, {"Thumb::MTime", QByteArray::number(mtime)}, {"Thumb::Size", QByteArray::number(file.size())}};
    const QMimeType mime = QMimeDatabase().mimeTypeForFile(file, QMimeDatabase::MatchExtension);
    if (mime.isValid() && !mime.isDefault())
        texts.append({QByteArray("Thumb::Mimetype"), mime.name().toLatin1()});
    texts.append({QByteArray("Software"), QByteArray("mediacatalog")});
    png = withTextChunks(png, texts);
    if (png.isEmpty())
        return;
    // Written whole under a temporary name in the folder and renamed over the name: a
    // reader never sees half a file, and a link planted under the name is replaced, never
    // written through.
    const QByteArray final = hashName(uri);
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = final + ".mc-" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::openat(folderFd.get(), temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            return;
    }
    if (fd < 0)
        return;
    bool written = ::fchmod(fd, 0600) == 0;
    for (qsizetype done = 0; written && done < png.size();) {
        const ssize_t n = ::write(fd, png.constData() + done, size_t(png.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        written = n > 0;
        done += n > 0 ? n : 0;
    }
    written = ::close(fd) == 0 && written;
    if (!written || ::renameat(folderFd.get(), temporary.constData(), folderFd.get(), final.constData()) != 0)
        ::unlinkat(folderFd.get(), temporary.constData(), 0);
}
