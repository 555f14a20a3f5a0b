#pragma once

#include "browse/ThumbnailCache.h"

#include <QCache>
#include <QIcon>
#include <QObject>
#include <QSet>
#include <QThreadPool>
#include <atomic>
#include <memory>

// Makes thumbnails on a thread pool for the rows a view paints. icon() answers at once from
// memory; a thumbnail not made yet is requested and `ready` says when it is there.
class ThumbnailLoader : public QObject {
    Q_OBJECT
public:
    // `small` is the icon size of the details list; the flavor is the grid's.
    ThumbnailLoader(QSize small, ThumbnailCache::Flavor flavor, QObject *parent = nullptr);
    ~ThumbnailLoader() override;

    // The thumbnail of the file, or a null icon (ask again after `ready`, or never: the file
    // is no picture). Cheap enough for every paint.
    QIcon icon(const QString &path, const QString &storedName);
    // Drops the requests not started yet and forgets files that had no thumbnail.
    void cancelPending();
    bool idle() const { return pending_.isEmpty(); }
    qint64 requests() const { return requests_; }

signals:
    void ready(const QString &path);

private:
    void deliver(const QString &path, const QImage &thumb, const QImage &small);

    QSize small_;
    ThumbnailCache::Flavor flavor_;
    QThreadPool pool_;
    QCache<QString, QIcon> icons_; // cost in KiB
    QSet<QString> pending_;
    QSet<QString> none_; // no picture, or not readable
    std::shared_ptr<std::atomic<bool>> cancelled_;
    qint64 requests_ = 0;
};
