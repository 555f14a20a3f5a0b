#include "store/clsCurrentDb.h"

#include "store/DatabaseLocator.h"
#include "store/DbError.h"
#include "store/JetDialect.h"

#include <QCoreApplication>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <memory>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {
std::unique_ptr<clsCurrentDb> g_instance;
int g_creations = 0;
int g_connectionSerial = 0;
int g_busyTimeoutMs = 10000;

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
} // namespace

clsCurrentDb &CurrentDb()
{
    return clsCurrentDb::instance();
}

clsCurrentDb &clsCurrentDb::instance()
{
    if (!g_instance) {
        static bool releaseAtExit = [] {
            // Close before Qt's own shutdown: the SQL driver's registry is gone afterwards.
            qAddPostRoutine(&clsCurrentDb::release);
            return true;
        }();
        Q_UNUSED(releaseAtExit);
        g_instance.reset(new clsCurrentDb);
        ++g_creations;
        g_instance->connect();
    }
    return *g_instance;
}

bool clsCurrentDb::exists()
{
    return bool(g_instance);
}

void clsCurrentDb::setBusyTimeoutMs(int ms)
{
    g_busyTimeoutMs = ms;
}

int clsCurrentDb::creationCount()
{
    return g_creations;
}

void clsCurrentDb::release()
{
    g_instance.reset();
}

void clsCurrentDb::dropConnection()
{
    if (connectionName_.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(connectionName_);
    connectionName_.clear();
}

void clsCurrentDb::connect()
{
    dropConnection();
    openError_.clear();
    state_ = Connecting;
    // A failure leaves the object with a closed connection; the first statement reports why.
    try {
        path_ = LocateDataBase();
        if (!QFileInfo(path_).isFile())
            throw AppError(QStringLiteral("数据库文件 %1 不存在").arg(QDir::toNativeSeparators(path_)));
        connectionName_ = QStringLiteral("mc-catalogue-%1").arg(++g_connectionSerial);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName_);
        db.setDatabaseName(path_);
        // Several copies of the program share the file: wait for a lock rather than fail.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(g_busyTimeoutMs));
        if (!db.open())
            throw DbError(db.lastError().text(), path_);
        QSqlQuery q(db);
        // WAL does not work across machines; keep (or restore) the rollback journal.
        if (!q.exec(QStringLiteral("PRAGMA journal_mode=DELETE")))
            throw AppError(QStringLiteral("%1 不是可用的数据库: %2")
                               .arg(QDir::toNativeSeparators(path_), q.lastError().text()));
        if (!q.exec(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name='tblAttachment'")) ||
            !q.next())
            throw AppError(QStringLiteral("%1 不是文件目录数据库: 缺少表 tblAttachment")
                               .arg(QDir::toNativeSeparators(path_)));
        fileIdentity(path_, &device_, &inode_);
        state_ = Opened;
    } catch (const AppError &e) {
        openError_ = e.message();
        state_ = Closed;
    }
}

clsCurrentDb::~clsCurrentDb()
{
    dropConnection();
}

bool clsCurrentDb::sameFileAsOpened() const
{
    quint64 device = 0, inode = 0;
    return fileIdentity(path_, &device, &inode) && device == device_ && inode == inode_;
}

QSqlDatabase clsCurrentDb::connection() const
{
    return QSqlDatabase::database(connectionName_, false);
}

Recordset clsCurrentDb::OpenRecordset(const QString &strSql, int CursorType, int LockType)
{
    Q_UNUSED(CursorType);
    Q_UNUSED(LockType);
    if (state_ == Connecting)
        throw DbError(QStringLiteral("数据库正在打开,请稍后再试"), strSql);
    // A catalogue that could not be opened (locked by another program, say) is tried
    // again by the next statement rather than staying closed until a restart.
    if (state_ == Closed)
        connect();
    if (state_ != Opened)
        throw DbError(openError_.isEmpty() ? QStringLiteral("数据库未打开") : openError_, strSql);
    if (!sameFileAsOpened())
        throw DbError(QStringLiteral("数据库文件 %1 已被移除或替换,请重新登录").arg(QDir::toNativeSeparators(path_)), strSql);
    return Recordset(connection(), JetDialect::translate(strSql), strSql.trimmed());
}
