#include "browse/RecordListViews.h"

#include <QHeaderView>
#include <QMenu>

#include "browse/RecordListModel.h"
#include "browse/ThumbnailDelegate.h"
#include "browse/ThumbnailGrid.h"
#include "browse/ThumbnailLoader.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QPointer>
#include <QTableView>
#include <QToolButton>

namespace {
constexpr int kThumbnail = 128; // pixels a side in the grid
}

RecordListViews::RecordListViews(QTableView *lvw, RecordListModel *model)
    : QObject(lvw), lvw_(lvw), viewport_(lvw->viewport())
{
    const qreal scale = lvw->devicePixelRatioF();
    loader_ = new ThumbnailLoader(
        lvw->iconSize() * scale,
        kThumbnail * scale > ThumbnailCache::pixels(ThumbnailCache::Normal) ? ThumbnailCache::Large : ThumbnailCache::Normal,
        this);
    model->setIconSource([loader = QPointer<ThumbnailLoader>(loader_)](const RecordRow &r) {
        return loader ? loader->icon(r.key, r.storedName) : QIcon();
    });
    connect(loader_, &ThumbnailLoader::ready, model, &RecordListModel::iconChanged);
    // A refilled list wants other thumbnails; those under way still land on their own rows.
    connect(model, &QAbstractItemModel::modelAboutToBeReset, loader_, &ThumbnailLoader::cancelPending);

    lvwThumbnails = new ThumbnailGrid(lvw);
    lvwThumbnails->setObjectName(QStringLiteral("lvwThumbnails"));
    lvwThumbnails->setModel(model);
    QItemSelectionModel *own = lvwThumbnails->selectionModel();
    lvwThumbnails->setSelectionModel(lvw->selectionModel());
    delete own;
    lvwThumbnails->setIconSize(QSize(kThumbnail, kThumbnail));
    lvwThumbnails->setSpacing(6);
    lvwThumbnails->setTextElideMode(Qt::ElideRight);
    lvwThumbnails->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwThumbnails->setSelectionMode(lvw->selectionMode());
    lvwThumbnails->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwThumbnails->setFrameShape(QFrame::NoFrame);
    lvwThumbnails->setItemDelegate(new ThumbnailDelegate(lvwThumbnails));
    lvwThumbnails->hide();
    // The list's own handlers serve the grid too.
    connect(lvwThumbnails, &QAbstractItemView::clicked, lvw, &QAbstractItemView::clicked);
    connect(lvwThumbnails, &QAbstractItemView::doubleClicked, lvw, &QAbstractItemView::doubleClicked);
    connect(lvwThumbnails, &QAbstractItemView::activated, lvw, &QAbstractItemView::activated);
    connect(lvwThumbnails, &QAbstractItemView::pressed, lvw, &QAbstractItemView::pressed);

    viewSwitch = new QWidget(lvw->parentWidget());
    viewSwitch->setObjectName(QStringLiteral("viewSwitch"));
    auto *row = new QHBoxLayout(viewSwitch);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto *group = new QButtonGroup(viewSwitch);
    auto button = [&](const char *name, const QString &text, bool grid) {
        auto *b = new QToolButton(viewSwitch);
        b->setObjectName(QLatin1String(name));
        b->setText(text);
        b->setCheckable(true);
        b->setAutoRaise(true);
        b->setFixedWidth(b->fontMetrics().horizontalAdvance(text) + 8); // fits beside the search buttons
        group->addButton(b);
        row->addWidget(b);
        connect(b, &QToolButton::clicked, this, [this, grid] { showThumbnails(grid); });
        return b;
    };
    cmdDetails = button("cmdDetails", QStringLiteral("详细信息"), false);
    cmdThumbnails = button("cmdThumbnails", QStringLiteral("缩略图"), true);
    cmdDetails->setChecked(true);

    lvw->installEventFilter(this);
    viewport_->installEventFilter(this);
    // The header's menu switches the view too, also where the window has no room for the switch.
    lvw->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lvw->horizontalHeader(), &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        QMenu menu;
        QAction *details = menu.addAction(cmdDetails->text());
        QAction *grid = menu.addAction(cmdThumbnails->text());
        details->setCheckable(true);
        grid->setCheckable(true);
        (grid_ ? grid : details)->setChecked(true);
        if (QAction *chosen = menu.exec(lvw_->horizontalHeader()->mapToGlobal(at)))
            showThumbnails(chosen == grid);
    });
}

void RecordListViews::showThumbnails(bool on)
{
    const bool focused = lvw_->hasFocus() || lvwThumbnails->hasFocus();
    grid_ = on;
    (on ? cmdThumbnails : cmdDetails)->setChecked(true);
    // The grid scrolls itself; the list keeps only its headers.
    const Qt::ScrollBarPolicy bars = on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
    lvw_->setVerticalScrollBarPolicy(bars);
    lvw_->setHorizontalScrollBarPolicy(bars);
    lvwThumbnails->setGeometry(lvw_->viewport()->geometry());
    lvwThumbnails->setVisible(on);
    lvw_->viewport()->update();
    QAbstractItemView *shown = on ? static_cast<QAbstractItemView *>(lvwThumbnails) : lvw_;
    if (lvw_->currentIndex().isValid())
        shown->scrollTo(lvw_->currentIndex());
    if (focused)
        shown->setFocus();
    emit viewChanged();
}

void RecordListViews::placeSwitch()
{
    QWidget *owner = viewSwitch->parentWidget();
    const QRect list = lvw_->geometry();
    const QSize hint = viewSwitch->sizeHint();
    const int strip = list.top() - 2; // the room above the list
    const int height = qBound(12, strip, hint.height());
    // At the list's right end, or the window's where the list reaches past it.
    const int right = qMin(list.right(), owner->width() - 1);
    QRect place(right + 1 - hint.width(), qMax(0, (strip - height) / 2), hint.width(), height);
    // Beside the other controls of that strip, never over them.
    for (QWidget *w : owner->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (w != viewSwitch && w != lvw_ && !w->isWindow() && w->isVisibleTo(owner) && w->geometry().intersects(place) &&
            w->objectName() != QLatin1String("lblStatus"))
            place.moveLeft(w->geometry().right() + 3);
    viewSwitch->setGeometry(place);
    viewSwitch->setVisible(place.right() < owner->width());
}

bool RecordListViews::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lvw_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        placeSwitch();
    if (watched == viewport_) {
        if (event->type() == QEvent::Resize)
            lvwThumbnails->setGeometry(viewport_->geometry());
        // Under the grid the list paints nothing, and so asks for no thumbnails.
        if (event->type() == QEvent::Paint && grid_)
            return true;
    }
    return QObject::eventFilter(watched, event);
}
