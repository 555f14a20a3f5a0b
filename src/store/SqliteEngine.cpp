#include "store/SqliteEngine.h"

#include "store/CatalogueSchema.h"
#include "store/DbError.h"
#include "store/RowTable.h"
#include "store/SearchIndexBuild.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QThread>
#include <atomic>
#include <sqlite3.h>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {
std::atomic<int> g_connectionSerial{0}; // readers open on threads of their own

bool fileIdentity(const QString &path, quint64 *device, quint64 *inode)
{
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    *device = quint64(st.st_dev);
    *inode = quint64(st.st_ino);
    return true;
#else
    *device = *inode = 0;
    return QFileInfo::exists(path);
#endif
}

// A short random pause: waiters that poll often and out of step find the short gaps
// between other programs' transactions, where a growing back-off starves them.
void pause()
{
    QThread::usleep(500 + QRandomGenerator::global()->bounded(2500));
}

bool isBusy(int rc)
{
    return (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED;
}

QVariant columnValue(sqlite3_stmt *stmt, int i)
{
    switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_INTEGER: return qlonglong(sqlite3_column_int64(stmt, i));
    case SQLITE_FLOAT: return sqlite3_column_double(stmt, i);
    case SQLITE_TEXT:
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, i)),
                                 sqlite3_column_bytes(stmt, i));
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt, i)), sqlite3_column_bytes(stmt, i));
    default: return {}; // Null
    }
}

void bind(sqlite3_stmt *stmt, int i, const QVariant &v)
{
    if (v.isNull()) {
        sqlite3_bind_null(stmt, i);
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Bool: sqlite3_bind_int64(stmt, i, v.toLongLong()); break;
    case QMetaType::Double: sqlite3_bind_double(stmt, i, v.toDouble()); break;
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        sqlite3_bind_blob(stmt, i, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        break;
    }
    default: {
        const QByteArray t = v.toString().toUtf8();
        sqlite3_bind_text(stmt, i, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        break;
    }
    }
}

class Statement {
public:
    ~Statement() { sqlite3_finalize(stmt_); }
    sqlite3_stmt **out() { return &stmt_; }
    sqlite3_stmt *get() const { return stmt_; }
    void reset()
    {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }

private:
    sqlite3_stmt *stmt_ = nullptr;
};
} // namespace

SqliteEngine::SqliteEngine(QString path) : path_(std::move(path)) {}

SqliteEngine::~SqliteEngine()
{
    close();
}

QString SqliteEngine::displayName() const
{
    return QDir::toNativeSeparators(path_);
}

void SqliteEngine::open()
{
    close();
    if (!QFileInfo(path_).isFile())
        throw AppError(QStringLiteral("数据库文件 %1 不存在").arg(displayName()));
    connectionName_ = QStringLiteral("mc-catalogue-%1").arg(++g_connectionSerial);
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName_);
        db.setDatabaseName(path_);
        if (db.open()) {
            const QVariant v = db.driver()->handle();
            if (v.isValid() && qstrcmp(v.typeName(), "sqlite3*") == 0)
                handle_ = *static_cast<sqlite3 *const *>(v.constData());
        }
        if (!handle_)
            failure = db.lastError().text();
    }
    if (!handle_) {
        close();
        throw DbError::inDatabase(failure, path_, QString());
    }
    sqlite3_busy_handler(handle_, &SqliteEngine::onBusy, this);
    if (reader_) {
        try {
            execute(QStringLiteral("PRAGMA case_sensitive_like=ON"));
        } catch (...) {
            close();
            throw;
        }
        fileIdentity(path_, &device_, &inode_);
        return;
    }
    try {
        // WAL does not work across machines; keep (or restore) the rollback journal.
        RowTable probe;
        execute(QStringLiteral("PRAGMA journal_mode=DELETE"), {}, &probe);
        // Like, "=" and GROUP BY agree on letter case, as the server engine does.
        execute(QStringLiteral("PRAGMA case_sensitive_like=ON"));
        probe = RowTable();
        execute(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name='tblAttachment'"), {}, &probe);
        if (probe.count() == 0)
            throw AppError(QStringLiteral("%1 不是文件目录数据库: 缺少表 tblAttachment").arg(displayName()));
        CatalogueSchema::requireShape(*this);
        CatalogueSchema::ensureSideTables(*this);
        searchIndex_ = TrigramIndex::prepare(*this, TrigramIndex::supported(handle_));
    } catch (const DbError &e) {
        close();
        throw AppError(QStringLiteral("%1 不是可用的数据库: %2").arg(displayName(), e.reason()));
    } catch (...) {
        close();
        throw;
    }
    fileIdentity(path_, &device_, &inode_);
    if (searchIndex_ == TrigramIndex::State::Building) {
        // Searches read by the scan until it is done; other programs' writes get in between
        // its groups, and closing the catalogue stops it after the group at hand.
        stopBuilding_ = false;
        built_ = false;
        // The interface shows it and may stop it; the next open goes on where it stopped.
        builder_ = std::thread([this, path = path_] {
            const std::uint64_t shown = SearchIndexBuild::started(&stopBuilding_);
            built_ = TrigramIndex::build(path, stopBuilding_, 30,
                                         [shown](int permille) { SearchIndexBuild::progressed(shown, permille); });
            SearchIndexBuild::ended(shown);
        });
    }
}

