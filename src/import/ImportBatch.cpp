#include "import/ImportBatch.h"

#include "import/GroupLost.h"
#include "store/ConnectionLost.h"
#include "store/Engine.h"
#include "store/clsCurrentDb.h"

#include <QFile>

ImportBatch::ImportBatch(int groupMs) : groupMs_(groupMs) {}

ImportBatch::~ImportBatch()
{
    // An open group that nobody flushed (an error on the way out) records nothing.
    if (engine_)
        abandon();
}

AtomicCopy::Durability ImportBatch::durability() const
{
    return groupMs_ > 0 ? AtomicCopy::Durability::Deferred : AtomicCopy::Durability::Now;
}

void ImportBatch::open()
{
    if (groupMs_ <= 0 || engine_)
        return;
    std::shared_ptr<Engine> engine = CurrentDb().engine();
    engine->begin();
    engine_ = std::move(engine);
    since_.start();
}

void ImportBatch::recorded(const QString &source, const QString &copyPath, std::function<void()> afterCommit)
{
    if (!engine_) {
        // Committed already, on its own.
        if (afterCommit)
            afterCommit();
        return;
    }
    entries_.push_back({source, copyPath, std::move(afterCommit)});
}

void ImportBatch::flushIfDue()
{
    if (engine_ && since_.elapsed() >= groupMs_)
        flush();
}

void ImportBatch::flush()
{
    if (!engine_)
        return;
    try {
        QStringList copies;
        for (const Entry &e : entries_)
            copies << e.copyPath;
        AtomicCopy::makeDurable(copies);
        engine_->commit();
    } catch (const AppError &e) {
        QStringList sources;
        for (const Entry &entry : entries_)
            sources << entry.source;
        abandon();
        throw GroupLost(sources, e.message(), dynamic_cast<const ConnectionLost *>(&e) != nullptr);
    }
    engine_ = nullptr;
    std::vector<Entry> done;
    done.swap(entries_);
    for (const Entry &e : done)
        if (e.afterCommit)
            e.afterCommit();
}

void ImportBatch::abandon()
{
    try {
        engine_->rollback();
    } catch (const AppError &) {
        // The connection is gone, and the transaction with it.
    }
    engine_ = nullptr;
    for (const Entry &e : entries_)
        QFile::remove(e.copyPath);
    entries_.clear();
}
