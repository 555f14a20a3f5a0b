#pragma once

#include "store/AtomicCopy.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class Engine;

// Commits the rows of several imports together. Every row costs the engine a journal sync,
// and so does every copy made durable on its own; a group pays once. Each copy of the group
// is durable before the group's rows commit; a group lasts about 100 ms at most, so other
// programs sharing the catalogue are not held up, and it ends before any question is
// asked. With no group time each file commits on its own.
class ImportBatch {
public:
    explicit ImportBatch(int groupMs = 0);
    ~ImportBatch();
    ImportBatch(const ImportBatch &) = delete;
    ImportBatch &operator=(const ImportBatch &) = delete;

    AtomicCopy::Durability durability() const;
    // Starts the group's transaction when none is open.
    void open();
    // A file's row is written (in the open group): its new copy, and what to do once the
    // row is committed (removing the copy it replaced, say).
    void recorded(const QString &source, const QString &copyPath, std::function<void()> afterCommit = {});
    // Ends the group when it has lasted long enough.
    void flushIfDue();
    // Ends the group: copies made durable, rows committed, then the after-commit work. When
    // that fails the group's copies are removed and GroupLost names their sources.
    void flush();

private:
    struct Entry {
        QString source;
        QString copyPath;
        std::function<void()> afterCommit;
    };
    void abandon();

    int groupMs_;
    std::shared_ptr<Engine> engine_;
    QElapsedTimer since_;
    std::vector<Entry> entries_;
};
