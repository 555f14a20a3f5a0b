#include "store/clsCurrentDb.h"

#include "store/CatalogueLocation.h"
#include "store/ConnectionLost.h"
#include "store/DatabaseLocator.h"
#include "store/DbError.h"
#include "store/Engine.h"
#include "store/JetDialect.h"

#include <QCoreApplication>

namespace {
std::unique_ptr<clsCurrentDb> g_instance;
int g_creations = 0;
int g_busyTimeoutMs = [] {
    // Tools and tests that start other programs can shorten the wait for them.
    const int fromEnvironment = qEnvironmentVariableIntValue("MC_LOCK_TIMEOUT_MS");
    return fromEnvironment > 0 ? fromEnvironment : 10000;
}();
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
    if (g_instance && g_instance->engine_)
        g_instance->engine_->setLockTimeoutMs(ms);
}

int clsCurrentDb::creationCount()
{
    return g_creations;
}

void clsCurrentDb::release()
{
    g_instance.reset();
}

void clsCurrentDb::connect()
{
    if (engine_)
        engine_->close();
    engine_.reset();
    openError_.clear();
    state_ = Connecting;
    // A failure leaves the object with a closed connection; the first statement reports why.
    try {
        std::shared_ptr<Engine> engine = CatalogueLocation::engineFor(LocateDataBase());
        engine->setLockTimeoutMs(g_busyTimeoutMs);
        engine->open();
        engine_ = std::move(engine);
        state_ = Opened;
    } catch (const AppError &e) {
        const auto *db = dynamic_cast<const DbError *>(&e);
        openError_ = db ? db->reason() : e.message();
        unreachable_ = dynamic_cast<const ConnectionLost *>(&e) != nullptr;
        state_ = Closed;
    }
    justFailed_ = state_ != Opened;
}

clsCurrentDb::~clsCurrentDb()
{
    if (engine_)
        engine_->close();
}

void clsCurrentDb::requireOpen()
{
    if (state_ == Connecting)
        throw DbError(QStringLiteral("数据库正在打开,请稍后再试"));
    // A catalogue that could not be opened (locked by another program, a server that was
    // down) is tried again by the next statement rather than staying closed until a restart.
    // An attempt that failed a moment ago, when the object was made, is told rather than
    // made again at once: a server that does not answer costs one wait, not two.
    if (!justFailed_ && (state_ == Closed || !engine_ || !engine_->isOpen()))
        connect();
    justFailed_ = false;
    if (state_ != Opened) {
        const QString told = openError_.isEmpty() ? QStringLiteral("数据库未打开") : openError_;
        if (unreachable_)
            throw ConnectionLost(told);
        throw DbError(told);
    }
    engine_->checkStillThere();
}

std::shared_ptr<Engine> clsCurrentDb::engine()
{
    requireOpen();
    return engine_;
}

Recordset clsCurrentDb::OpenRecordset(const QString &strSql, int CursorType, int LockType)
{
    Q_UNUSED(CursorType);
    Q_UNUSED(LockType);
    requireOpen();
    return Recordset(engine_, engine_->indexed(JetDialect::translate(strSql, engine_->dialect())), strSql.trimmed());
}
