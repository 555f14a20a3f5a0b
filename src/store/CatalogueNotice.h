#pragma once

#include <QObject>
#include <atomic>

class QTimer;

// Tells the open windows that this program changed the catalogue. Every commit posts a
// notice; the windows hear one changed() for all the commits of a moment, and while commits
// go on (an import) at most one per twice the time the windows took to list again.
class CatalogueNotice : public QObject {
    Q_OBJECT
public:
    static CatalogueNotice &instance();
    // From any thread.
    static void post();
    // Grows with every post: a window that listed after the latest one need not list again.
    static quint64 generation();
    // Delivers a pending notice now.
    void deliver();

signals:
    void changed();

private:
    CatalogueNotice();
    void schedule();

    QTimer *timer_;
    qint64 lastCostMs_ = 0;
    static std::atomic<quint64> generation_;
};
