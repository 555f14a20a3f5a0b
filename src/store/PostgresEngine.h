#pragma once

#include "store/Engine.h"

#include <QMap>

struct pg_conn;
struct pg_result;

// A catalogue on a PostgreSQL server, shared by programs on several machines, through
// libpq: the connection is made on a thread of its own, so that the interface can wait
// for it in a window the user can cancel.
class PostgresEngine : public Engine {
public:
    explicit PostgresEngine(QString uri);
    ~PostgresEngine() override;

    Dialect dialect() const override { return Dialect::Postgres; }
    QString displayName() const override;
    void open() override;
    void openForSetup() override;
    void close() override;
    bool isOpen() const override { return conn_ != nullptr; }
    qint64 execute(const QString &sql, const QVariantList &params = {}, RowTable *rows = nullptr) override;
    QString addressColumn() const override { return QStringLiteral("ctid::text"); }
    QString addressCondition() const override { return QStringLiteral("ctid=?::tid"); }
    QString addressWhere(const QVariant &address) const override;
    QString lockClause() const override { return QStringLiteral(" FOR UPDATE"); }
    QString changeStamp() override;
    QString identifier(const QString &name) const override;
    std::unique_ptr<Engine> readerConnection() const override;
    bool isReader() const override { return reader_; }
    bool streamRows(const QString &select, const RawRow &row) override;

    // The connection parameters of a "postgresql://" address (libpq's own reading of it).
    static QMap<QString, QString> parameters(const QString &uri);

protected:
    void beginOutermost() override;

private:
    void connect();
    qint64 run(const QString &sql, const QVariantList &params, RowTable *rows);
    [[noreturn]] void fail(const QString &reason, const QString &sql);
    [[noreturn]] void failWith(const pg_result *res, const QString &sql);

    QString uri_;
    QString host_;
    QString database_;
    pg_conn *conn_ = nullptr;
    bool reader_ = false; // connects on the calling thread, with no window to wait in
};