bool SqliteEngine::waitForSearchIndex()
{
    if (builder_.joinable())
        builder_.join();
    if (searchIndex_ == TrigramIndex::State::Building && built_)
        searchIndex_ = TrigramIndex::State::Ready;
    return searchIndex_ == TrigramIndex::State::Ready;
}

std::unique_ptr<Engine> SqliteEngine::readerConnection() const
{
    auto reader = std::make_unique<SqliteEngine>(path_);
    reader->reader_ = true;
    reader->setLockTimeoutMs(lockTimeoutMs());
    return reader;
}

QString SqliteEngine::indexed(const QString &sql)
{
    if (searchIndex_ == TrigramIndex::State::Unavailable)
        return sql;
    return TrigramIndex::rewrite(*this, sql);
}

void SqliteEngine::close()
{
    stopBuilding_ = true;
    if (builder_.joinable())
        builder_.join();
    searchIndex_ = TrigramIndex::State::Unavailable;
    handle_ = nullptr;
    forgetTransactions();
    dropConnection(connectionName_);
}

void SqliteEngine::checkStillThere() const
{
    quint64 device = 0, inode = 0;
    if (!fileIdentity(path_, &device, &inode) || device != device_ || inode != inode_)
        throw DbError(QStringLiteral("数据库文件 %1 已被移除或替换,请重新登录").arg(displayName()));
}

sqlite3 *SqliteEngine::handle() const
{
    if (!handle_)
        throw DbError::inDatabase(QStringLiteral("数据库连接未打开"), path_, QString());
    return handle_;
}

QString SqliteEngine::identifier(const QString &name) const
{
    return QLatin1Char('[') + name + QLatin1Char(']');
}

int SqliteEngine::onBusy(void *self, int count)
{
    auto *engine = static_cast<SqliteEngine *>(self);
    if (count == 0)
        engine->busySince_.start();
    if (engine->busySince_.elapsed() >= engine->lockTimeoutMs())
        return 0;
    pause();
    return 1;
}

void SqliteEngine::beginOutermost()
{
    // A deferred BEGIN that later needs to write fails at once instead of waiting.
    execute(QStringLiteral("BEGIN IMMEDIATE"));
}

qint64 SqliteEngine::execute(const QString &sql, const QVariantList &params, RowTable *rows)
{
    sqlite3 *h = handle();
    const QByteArray utf8 = sql.toUtf8();
    // Outside a transaction a statement can simply be tried again; so can COMMIT, which
    // keeps the transaction open when it cannot take the lock. The engine's own wait does
    // not cover every case (it refuses to wait where waiting could deadlock).
    const bool retryable = transactionDepth() == 0 || sql == QLatin1String("COMMIT");
    QElapsedTimer waited;
    waited.start();
    Statement stmt;
    for (;;) {
        stmt.reset();
        int rc = sqlite3_prepare_v2(h, utf8.constData(), int(utf8.size()), stmt.out(), nullptr);
        if (rc == SQLITE_OK && !stmt.get())
            throw DbError::inDatabase(QStringLiteral("空语句"), path_, sql);
        if (rc == SQLITE_OK) {
            for (int i = 0; i < params.size(); ++i)
                bind(stmt.get(), i + 1, params.at(i));
            const int n = sqlite3_column_count(stmt.get());
            if (rows && n > 0) {
                QStringList names;
                for (int i = 0; i < n; ++i)
                    names << QString::fromUtf8(sqlite3_column_name(stmt.get(), i));
                rows->setColumns(names);
            }
            while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
                if (!rows)
                    continue;
                QVariant *row = rows->appendRow();
                for (int i = 0; i < n; ++i)
                    row[i] = columnValue(stmt.get(), i);
            }
            if (rc == SQLITE_DONE)
                return sqlite3_stmt_readonly(stmt.get()) ? 0 : qint64(sqlite3_changes(h));
        }
        if (isBusy(rc) && retryable && waited.elapsed() < lockTimeoutMs() && (!rows || rows->received() == 0)) {
            pause();
            continue;
        }
        const QString reason = QString::fromUtf8(sqlite3_errmsg(h));
        if (isBusy(rc))
            throw DbError::inDatabase(
                QStringLiteral("数据库被其他程序锁定,等待 %1 秒后仍未释放 (%2)").arg(lockTimeoutMs() / 1000.0).arg(reason),
                path_, sql);
        throw DbError::inDatabase(reason, path_, sql);
    }
}

QString SqliteEngine::changeStamp()
{
    // Moves with every commit of another connection to the file.
    RowTable rows;
    execute(QStringLiteral("PRAGMA data_version"), {}, &rows);
    return rows.count() == 1 ? QStringLiteral("%1:%2").arg(serial()).arg(rows.row(0)[0].toString()) : QString();
}
