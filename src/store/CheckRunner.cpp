#include "store/CheckRunner.h"

#include "store/AppError.h"
#include "store/CatalogueCheck.h"
#include "store/CheckSnapshot.h"

#include <QDateTime>
#include <QThread>

struct CheckRunner::Job {
    CheckSnapshot snapshot;
    CheckProgress progress;
    CheckReport report;
    QString error;
};

CheckRunner::CheckRunner(QObject *parent) : QObject(parent) {}

CheckRunner::~CheckRunner()
{
    stop();
}

void CheckRunner::start(bool hashing)
{
    if (running())
        return;
    auto job = std::make_shared<Job>();
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    job->snapshot = CheckSnapshot::read(hashing);
    hashing_ = hashing;
    job_ = job;
    thread_ = QThread::create([job, hashing, now] {
        try {
            job->report = CatalogueCheck::run(job->snapshot, hashing, now, job->progress);
        } catch (const AppError &e) {
            job->error = e.message();
        } catch (const std::exception &e) {
            job->error = QString::fromLocal8Bit(e.what());
        }
    });
    thread_->setObjectName(QStringLiteral("catalogue-check"));
    connect(thread_, &QThread::finished, this, &CheckRunner::workerEnded);
    thread_->start(QThread::LowPriority);
}

void CheckRunner::cancel()
{
    if (job_)
        job_->progress.cancel = true;
}

void CheckRunner::stop()
{
    if (!thread_)
        return;
    job_->progress.cancel = true;
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    job_.reset();
}

void CheckRunner::workerEnded()
{
    if (!thread_)
        return; // stopped
    thread_->deleteLater();
    thread_ = nullptr;
    emit finished();
}

const CheckProgress &CheckRunner::progress() const
{
    return job_->progress;
}

qint64 CheckRunner::recordCount() const
{
    return job_ ? qint64(job_->snapshot.records.size()) : 0;
}

CheckRunner::Result CheckRunner::take()
{
    Result result;
    if (std::shared_ptr<Job> job = std::move(job_)) {
        result.error = std::move(job->error);
        result.report = std::move(job->report);
    }
    return result;
}

void CheckRunner::confirm(CheckReport &report) const
{
    CatalogueCheck::confirm(report, CheckSnapshot::read(hashing_));
}
