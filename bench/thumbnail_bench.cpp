// Thumbnails in the record list, on the offscreen platform.
//  (a) The grid and the details list of 10,000 picture records, scrolled a screen at a time
//      while thumbnails are made: the longest time the event loop was blocked, measured by
//      a 1 ms timer, against the 16 ms of one frame.
//  (b) The first screen of 50 thumbnails of 12-megapixel JPEGs from an empty cache, against
//      decoding the same pictures at thumbnail size on all cores in the same run; and the
//      same screen again in a new window, from the cache.
//   thumbnail_bench [records] [photos]    (default: 10000 50)
#include "BenchUtil.h"

#include "browse/RecordList.h"
#include "browse/RecordListViews.h"
#include "browse/ThumbnailLoader.h"
#include "store/HeapTuning.h"

#include <QApplication>
#include <QDir>
#include <QImageReader>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <algorithm>
#include <ctime>

namespace {
// A photograph's worth of work for the decoder: gradients under noise, saved at quality 90.
void writePhoto(const QString &path, QSize size, quint32 seed)
{
    QImage image(size, QImage::Format_RGB888);
    quint32 s = seed * 2654435761u + 1;
    for (int y = 0; y < size.height(); ++y) {
        uchar *p = image.scanLine(y);
        for (int x = 0; x < size.width(); ++x, p += 3) {
            s ^= s << 13;
            s ^= s >> 17;
            s ^= s << 5;
            const int noise = int(s & 31) - 16;
            p[0] = uchar(qBound(0, x * 255 / size.width() + noise, 255));
            p[1] = uchar(qBound(0, y * 255 / size.height() + noise, 255));
            p[2] = uchar(qBound(0, int((seed * 47 + quint32(x + y) / 16) % 256) + noise, 255));
        }
    }
    image.save(path, "JPG", 90);
}

QStringList writePhotos(const QString &folder, int count, QSize size)
{
    QStringList files;
    QDir().mkpath(folder);
    QThreadPool pool;
    for (int i = 0; i < count; ++i) {
        files << QStringLiteral("%1/%2.jpg").arg(folder).arg(i);
        pool.start([path = files.last(), size, i] { writePhoto(path, size, quint32(i + 1)); });
    }
    pool.waitForDone();
    return files;
}

// What the program's thumbnails cost at the least: each picture decoded at thumbnail size,
// all cores busy.
double decodeAtThumbnailSize(const QStringList &files)
{
    QElapsedTimer t;
    t.start();
    QThreadPool pool;
    for (const QString &file : files)
        pool.start([file] {
            QImageReader reader(file);
            reader.setAutoTransform(true);
            reader.setScaledSize(reader.size().scaled(128, 128, Qt::KeepAspectRatio));
            reader.read();
        });
    pool.waitForDone();
    return bench::seconds(t);
}

// A record list in a window of its own, showing the grid or the details.
struct Window {
    QWidget owner;
    RecordList list{&owner, {}};
    int ready = 0;

