#pragma once

#include <QString>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

// What a worker reads for one list, handed to the interface thread: steps of addresses, then
// the end or a failure. The worker calls `notify` after each hand-over.
class ListingMailbox {
public:
    struct Taken {
        std::vector<std::vector<qint64>> steps;
        bool done = false;
        QString error;
    };

    // Set before the worker starts.
    void setNotify(std::function<void()> notify) { notify_ = std::move(notify); }

    // With `last`, the read is done too (one hand-over for a list taken whole).
    void put(std::vector<qint64> &&addresses, bool last = false)
    {
        {
            std::lock_guard<std::mutex> hold(lock_);
            steps_.push_back(std::move(addresses));
            done_ = done_ || last;
        }
        wake();
    }
    void finish(const QString &error = {})
    {
        {
            std::lock_guard<std::mutex> hold(lock_);
            done_ = true;
            error_ = error;
        }
        wake();
    }
    // Waits until something was handed over or the time is up.
    void waitFor(std::chrono::milliseconds most)
    {
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait_for(hold, most, [this] { return done_ || !steps_.empty(); });
    }
    Taken take()
    {
        std::lock_guard<std::mutex> hold(lock_);
        Taken t;
        t.steps = std::move(steps_);
        steps_ = {};
        t.done = done_;
        t.error = error_;
        return t;
    }

private:
    void wake()
    {
        changed_.notify_all();
        notify_();
    }

    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<std::vector<qint64>> steps_;
    bool done_ = false;
    QString error_;
    std::function<void()> notify_;
};
