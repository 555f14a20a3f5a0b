#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>
#include <memory>

class RowTable;

// One open catalogue on one database engine: the embedded file or a server. Statements
// come here already in the engine's own dialect; "?" marks take the bound values.
class Engine {
public:
    enum class Dialect { Sqlite, Postgres };

    Engine();
    virtual ~Engine() = default;
    // Distinguishes engine objects over the life of the program (never reused).
    quint64 serial() const { return serial_; }
    virtual Dialect dialect() const = 0;
    // Where the catalogue lies, for messages: a file path, or a server address without
    // any password.
    virtual QString displayName() const = 0;

    // Throws AppError naming the catalogue and the reason.
    virtual void open() = 0;
    // Opens a server database that may not hold a catalogue yet, to make one in it.
    virtual void openForSetup() { open(); }
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Throws when the catalogue opened is no longer the one statements would reach.
    virtual void checkStillThere() const {}

    // Runs one statement. The rows of a query go to `rows` when given (their columns are
    // set from the result). Returns how many rows an insert, update or delete changed.
    virtual qint64 execute(const QString &sql, const QVariantList &params = {}, RowTable *rows = nullptr) = 0;

    // The expression that selects a row's address, and the condition that finds the row
    // again by it (one "?" mark). The address changes when another program changes the row
    // on engines that version their rows.
    virtual QString addressColumn() const = 0;
    virtual QString addressCondition() const = 0;
    // A condition (in the engine's dialect, no bound values) that selects the row at `address`.
    virtual QString addressWhere(const QVariant &address) const = 0;
    // Appended to a query whose rows are about to be written in the same transaction.
    virtual QString lockClause() const { return {}; }
    // Changes when another program has committed a change since the last call (and may
    // change for other reasons too); empty when the engine cannot tell.
    virtual QString changeStamp() { return {}; }
    // A table or column name as the engine reads it.
    virtual QString identifier(const QString &name) const = 0;
    // A query that finds exactly the rows of `sql`, in its order, by an index the engine
    // keeps for it; `sql` itself when there is none.
    virtual QString indexed(const QString &sql) { return sql; }
    // Another connection to the same catalogue, for reading on a thread of its own: opened
    // there, it asks nothing, checks nothing and starts no upkeep. Null where there is none.
    virtual std::unique_ptr<Engine> readerConnection() const { return nullptr; }
    virtual bool isReader() const { return false; }

    // The rows of `select` streamed as they come, each field in the engine's binary form (a
    // null field has no data), for reading most of a big table at once; `row` returns
    // false to stop. False when the engine has no such stream: the caller reads as usual.
    using RawRow = std::function<bool(const QByteArrayView *fields, int count)>;
    virtual bool streamRows(const QString &select, const RawRow &row)
    {
        Q_UNUSED(select);
        Q_UNUSED(row);
        return false;
    }

    // Write transactions nest: the outermost one is a real transaction that holds the write
    // lock, inner ones are savepoints.
    void begin();
    void commit();
    void rollback();
    int transactionDepth() const { return depth_; }

    // The tables of the catalogue (lower case), as found when it was opened.
    const QStringList &tables() const { return tables_; }
    void setTables(QStringList names) { tables_ = std::move(names); }

    // How long a statement waits for another program's lock before it fails.
    void setLockTimeoutMs(int ms) { lockTimeoutMs_ = ms; }
    int lockTimeoutMs() const { return lockTimeoutMs_; }

protected:
    // Starts the outermost transaction, waiting for the write lock until the timeout.
    virtual void beginOutermost() = 0;
    // A connection lost for good ends every transaction in it.
    void forgetTransactions() { depth_ = 0; }
    // Closes and forgets the Qt connection of that name; the name is cleared.
    static void dropConnection(QString &name);

private:
    quint64 serial_;
    int depth_ = 0;
    QStringList tables_;
    int lockTimeoutMs_ = 10000;
};
