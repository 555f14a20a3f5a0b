#include "browse/ThumbnailCache.h"

#include "store/PictureReader.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

namespace {
const QString kUri = QStringLiteral("Thumb::URI");
const QString kMTime = QStringLiteral("Thumb::MTime");
constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner;
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
    return folder(flavor) + QLatin1Char('/') +
           QString::fromLatin1(QCryptographicHash::hash(uri(path), QCryptographicHash::Md5).toHex()) +
           QStringLiteral(".png");
}

QImage ThumbnailCache::thumbnail(const QString &path, Flavor flavor, Maker make)
{
    const QFileInfo file(path);
    if (!file.isFile())
        return {};
    const qint64 mtime = file.lastModified().toSecsSinceEpoch();
    const QByteArray name = uri(path);
    QImage thumb = cached(path, flavor, name, mtime);
    if (!thumb.isNull())
        return thumb;
    const QSize bound(pixels(flavor), pixels(flavor));
    thumb = make ? make(path, bound) : PictureReader(path).read(bound);
    if (!thumb.isNull())
        store(path, flavor, name, mtime, thumb);
    return thumb;
}

QImage ThumbnailCache::cached(const QString &path, Flavor flavor, const QByteArray &uri, qint64 mtime)
{
    QImage thumb(fileFor(path, flavor), "PNG");
    // Another file's thumbnail under the same hash, or an older version of this one.
    if (thumb.text(kUri).toLatin1() != uri || thumb.text(kMTime) != QString::number(mtime))
        return {};
    return thumb;
}

void ThumbnailCache::store(const QString &path, Flavor flavor, const QByteArray &uri, qint64 mtime, QImage thumb)
{
    const QString dir = folder(flavor);
    if (!QFileInfo::exists(dir)) {
        const QString thumbnails = QFileInfo(dir).path();
        QDir().mkpath(QFileInfo(thumbnails).path());
        QDir().mkdir(thumbnails, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir().mkdir(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    thumb.setText(kUri, QString::fromLatin1(uri));
    thumb.setText(kMTime, QString::number(mtime));
    thumb.setText(QStringLiteral("Software"), QStringLiteral("mediacatalog"));
    // Written whole under a temporary name and renamed: a reader never sees half a file.
    QSaveFile out(fileFor(path, flavor));
    if (!out.open(QIODevice::WriteOnly))
        return; // a cache that cannot be written only costs a decode next time
    out.setPermissions(kOwnerOnly);
    if (QImageWriter(&out, "PNG").write(thumb))
        out.commit();
}
