#pragma once

#include "store/Engine.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Reads listings on a thread of its own, over a reader connection to the catalogue, one
// job at a time. A job given later stops the one running between its steps, so a new list
// or a new sort never waits for an old one.
class ListingWorker {
public:
    // Tells a running job whether it is still wanted.
    using Wanted = std::function<bool()>;
    using Job = std::function<void(Engine &reader, const Wanted &wanted)>;
    using Failed = std::function<void(const QString &message)>;

    ListingWorker() = default;
    ~ListingWorker();
    ListingWorker(const ListingWorker &) = delete;
    ListingWorker &operator=(const ListingWorker &) = delete;

    // Runs `job` over a reader of `engine` (made here, opened on the worker). An engine
    // error ends the job and goes to `failed`, on the worker's thread.
    void run(const Engine &engine, Job job, Failed failed);
    // Stops the job running, if any, at its next step.
    void stop();

private:
    void loop();

    std::mutex lock_;
    std::condition_variable wake_;
    std::thread thread_;
    bool quit_ = false;
    Job job_;
    Failed failed_;
    std::unique_ptr<Engine> nextReader_; // handed to the worker with the job
    quint64 nextSerial_ = 0;
    std::atomic<quint64> generation_{0};
};
