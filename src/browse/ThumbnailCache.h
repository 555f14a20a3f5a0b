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

    // From the cache, or decoded at thumbnail size and then cached; null when the file is
    // no readable picture.
    static QImage thumbnail(const QString &path, Flavor flavor);

private:
    static QByteArray hashName(const QByteArray &uri);
    static QImage cached(Flavor flavor, const QByteArray &uri, qint64 mtime);
    static void store(const QString &path, Flavor flavor, const QByteArray &uri, qint64 mtime, const QImage &thumb);
};
