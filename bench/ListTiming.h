#pragma once

#include "BenchUtil.h"

#include "browse/RecordList.h"
#include "browse/RecordListViews.h"
#include "store/RecordQuery.h"
#include "store/Services.h"
#include "store/clsCurrentDb.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <malloc.h>

// What the list benchmarks measure in the real record list on the offscreen platform: the
// first screen, the whole fill, the longest hold of the event loop, memory and the sort.
namespace bench {

constexpr double kFrame = 0.016; // one frame at 60 Hz

// The longest time the event loop went without running a 1 ms timer, between start() and
// stop(): what a user sees as the window frozen.
class StallMeter {
public:
    StallMeter()
    {
        tick_.setTimerType(Qt::PreciseTimer);
        tick_.setInterval(1);
        QObject::connect(&tick_, &QTimer::timeout, [this] { note(); });
    }
    void start()
    {
        worst_ = 0;
        clock_.start();
        last_ = 0;
        tick_.start();
    }
    double stop()
    {
        note();
        tick_.stop();
        return double(worst_) / 1e9;
    }
    // When the longest gap ended, in seconds after start().
    double worstEnded() const { return double(worstAt_) / 1e9; }

private:
    void note()
    {
        const qint64 now = clock_.nsecsElapsed();
        if (now - last_ > worst_) {
            worst_ = now - last_;
            worstAt_ = now;
        }
        last_ = now;
    }
    QTimer tick_;
    QElapsedTimer clock_;
    qint64 last_ = 0, worst_ = 0, worstAt_ = 0;
};

// Heap in use, the large blocks malloc maps on their own included.
inline size_t heapInUse()
{
    malloc_trim(0);
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

// The most memory this process has held resident since it started or since resetPeak(), MiB.
inline double vmHwmMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

inline bool resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

inline QAbstractItemView *shownView(RecordList &list)
{
    if (list.views->thumbnailsShown())
        return list.views->lvwThumbnails;
    return list.lvw;
}

// The list starts to fill with the rows of the statement.
inline void startFill(RecordList &list, const QString &jet)
{
    list.fill(RecordQuery(jet));
}

inline bool settled(RecordList &list)
{
    return list.model()->isSettled();
}

// Runs the event loop until the list holds its whole result in the order shown.
inline void waitSettled(RecordList &list)
{
    while (!settled(list))
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Runs the event loop until the rows of the first screen are in the model, then paints it.
inline void waitFirstScreen(RecordList &list)
{
    QAbstractItemView *view = shownView(list);
    RecordListModel *model = list.model();
    for (;;) {
        QApplication::processEvents();
        const int rows = model->rowCount();
        if (settled(list) ||
            (rows > 0 && view->visualRect(model->index(rows - 1, 0)).bottom() >= view->viewport()->height()))
            break;
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    view->viewport()->repaint();
}

struct Fill {
    double firstScreen = 0; // from the fill call to the painted first screen
    double whole = 0;       // from the fill call to the whole result listed
    double stall = 0;       // the longest hold of the event loop meanwhile
    int rows = 0;
};

inline Fill timedFill(RecordList &list, const QString &jet)
{
    list.model()->clear();
    QApplication::processEvents();
    StallMeter meter;
    QElapsedTimer t;
    Fill f;
    meter.start();
    t.start();
    startFill(list, jet);
    waitFirstScreen(list);
    f.firstScreen = seconds(t);
    waitSettled(list);
    f.whole = seconds(t);
    f.stall = meter.stop();
    f.rows = list.model()->rowCount();
    std::fprintf(stderr, "  (%d rows; first screen %.4f s, whole %.4f s; the longest stall, %.4f s, ended at %.4f s)\n",
                 f.rows, f.firstScreen, f.whole, f.stall, meter.worstEnded());
    return f;
}

struct Sort {
    double time = 0;
    double stall = 0;
};

// The first click on the file name's header, until the list shows the new order.
inline Sort timedSort(RecordList &list)
{
    StallMeter meter;
    QElapsedTimer t;
    meter.start();
    t.start();
    list.model()->headerClicked(0);
    waitSettled(list);
    Sort s{seconds(t), 0};
    QApplication::processEvents();
    s.stall = meter.stop();
    std::fprintf(stderr, "  (sorted in %.4f s; the longest stall, %.4f s, ended at %.4f s)\n", s.time, s.stall,
                 meter.worstEnded());
    return s;
}

// A record list in a window of 900 x 600 as the browse window shows it.
struct ListWindow {
    QWidget owner;
    RecordList list{&owner, {}};
    ListWindow()
    {
        // A figure of a list that failed would mean nothing.
        QObject::connect(list.model(), &RecordListModel::failed, [](const QString &message) {
            std::fprintf(stderr, "the list failed: %s\n", qPrintable(message));
            std::exit(1);
        });
        owner.resize(900, 600);
        list.lvw->resize(900, 600);
        // The browse window has the catalogue open before any click: it lists the categories.
        CurrentDb().engine();
        owner.show();
        // A user looks at a window before the first click: what the program does behind
        // meanwhile (the picture formats it loads, say) is not a stall of the list.
        QElapsedTimer shown;
        shown.start();
        while (shown.elapsed() < 300)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
};

// Run as a child of its own: lists the statement, sorts it and scrolls to its end, then
// prints the peak memory of the whole process in MiB (a fresh process, so that nothing the
// benchmark did before counts).
inline int peakChild(const QString &jet)
{
    ListWindow w;
    startFill(w.list, jet);
    waitSettled(w.list);
    w.list.model()->headerClicked(0);
    waitSettled(w.list);
    w.list.lvw->scrollToBottom();
    QApplication::processEvents();
    std::printf("%d %.1f\n", w.list.model()->rowCount(), vmHwmMiB());
    return 0;
}

// The peak memory of a fresh copy of this program listing the statement, MiB (-1 when the
// child failed). The child is started with `--peak <statement>` after `args`.
inline double peakOfChild(const QStringList &args, const QString &jet)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), QStringList(args) << QStringLiteral("--peak") << jet);
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        return -1;
    const QList<QByteArray> out = child.readAllStandardOutput().trimmed().split(' ');
    return out.value(1).toDouble();
}

// In a child started by peakOfChild(): lists as asked and returns the exit code; -1 in
// the benchmark itself.
inline int peakChildOf(const QStringList &args)
{
    const qsizetype peak = args.indexOf(QStringLiteral("--peak"));
    if (peak < 0)
        return -1;
    SetAppPathOverride(args.value(args.indexOf(QStringLiteral("--in")) + 1));
    return peakChild(args.value(peak + 1));
}

// A figure that is not a time, in the table's layout: program, baseline, ratio.
inline void amountRow(const char *what, double program, double baseline, const char *unit, const char *baselineName)
{
    std::printf("%-44s %8.0f %-3s %8.0f %-3s  %-22s %6.2fx\n", what, program, unit, baseline, unit, baselineName,
                baseline > 0 ? program / baseline : 0.0);
    std::fflush(stdout);
}

// The longest hold of the event loop while `act` runs and the list repaints.
template <class Act> double stallOf(RecordList &list, Act act)
{
    StallMeter meter;
    meter.start();
    act();
    shownView(list)->viewport()->repaint();
    QApplication::processEvents();
    return meter.stop();
}

struct Baselines {
    double read;        // reading the same rows
    const char *readBy; // with what
    double sorted;      // reading them in the order of the first click on the file name
    const char *sortedBy;
};

// Lists `records` rows in both views, sorts them and measures the memory they take, and
// prints one line per figure; `engine` ends each label (", server").
inline void reportList(int records, const QString &jet, const Baselines &b, const QString &engine,
                       const QStringList &childArgs)
{
    auto label = [&](const QString &what) { return (what.arg(records) + engine).toUtf8(); };
    for (bool grid : {true, false}) { // the sort last: its order stays for later fills
        ListWindow w;                 // a window of its own, so that the heap holds nothing of the last list
        w.list.views->showThumbnails(grid);
        QApplication::processEvents();
        const char *view = grid ? "thumbnails" : "details";
        const size_t before = heapInUse();
        const Fill f = timedFill(w.list, jet);
        const size_t after = heapInUse();
        row(label(QStringLiteral("first screen, %1 records, ") + QLatin1String(view)).constData(), f.firstScreen, kFrame,
            "one frame (16 ms)");
        row(label(QStringLiteral("list %1 records, ") + QLatin1String(view)).constData(), f.whole, b.read, b.readBy);
        row(label(QStringLiteral("UI stall filling %1, ") + QLatin1String(view)).constData(), f.stall, kFrame,
            "one frame (16 ms)");
        if (grid) {
            row(label(QStringLiteral("UI stall selecting all %1, thumbnails")).constData(),
                stallOf(w.list, [&] { w.list.views->lvwThumbnails->selectAll(); }), kFrame, "one frame (16 ms)");
            continue;
        }
        amountRow(label(QStringLiteral("bytes per listed row, %1 records")).constData(),
                  double(after > before ? after - before : 0) / qMax(1, f.rows), 200, "B", "goal: 200 B");
        row(label(QStringLiteral("UI stall, end of %1, details")).constData(),
            stallOf(w.list, [&] { w.list.lvw->scrollToBottom(); }), kFrame, "one frame (16 ms)");
        row(label(QStringLiteral("UI stall selecting all %1")).constData(),
            stallOf(w.list, [&] { w.list.lvw->selectAll(); }), kFrame, "one frame (16 ms)");
        w.list.lvw->clearSelection();
        w.list.lvw->scrollToTop();
        QApplication::processEvents(); // the repaint at the top is not the sort's
        const Sort s = timedSort(w.list);
        row(label(QStringLiteral("sort %1 records by name")).constData(), s.time, b.sorted, b.sortedBy);
        row(label(QStringLiteral("UI stall sorting %1")).constData(), s.stall, kFrame, "one frame (16 ms)");
    }
    amountRow(label(QStringLiteral("peak memory listing %1 records")).constData(), peakOfChild(childArgs, jet), 300, "MiB",
              "goal: 300 MiB");
}

} // namespace bench