    Window(QSize size, bool grid)
    {
        list.lvw->setGeometry(QRect(QPoint(0, 0), size));
        owner.resize(size);
        list.views->showThumbnails(grid);
        QObject::connect(loader(), &ThumbnailLoader::ready, &owner, [this] { ++ready; });
        owner.show();
        QApplication::processEvents();
    }
    ThumbnailLoader *loader() const { return list.views->thumbnails(); }
    void fill(const QStringList &files)
    {
        RecordListModel *m = list.model();
        m->beginFill();
        for (const QString &file : files) {
            const QString name = QFileInfo(file).fileName();
            m->addRow(RecordRow{file, name, QStringLiteral("IMG_") + name, QStringLiteral("相机"), {}, {}, {}});
        }
        m->endFill();
    }
    QAbstractScrollArea *shown() const
    {
        return list.views->thumbnailsShown() ? static_cast<QAbstractScrollArea *>(list.views->lvwThumbnails) : list.lvw;
    }
};

// The seconds until the first screen of the list has its thumbnails.
double firstScreen(const QStringList &files)
{
    Window w(QSize(1600, 1000), true); // ten columns and five rows of thumbnails
    QElapsedTimer t;
    t.start();
    w.fill(files);
    while (w.ready < files.size() && t.elapsed() < 120000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double seconds = bench::seconds(t);
    if (w.loader()->requests() != files.size())
        std::fprintf(stderr, "  (the first screen asked for %lld thumbnails, not %lld)\n", qint64(w.loader()->requests()),
                     qint64(files.size()));
    return seconds;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// CPU time this thread has used, in nanoseconds.
qint64 threadCpu()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

struct Blocking {
    double fill;    // listing the records: one step of its own
    double worst;   // the longest gap afterwards, while thumbnails are made and the list scrolls
    double working; // how much of that gap the user-interface thread itself ran
    double busiest; // the most the user-interface thread ran in any one gap
    qint64 made;
};

Blocking scrolledWhileMaking(const QStringList &files, bool grid, int screens)
{
    Window w(QSize(1280, 800), grid);
    QElapsedTimer clock;
    clock.start();
    w.fill(files);
    const double fill = bench::seconds(clock);
    qint64 last = clock.nsecsElapsed(), worst = 0, lastCpu = threadCpu(), worstCpu = 0, busiest = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed(), cpu = threadCpu();
        if (now - last > worst) {
            worst = now - last;
            worstCpu = cpu - lastCpu;
        }
        busiest = qMax(busiest, cpu - lastCpu);
        last = now;
        lastCpu = cpu;
    });
    QEventLoop loop;
    QTimer page;
    page.setInterval(100); // a user paging down ten times a second
    int paged = 0;
    QObject::connect(&page, &QTimer::timeout, [&] {
        QScrollBar *bar = w.shown()->verticalScrollBar();
        if (paged++ < screens)
            bar->setValue(bar->value() + bar->pageStep());
        else if (w.loader()->idle())
            loop.quit();
    });
    last = clock.nsecsElapsed();
    lastCpu = threadCpu();
    tick.start();
    page.start();
    loop.exec();
    return {fill, double(worst) / 1e9, double(worstCpu) / 1e9, double(busiest) / 1e9, w.ready};
}
} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    HeapTuning::apply(); // as the program does
    QApplication app(argc, argv);
    const int records = argc > 1 ? atoi(argv[1]) : 10000;
    const int photos = argc > 2 ? atoi(argv[2]) : 50;
    QTemporaryDir work(QDir::current().filePath(QStringLiteral("thumbnail-bench-XXXXXX")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(work.filePath(QStringLiteral("cache"))));
    bench::header();

    // (a) Many records share a few pictures through links, each its own file to the cache.
    const QString many = work.filePath(QStringLiteral("many"));
    QDir().mkpath(many);
    const QStringList sources = writePhotos(work.filePath(QStringLiteral("sources")), 16, QSize(1600, 1200));
    QStringList links;
    for (int i = 0; i < records; ++i) {
        links << QStringLiteral("%1/%2.jpg").arg(many).arg(i);
        QFile::link(sources[i % sources.size()], links.last());
    }
    for (bool grid : {true, false}) {
        const Blocking b = scrolledWhileMaking(links, grid, 30);
        const QByteArray what = QStringLiteral("longest UI block, %1 records, %2")
                                    .arg(records)
                                    .arg(QLatin1String(grid ? "grid" : "details"))
                                    .toUtf8();
        bench::row(what.constData(), b.worst, 0.016, "one frame (16 ms)");
        std::fprintf(stderr,
                     "  (the user-interface thread ran %.4f s of that gap, at most %.4f s in any gap; listing took "
                     "%.4f s in one step; %lld thumbnails made while paging 30 screens)\n",
                     b.working, b.busiest, b.fill, qint64(b.made));
    }

    // (b) The first screen of camera pictures.
    const QStringList files = writePhotos(work.filePath(QStringLiteral("photos")), photos, QSize(4000, 3000));
    QList<double> baseline, program, again;
    for (int round = 0; round < 3; ++round) {
        QDir(work.filePath(QStringLiteral("cache"))).removeRecursively();
        baseline << decodeAtThumbnailSize(files);
        program << firstScreen(files);
        again << firstScreen(files);
    }
    const QByteArray first = QStringLiteral("first screen of %1 thumbnails, 12 MP JPEG").arg(photos).toUtf8();
    bench::row(first.constData(), median(program), median(baseline), "decode at size, all cores");
    bench::row("the same screen again, from the cache", median(again), median(baseline), "decode at size, all cores");
    return 0;
}
