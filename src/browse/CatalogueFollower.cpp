#include "browse/CatalogueFollower.h"

#include "store/AppError.h"
#include "store/CatalogueNotice.h"
#include "store/Engine.h"
#include "store/Services.h"
#include "store/clsCurrentDb.h"

#include <QEvent>
#include <QShortcut>
#include <QWidget>

CatalogueFollower::CatalogueFollower(QWidget *window, std::function<void()> refresh)
    : QObject(window), window_(window), refresh_(std::move(refresh))
{
    generation_ = CatalogueNotice::generation();
    stamp_ = stamp(); // before the window's first listing
    connect(&CatalogueNotice::instance(), &CatalogueNotice::changed, this, [this] {
        // A catalogue released (exit, restart) is not opened again for a notice.
        if (generation_ != CatalogueNotice::generation() && catalogueOpen())
            this->refresh();
    });
    auto *f5 =
        new QShortcut(QKeySequence(Qt::Key_F5), window, this, &CatalogueFollower::refresh, Qt::WidgetWithChildrenShortcut);
    f5->setObjectName(QStringLiteral("refreshKey"));
    window->installEventFilter(this);
}

bool CatalogueFollower::catalogueOpen()
{
    return clsCurrentDb::exists() && CurrentDb().state() == clsCurrentDb::Opened;
}

QString CatalogueFollower::stamp()
{
    if (!catalogueOpen())
        return {};
    try {
        return CurrentDb().engine()->changeStamp();
    } catch (const AppError &) {
        return {}; // the next listing says what is wrong
    }
}

void CatalogueFollower::listed()
{
    generation_ = CatalogueNotice::generation();
}

void CatalogueFollower::refresh()
{
    // Marked first: a notice the listing itself causes must not start another one. The
    // stamp too: a change committed while listing is listed on the next activation, and
    // a listing that fails is not tried again by the activation its error box brings.
    generation_ = CatalogueNotice::generation();
    stamp_ = stamp();
    failed_ = true;
    ReportErrors(window_, [this] {
        refresh_();
        listed();
        failed_ = false;
    });
}

bool CatalogueFollower::eventFilter(QObject *watched, QEvent *event)
{
    // After a failed listing only F5 or a change by this program lists again: on a server
    // the stamp also moves with other databases' work, and each try would bring its box back.
    if (watched == window_ && event->type() == QEvent::WindowActivate && !failed_) {
        const QString now = stamp();
        if (!now.isEmpty() && now != stamp_)
            refresh();
    }
    return QObject::eventFilter(watched, event);
}
