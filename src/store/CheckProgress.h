#pragma once

#include <QtGlobal>
#include <atomic>

// Shared between a check running on its worker and the window that shows it: the worker
// writes, the window reads on a timer, and Cancel is one flag the worker looks at often.
class CheckProgress {
public:
    enum Phase { Listing, Matching, Hashing, Finished };

    std::atomic<int> phase{Listing};
    std::atomic<qint64> done{0};
    std::atomic<qint64> total{0};
    std::atomic<bool> cancel{false};

    void start(Phase p, qint64 of)
    {
        done = 0;
        total = of;
        phase = p;
    }
    bool cancelled() const { return cancel.load(std::memory_order_relaxed); }
};
