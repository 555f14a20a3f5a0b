#include "store/ListingWorker.h"

#include "store/AppError.h"

ListingWorker::~ListingWorker()
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        quit_ = true;
        ++generation_;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void ListingWorker::stop()
{
    std::lock_guard<std::mutex> hold(lock_);
    job_ = nullptr;
    ++generation_;
}

void ListingWorker::run(const Engine &engine, Job job, Failed failed)
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        job_ = std::move(job);
        failed_ = std::move(failed);
        ++generation_;
        if (nextSerial_ != engine.serial()) {
            // The catalogue was opened again (or another one): the old reader is done with.
            nextSerial_ = engine.serial();
            nextReader_ = engine.readerConnection();
        }
        if (!thread_.joinable())
            thread_ = std::thread([this] { loop(); });
    }
    wake_.notify_all();
}

void ListingWorker::loop()
{
    std::unique_ptr<Engine> reader;
    quint64 readerSerial = 0;
    for (;;) {
        Job job;
        Failed failed;
        quint64 mine = 0;
        {
            std::unique_lock<std::mutex> hold(lock_);
            wake_.wait(hold, [this] { return quit_ || job_; });
            if (quit_)
                break;
            job = std::exchange(job_, nullptr);
            failed = std::exchange(failed_, nullptr);
            mine = generation_;
            if (nextReader_ || readerSerial != nextSerial_) {
                if (reader && reader->isOpen())
                    reader->close();
                reader = std::move(nextReader_);
                readerSerial = nextSerial_;
            }
        }
        const Wanted wanted = [this, mine] { return generation_ == mine; };
        try {
            if (!reader)
                throw AppError(QStringLiteral("数据库不支持后台读取"));
            if (!reader->isOpen())
                reader->open();
            job(*reader, wanted);
        } catch (const AppError &e) {
            if (reader && reader->isOpen()) {
                try {
                    reader->close(); // a broken connection is made again for the next job
                } catch (...) {
                }
            }
            if (wanted() && failed)
                failed(e.message());
        } catch (const std::exception &e) {
            if (wanted() && failed)
                failed(QString::fromLocal8Bit(e.what()));
        }
    }
    if (reader && reader->isOpen())
        reader->close();
}
