#pragma once

#include "store/Engine.h"
#include "store/TrigramIndex.h"

#include <QElapsedTimer>
#include <atomic>
#include <thread>

struct sqlite3;

// The embedded catalogue: an SQLite file with a rollback journal (never WAL, which does
// not work across machines), shared by several programs through the engine's file locks.
class SqliteEngine : public Engine {
public:
    explicit SqliteEngine(QString path);
    ~SqliteEngine() override;

    Dialect dialect() const override { return Dialect::Sqlite; }
    QString displayName() const override;
    void open() override;
    void close() override;
    bool isOpen() const override { return handle_ != nullptr; }
    void checkStillThere() const override;
    qint64 execute(const QString &sql, const QVariantList &params = {}, RowTable *rows = nullptr) override;
    QString addressColumn() const override { return QStringLiteral("rowid"); }
    QString addressCondition() const override { return QStringLiteral("rowid=?"); }
    QString addressWhere(const QVariant &address) const override
    {
        return QStringLiteral("rowid=%1").arg(address.toLongLong());
    }
    QString changeStamp() override;
    QString identifier(const QString &name) const override;
    QString indexed(const QString &sql) override;
    std::unique_ptr<Engine> readerConnection() const override;
    bool isReader() const override { return reader_; }

    // The index of the searches by part of a text, as found when the catalogue was opened.
    TrigramIndex::State searchIndex() const { return searchIndex_; }
    // Waits until the rows that were there before the index are in it; false when it
    // cannot be made here.
    bool waitForSearchIndex();

    const QString &path() const { return path_; }

protected:
    void beginOutermost() override;

private:
    static int onBusy(void *self, int count);
    sqlite3 *handle() const;

    QString path_;
    bool reader_ = false;
    QString connectionName_;
    sqlite3 *handle_ = nullptr;
    // The file as opened: a statement must not go to a file that was removed or replaced.
    quint64 device_ = 0;
    quint64 inode_ = 0;
    QElapsedTimer busySince_;
    TrigramIndex::State searchIndex_ = TrigramIndex::State::Unavailable;
    // Adds the older rows to the search index on a connection of its own.
    std::thread builder_;
    std::atomic_bool stopBuilding_{false};
    std::atomic_bool built_{false};
};
