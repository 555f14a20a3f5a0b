#include "store/PostgresEngine.h"

#include "store/CatalogueLocation.h"
#include "store/CatalogueSchema.h"
#include "store/ConnectionLost.h"
#include "store/DbError.h"
#include "store/Dialogs.h"
#include "store/RowTable.h"
#include "store/SqlQuote.h"

#include <QScopeGuard>
#include <QTimeZone>
#include <chrono>
#include <cstring>
#include <exception>
#include <libpq-fe.h>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {
// Long enough for a server across a slow network, short enough for a user to wait.
const char *const kConnectTimeoutSeconds = "5";

// Type numbers of the server's built-in types that are not read as text.
enum : Oid { BoolOid = 16, ByteaOid = 17, Int8Oid = 20, Int2Oid = 21, Int4Oid = 23, Float4Oid = 700, Float8Oid = 701 };

struct ResultDeleter {
    void operator()(PGresult *r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

QVariant valueOf(const PGresult *res, int row, int col, Oid type)
{
    if (PQgetisnull(res, row, col))
        return {};
    const char *text = PQgetvalue(res, row, col);
    switch (type) {
    case Int2Oid:
    case Int4Oid:
    case Int8Oid: return qlonglong(std::strtoll(text, nullptr, 10));
    case Float4Oid:
    case Float8Oid: return std::strtod(text, nullptr);
    case BoolOid: return text[0] == 't';
    case ByteaOid: {
        size_t n = 0;
        unsigned char *bytes = PQunescapeBytea(reinterpret_cast<const unsigned char *>(text), &n);
        const QByteArray out(reinterpret_cast<const char *>(bytes), qsizetype(n));
        PQfreemem(bytes);
        return out;
    }
    default: return QString::fromUtf8(text, PQgetlength(res, row, col));
    }
}

// "?" marks outside quoted literals become the server's "$1", "$2", ...
QString numberedMarks(const QString &sql)
{
    QString out;
    out.reserve(sql.size() + 8);
    int n = 0;
    QChar quote;
    for (const QChar c : sql) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char('?')) {
            out += QLatin1Char('$') + QString::number(++n);
            continue;
        }
        out += c;
    }
    return out;
}

// What the server's error code means to a user, before the server's own words.
QString describe(const QString &state)
{
    if (state == QLatin1String("55P03"))
        return QStringLiteral("等待其他程序的锁超时");
    if (state.startsWith(QLatin1String("08")))
        return QStringLiteral("与数据库服务器的连接中断");
    if (state == QLatin1String("57P01") || state == QLatin1String("57P02") || state == QLatin1String("57P03"))
        return QStringLiteral("数据库服务器正在关闭或重新启动");
    if (state == QLatin1String("40P01"))
        return QStringLiteral("与其他程序的更改发生死锁");
    if (state == QLatin1String("42501"))
        return QStringLiteral("没有权限");
    return {};
}
} // namespace

PostgresEngine::PostgresEngine(QString uri) : uri_(std::move(uri)) {}

PostgresEngine::~PostgresEngine()
{
    close();
}

QString PostgresEngine::displayName() const
{
    return CatalogueLocation::displayName(uri_);
}

QMap<QString, QString> PostgresEngine::parameters(const QString &uri)
{
    QMap<QString, QString> out;
    const QString fault = CatalogueLocation::fault(uri);
    if (!fault.isEmpty())
        throw AppError(QStringLiteral("数据库地址 %1 无效: %2").arg(CatalogueLocation::displayName(uri), fault));
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(uri.toUtf8().constData(), &error);
    if (!options) {
        // The parser quotes the address it could not read, password and all.
        const QString reason = error && !CatalogueLocation::holdsPassword(uri) ? QString::fromUtf8(error).trimmed()
                                                                               : QStringLiteral("无法解析");
        PQfreemem(error);
        throw AppError(QStringLiteral("数据库地址 %1 无效: %2").arg(CatalogueLocation::displayName(uri), reason));
    }
    for (PQconninfoOption *o = options; o->keyword; ++o)
        if (o->val && *o->val)
            out.insert(QString::fromUtf8(o->keyword), QString::fromUtf8(o->val));
    PQconninfoFree(options);
    return out;
}

