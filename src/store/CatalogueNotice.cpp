#include "store/CatalogueNotice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

std::atomic<quint64> CatalogueNotice::generation_{0};

CatalogueNotice &CatalogueNotice::instance()
{
    static CatalogueNotice *hub = [] {
        auto *made = new CatalogueNotice;
        if (QCoreApplication::instance())
            made->moveToThread(QCoreApplication::instance()->thread());
        return made;
    }();
    return *hub;
}

CatalogueNotice::CatalogueNotice() : timer_(new QTimer(this))
{
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &CatalogueNotice::deliver);
}

void CatalogueNotice::post()
{
    ++generation_;
    CatalogueNotice &hub = instance();
    if (QThread::currentThread() == hub.thread())
        hub.schedule();
    else
        QMetaObject::invokeMethod(
            &hub, [&hub] { hub.schedule(); }, Qt::QueuedConnection);
}

quint64 CatalogueNotice::generation()
{
    return generation_;
}

void CatalogueNotice::schedule()
{
    if (!timer_->isActive())
        timer_->start(int(qMin<qint64>(2000, 2 * lastCostMs_)));
}

void CatalogueNotice::deliver()
{
    timer_->stop();
    QElapsedTimer cost;
    cost.start();
    emit changed();
    lastCostMs_ = cost.elapsed();
}
