#include "browse/ThumbnailLoader.h"

#include "store/StoredName.h"
#include "ui/MediaProbe.h"
#include "ui/PictureReader.h"

#include <QPixmap>
#include <QThread>
#include <climits>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {
constexpr int kMemoryKiB = 64 * 1024;

// Decoding yields to the user-interface thread: a busy machine delays thumbnails, not clicks.
void yieldToTheInterface()
{
    static thread_local const bool lowered = [] {
#ifdef Q_OS_LINUX
        // Linux keeps a nice value per thread; Qt's thread priorities do nothing there.
        return setpriority(PRIO_PROCESS, id_t(gettid()), getpriority(PRIO_PROCESS, id_t(gettid())) + 10) == 0;
#else
        QThread::currentThread()->setPriority(QThread::LowPriority);
        return true;
#endif
    }();
    Q_UNUSED(lowered);
}
} // namespace

ThumbnailLoader::ThumbnailLoader(QSize small, ThumbnailCache::Flavor flavor, QObject *parent)
    : QObject(parent), small_(small), flavor_(flavor), icons_(kMemoryKiB),
      cancelled_(std::make_shared<std::atomic<bool>>(false))
{
    // The picture formats are plugins loaded on their first use: load them here, behind,
    // rather than under the first paint of the list.
    pool_.start([] { PictureReader::isPicture(QString()); });
}

ThumbnailLoader::~ThumbnailLoader()
{
    *cancelled_ = true;
    pool_.waitForDone(); // only the decodes under way: the others return at once
}

QIcon ThumbnailLoader::icon(const QString &path, const QString &storedName)
{
    if (const QIcon *known = icons_.object(path))
        return *known;
    if (pending_.contains(path) || none_.contains(path))
        return {};
    // A tampered row must never make the program read outside the attachment folder.
    const bool video = MediaProbe::isVideo(storedName);
    if (!StoredName::isPlain(storedName) || !(video || PictureReader::isPicture(storedName))) {
        none_.insert(path);
        return {};
    }
    pending_.insert(path);
    // The latest request first: the rows on screen now, not those scrolled past.
    const int priority = int(qMin<qint64>(++requests_, INT_MAX));
    pool_.start(
        [this, path, video, small = small_, flavor = flavor_, cancelled = cancelled_] {
            if (*cancelled)
                return;
            yieldToTheInterface();
            const QImage thumb = ThumbnailCache::thumbnail(path, flavor, video ? &MediaProbe::frame : nullptr);
            const QImage icon = thumb.isNull() || (thumb.width() <= small.width() && thumb.height() <= small.height())
                                    ? thumb
                                    : thumb.scaled(small, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            QMetaObject::invokeMethod(
                this, [this, path, thumb, icon] { deliver(path, thumb, icon); }, Qt::QueuedConnection);
        },
        priority);
    return {};
}

void ThumbnailLoader::deliver(const QString &path, const QImage &thumb, const QImage &small)
{
    pending_.remove(path);
    if (thumb.isNull()) {
        none_.insert(path);
        return;
    }
    auto *icon = new QIcon(QPixmap::fromImage(thumb));
    icon->addPixmap(QPixmap::fromImage(small));
    icons_.insert(path, icon, qMax(1, int((thumb.sizeInBytes() + small.sizeInBytes()) / 1024)));
    emit ready(path);
}

void ThumbnailLoader::cancelPending()
{
    *cancelled_ = true;
    cancelled_ = std::make_shared<std::atomic<bool>>(false);
    pending_.clear();
    none_.clear();
}