void PostgresEngine::connect()
{
    close();
    const QMap<QString, QString> p = parameters(uri_);
    host_ = p.value(QStringLiteral("host"), qEnvironmentVariable("PGHOST", QStringLiteral("localhost")));
    database_ = p.value(QStringLiteral("dbname"), qEnvironmentVariable("PGDATABASE", qEnvironmentVariable("PGUSER")));
    // The connection is made on a thread of its own while the interface waits in a window
    // the user can cancel: a server that accepts and never answers must not freeze it. An
    // abandoned attempt ends by itself within the connect timeout.
    struct Attempt {
        std::mutex lock;
        PGconn *conn = nullptr;
        bool done = false, abandoned = false;
    };
    auto attempt = std::make_shared<Attempt>();
    const QByteArray address = uri_.toUtf8();
    std::thread([attempt, address] {
        // The address's own connect_timeout, when it names one, wins over the default.
        const char *keywords[] = {"connect_timeout", "fallback_application_name", "dbname", nullptr};
        const char *values[] = {kConnectTimeoutSeconds, "mediacatalog", address.constData(), nullptr};
        PGconn *conn = PQconnectdbParams(keywords, values, 1);
        std::lock_guard<std::mutex> hold(attempt->lock);
        if (attempt->abandoned) {
            PQfinish(conn);
            return;
        }
        attempt->conn = conn;
        attempt->done = true;
    }).detach();
    auto finished = [attempt] {
        std::lock_guard<std::mutex> hold(attempt->lock);
        return attempt->done;
    };
    bool waited = true;
    if (reader_) {
        // A reader connects on a thread of its own already; the connect timeout ends it.
        while (!finished())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } else {
        waited = dialogs().wait(QStringLiteral("正在连接数据库服务器 %1 ...").arg(displayName()), finished);
    }
    PGconn *conn = nullptr;
    {
        std::lock_guard<std::mutex> hold(attempt->lock);
        if (!attempt->done || !waited) {
            attempt->abandoned = true;
            if (attempt->done)
                PQfinish(attempt->conn);
            throw ConnectionLost(QStringLiteral("连接数据库服务器 %1 上的数据库 %2 已取消").arg(host_, database_));
        }
        conn = attempt->conn;
    }
    if (!conn || PQstatus(conn) != CONNECTION_OK) {
        const QString failure = conn ? QString::fromUtf8(PQerrorMessage(conn)).trimmed() : QStringLiteral("内存不足");
        PQfinish(conn);
        throw ConnectionLost(QStringLiteral("无法连接数据库服务器 %1 上的数据库 %2: %3").arg(host_, database_, failure));
    }
    conn_ = conn;
    try {
        // One round trip for the session's settings. New rows take their date from the
        // server's clock in this machine's time zone.
        execute(QStringLiteral("SET client_min_messages = warning; SET standard_conforming_strings = on; "
                               "SET client_encoding = 'UTF8'; SET lock_timeout = %1")
                    .arg(lockTimeoutMs()));
        const QString zone = QString::fromUtf8(QTimeZone::systemTimeZoneId());
        if (!zone.isEmpty())
            try {
                execute(QStringLiteral("SET TIME ZONE '%1'").arg(SqlQuote(zone)));
            } catch (const DbError &) {
                // A zone the server does not know: its own clock's zone then.
            }
    } catch (...) {
        close();
        throw;
    }
}

void PostgresEngine::openForSetup()
{
    connect();
}

std::unique_ptr<Engine> PostgresEngine::readerConnection() const
{
    auto reader = std::make_unique<PostgresEngine>(uri_);
    reader->reader_ = true;
    reader->setLockTimeoutMs(lockTimeoutMs());
    return reader;
}

void PostgresEngine::open()
{
    connect();
    if (reader_)
        return;
    try {
        RowTable table;
        execute(QStringLiteral("SELECT to_regclass('tblattachment') IS NOT NULL"), {}, &table);
        if (table.count() != 1 || !table.row(0)[0].toBool())
            throw AppError(
                QStringLiteral("服务器 %1 上的数据库 %2 不是文件目录数据库: 缺少表 tblAttachment (请先用 mkcatalogue 创建)")
                    .arg(host_, database_));
        CatalogueSchema::requireShape(*this);
        CatalogueSchema::ensureSideTables(*this);
    } catch (...) {
        close();
        throw;
    }
}

void PostgresEngine::close()
{
    if (conn_)
        PQfinish(conn_);
    conn_ = nullptr;
    forgetTransactions();
}

QString PostgresEngine::identifier(const QString &name) const
{
    return QLatin1Char('"') + name.toLower() + QLatin1Char('"');
}

QString PostgresEngine::addressWhere(const QVariant &address) const
{
    return QStringLiteral("ctid='") + SqlQuote(address.toString()) + QStringLiteral("'::tid");
}

void PostgresEngine::beginOutermost()
{
    // One writer at a time per catalogue, as the file engine's BEGIN IMMEDIATE gives: a
    // duplicate check and the row it leads to are never split by another program's import.
    // The lock is the catalogue's (its schema's) and ends with the transaction; the wait for
    // it follows lock_timeout.
    execute(QStringLiteral("BEGIN"));
    try {
        RowTable held;
        execute(QStringLiteral("SELECT pg_advisory_xact_lock(hashtext('mediacatalog:' || current_schema()))"), {}, &held);
    } catch (...) {
        execute(QStringLiteral("ROLLBACK"));
        throw;
    }
}

