#pragma once

#include "store/CheckProgress.h"
#include "store/CheckReport.h"

#include <QObject>
#include <QString>
#include <memory>

class QThread;

// One catalogue check on a worker thread: the records are read on the calling thread,
// which owns the connection; the folder is scanned and hashed on the worker. Whoever shows
// it reads progress() on a timer and takes the result when finished() comes.
class CheckRunner : public QObject {
    Q_OBJECT
public:
    struct Result {
        QString error; // why the check did not complete; empty when it did
        CheckReport report;
    };

    explicit CheckRunner(QObject *parent = nullptr);
    ~CheckRunner() override;

    // Throws AppError when the records cannot be read; nothing runs then.
    void start(bool hashing);
    // The worker stops within a second; finished() follows.
    void cancel();
    // Cancels and waits for the worker, without finished().
    void stop();
    bool running() const { return thread_ != nullptr; }

    // Valid while running.
    const CheckProgress &progress() const;
    qint64 recordCount() const;

    // After finished(): what the worker found.
    Result take();
    // What settled while the folder was read (an import that finished, a record restored
    // from the bin) is no finding. Reads the records again; throws AppError.
    void confirm(CheckReport &report) const;

signals:
    void finished();

private:
    struct Job;
    void workerEnded();

    std::shared_ptr<Job> job_;
    QThread *thread_ = nullptr;
    bool hashing_ = false;
};
