#include "store/Engine.h"

#include "store/AppError.h"
#include "store/CatalogueNotice.h"

#include <atomic>
#include <QSqlDatabase>

namespace {
std::atomic<quint64> g_serial{0};

QString savepoint(int depth)
{
    return QStringLiteral("mc_sp%1").arg(depth);
}
} // namespace

Engine::Engine() : serial_(++g_serial) {}

void Engine::begin()
{
    if (depth_ == 0)
        beginOutermost();
    else
        execute(QStringLiteral("SAVEPOINT ") + savepoint(depth_));
    ++depth_;
}

void Engine::commit()
{
    // A transaction that vanished with its connection must not pass for committed.
    if (depth_ == 0)
        throw AppError(QStringLiteral("数据库连接已中断,未完成的更改已丢失"));
    if (depth_ == 1)
        execute(QStringLiteral("COMMIT"));
    else
        execute(QStringLiteral("RELEASE SAVEPOINT ") + savepoint(depth_ - 1));
    if (--depth_ == 0)
        CatalogueNotice::post();
}

void Engine::rollback()
{
    if (depth_ == 0)
        return;
    --depth_;
    if (depth_ == 0) {
        execute(QStringLiteral("ROLLBACK"));
    } else {
        execute(QStringLiteral("ROLLBACK TO SAVEPOINT ") + savepoint(depth_));
        execute(QStringLiteral("RELEASE SAVEPOINT ") + savepoint(depth_));
    }
}

void Engine::dropConnection(QString &name)
{
    if (name.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(name);
    name.clear();
}