void PostgresEngine::fail(const QString &reason, const QString &sql)
{
    throw DbError::inDatabase(reason, displayName(), sql);
}

qint64 PostgresEngine::execute(const QString &sql, const QVariantList &params, RowTable *rows)
{
    if (!conn_)
        connect();
    // A connection lost outside a transaction (a server restart, say) is made again once;
    // inside one, the transaction is gone and the caller must know.
    if (PQstatus(conn_) == CONNECTION_BAD && transactionDepth() == 0)
        connect();
    try {
        return run(sql, params, rows);
    } catch (const DbError &) {
        if (!conn_ || PQstatus(conn_) != CONNECTION_BAD)
            throw;
        const bool wasInTransaction = transactionDepth() > 0;
        close();
        if (wasInTransaction)
            throw;
        connect();
        return run(sql, params, rows);
    }
}

qint64 PostgresEngine::run(const QString &sql, const QVariantList &params, RowTable *rows)
{
    const QByteArray text = (params.isEmpty() ? sql : numberedMarks(sql)).toUtf8();
    Result res;
    if (params.isEmpty()) {
        res.reset(PQexec(conn_, text.constData()));
    } else {
        std::vector<QByteArray> values(size_t(params.size()));
        std::vector<const char *> pointers(size_t(params.size()), nullptr);
        for (qsizetype i = 0; i < params.size(); ++i) {
            const QVariant &v = params.at(i);
            if (v.isNull())
                continue;
            values[size_t(i)] = v.typeId() == QMetaType::Bool ? QByteArray(v.toBool() ? "t" : "f") : v.toString().toUtf8();
            pointers[size_t(i)] = values[size_t(i)].constData();
        }
        res.reset(PQexecParams(conn_, text.constData(), int(params.size()), nullptr, pointers.data(), nullptr, nullptr, 0));
    }
    const ExecStatusType status = res ? PQresultStatus(res.get()) : PGRES_FATAL_ERROR;
    if (status == PGRES_TUPLES_OK) {
        if (rows) {
            const int n = PQnfields(res.get());
            QStringList names;
            std::vector<Oid> types;
            for (int c = 0; c < n; ++c) {
                names << QString::fromUtf8(PQfname(res.get(), c));
                types.push_back(PQftype(res.get(), c));
            }
            rows->setColumns(names);
            const int count = PQntuples(res.get());
            std::vector<QVariant *> targets(static_cast<size_t>(count), nullptr);
            for (int r = 0; r < count; ++r)
                targets[size_t(r)] = rows->appendRow();
            auto convert = [&](int from, int to) {
                for (int r = from; r < to; ++r)
                    for (int c = 0; c < n; ++c)
                        targets[size_t(r)][c] = valueOf(res.get(), r, c, types[size_t(c)]);
            };
            // A long list is turned into text on two cores: the result is only read.
            if (count >= 20000) {
                std::thread half([&] { convert(count / 2, count); });
                convert(0, count / 2);
                half.join();
            } else {
                convert(0, count);
            }
        }
        return qint64(std::strtoll(PQcmdTuples(res.get()), nullptr, 10));
    }
    if (status == PGRES_COMMAND_OK) {
        // COMMIT of a transaction that had failed answers ROLLBACK rather than an error.
        if (sql == QLatin1String("COMMIT") && qstrcmp(PQcmdStatus(res.get()), "ROLLBACK") == 0)
            fail(QStringLiteral("事务已回滚,未保存任何更改"), sql);
        return qint64(std::strtoll(PQcmdTuples(res.get()), nullptr, 10));
    }
    failWith(res.get(), sql);
}

void PostgresEngine::failWith(const pg_result *res, const QString &sql)
{
    const QString state = res ? QString::fromLatin1(PQresultErrorField(res, PG_DIAG_SQLSTATE)) : QString();
    QString reason = QString::fromUtf8(res ? PQresultErrorMessage(res) : PQerrorMessage(conn_)).trimmed();
    if (reason.isEmpty())
        reason = QString::fromUtf8(PQerrorMessage(conn_)).trimmed();
    const QString meaning = describe(state);
    const QString told = meaning.isEmpty() ? reason : meaning + QStringLiteral(" (") + reason + QLatin1Char(')');
    if (PQstatus(conn_) == CONNECTION_BAD)
        throw ConnectionLost(DbError::inDatabase(told, displayName(), sql).reason(), sql);
    fail(told, sql);
}

