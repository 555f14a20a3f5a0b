#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Thumbnails in the freedesktop cache ($XDG_CACHE_HOME/thumbnails), which other desktop
// programs share: one PNG per file, named by the MD5 of the file's URI, valid while its
// Thumb::MTime equals the file's modification time. Safe to use from any thread. A cache
// folder that is not the user's own (or leads to one that is not) is neither read nor written.
class ThumbnailCache {
public:
    enum Flavor { Normal, Large }; // at most 128 and 256 pixels a side

    static int pixels(Flavor flavor) { return flavor == Large ? 256 : 128; }
    static QString folder(Flavor flavor);
    static QByteArray uri(const QString &path);
    static QString fileFor(const QString &path, Flavor flavor);

    // Makes a thumbnail of the file within the bound; null when it cannot.
    using Maker = QImage (*)(const QString &path, QSize bound);
    // From the cache, or made at thumbnail size (a picture decoded, by default) and then
    // cached; null when the file has none.
    static QImage thumbnail(const QString &path, Flavor flavor, Maker make = nullptr);

private:
    static QByteArray hashName(const QByteArray &uri);
    static QImage cached(Flavor flavor, const QByteArray &uri, qint64 mtime);
    static void store(const QString &path, Flavor flavor, const QByteArray &uri, qint64 mtime, const QImage &thumb);
};