namespace {
// Reads the binary COPY stream: a signature and header, then rows of counted fields, then
// a count of -1. Each message of the server holds one row, but nothing here relies on it.
class CopyParser {
public:
    // False once the stream is bad; `row` is called for every whole row.
    template <typename Row> bool feed(const char *data, int size, Row &&row)
    {
        buffer_.append(data, size);
        qsizetype at = 0;
        const auto leave = qScopeGuard([&] { buffer_.remove(0, at); });
        const char *p = buffer_.constData();
        const qsizetype n = buffer_.size();
        if (!header_) {
            static const char signature[] = "PGCOPY\n\377\r\n";
            if (n < 19)
                return true;
            if (std::memcmp(p, signature, 11) != 0)
                return false;
            const qint64 extension = int32At(p + 15);
            if (extension < 0)
                return false;
            if (n < 19 + extension)
                return true;
            at = 19 + extension;
            header_ = true;
        }
        while (!ended_ && at + 2 <= n) {
            const int count = int16At(p + at);
            if (count == -1) {
                ended_ = true;
                at += 2;
                break;
            }
            if (count < 0)
                return false;
            fields_.assign(size_t(count), QByteArrayView());
            qsizetype q = at + 2;
            int f = 0;
            for (; f < count && q + 4 <= n; ++f) {
                const qint64 length = int32At(p + q);
                q += 4;
                if (length < 0)
                    continue; // null
                if (q + length > n)
                    break;
                fields_[size_t(f)] = QByteArrayView(p + q, length);
                q += length;
            }
            if (f < count)
                return true; // the rest of the row comes in the next message
            at = q;
            if (!row(fields_.data(), count)) {
                stopped_ = true;
                return true;
            }
        }
        return true;
    }
    bool stopped() const { return stopped_; }

private:
    static int int16At(const char *p) { return qint16(quint16(quint8(p[0])) << 8 | quint8(p[1])); }
    static qint64 int32At(const char *p)
    {
        return qint32(quint32(quint8(p[0])) << 24 | quint32(quint8(p[1])) << 16 | quint32(quint8(p[2])) << 8 | quint8(p[3]));
    }

    QByteArray buffer_;
    std::vector<QByteArrayView> fields_;
    bool header_ = false;
    bool ended_ = false;
    bool stopped_ = false;
};
} // namespace

bool PostgresEngine::streamRows(const QString &select, const RawRow &row)
{
    // Inside a transaction an early stop would end it in an error.
    if (transactionDepth() > 0)
        return false;
    if (!conn_ || PQstatus(conn_) == CONNECTION_BAD)
        connect();
    const QString sql = QStringLiteral("COPY (") + select + QStringLiteral(") TO STDOUT (FORMAT binary)");
    Result started(PQexec(conn_, sql.toUtf8().constData()));
    if (PQstatus(conn_) == CONNECTION_BAD) { // a server restart since the last statement: once more
        close();
        connect();
        started.reset(PQexec(conn_, sql.toUtf8().constData()));
    }
    if (!started || PQresultStatus(started.get()) != PGRES_COPY_OUT)
        failWith(started.get(), sql);
    CopyParser parser;
    bool bad = false;
    std::exception_ptr thrown;
    for (;;) {
        char *data = nullptr;
        const int size = PQgetCopyData(conn_, &data, 0);
        if (size < 0)
            break; // -1: the end; -2: an error, told by the result below
        if (!parser.stopped() && !bad && !thrown) {
            try {
                bad = !parser.feed(data, size, row);
            } catch (...) {
                thrown = std::current_exception(); // told once the connection is ready again
            }
            if (parser.stopped() || bad || thrown) {
                // The rest is not wanted: the server is asked to stop sending it.
                if (PGcancel *cancel = PQgetCancel(conn_)) {
                    char reason[256];
                    PQcancel(cancel, reason, int(sizeof reason));
                    PQfreeCancel(cancel);
                }
            }
        }
        PQfreemem(data);
    }
    Result last;
    bool failed = false;
    while (Result r{PQgetResult(conn_)}) {
        if (PQresultStatus(r.get()) != PGRES_COMMAND_OK && !failed) {
            failed = true;
            last = std::move(r);
        }
    }
    if (thrown)
        std::rethrow_exception(thrown);
    if (failed && !parser.stopped() && !bad)
        failWith(last.get(), sql);
    if (bad && !parser.stopped())
        throw DbError::unreadableReply(displayName(), sql);
    return true;
}

QString PostgresEngine::changeStamp()
{
    // The whole snapshot: the next transaction number moves when a writing transaction
    // takes its number, the list of those in progress when it commits. Reading
    // transactions take none, so the stamp moves at least whenever the catalogue changed.
    RowTable rows;
    execute(QStringLiteral("SELECT txid_current_snapshot()::text"), {}, &rows);
    return rows.count() == 1 ? QStringLiteral("%1:%2").arg(serial()).arg(rows.row(0)[0].toString()) : QString();
}
