#include "browse/ThumbnailGrid.h"

#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

ThumbnailGrid::ThumbnailGrid(QWidget *parent) : QAbstractItemView(parent)
{
    setVerticalScrollMode(ScrollPerPixel);
    setHorizontalScrollMode(ScrollPerPixel);
}

void ThumbnailGrid::setSpacing(int pixels)
{
    spacing_ = std::max(0, pixels);
    scheduleDelayedItemsLayout();
}

int ThumbnailGrid::rows() const
{
    return model() ? model()->rowCount(rootIndex()) : 0;
}

QSize ThumbnailGrid::pitch() const
{
    return cell_ + QSize(spacing_, spacing_);
}

int ThumbnailGrid::columns() const
{
    const int width = viewport()->width() - spacing_;
    return std::max(1, pitch().width() > 0 ? width / pitch().width() : 1);
}

QRect ThumbnailGrid::cellRect(int row) const
{
    const int across = columns();
    const QSize step = pitch();
    return {spacing_ + (row % across) * step.width(), spacing_ + (row / across) * step.height(), cell_.width(),
            cell_.height()};
}

void ThumbnailGrid::measure()
{
    // One cell for all: the delegate gives every item the same box.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex first = model() && rows() > 0 ? model()->index(0, 0, rootIndex()) : QModelIndex();
    cell_ = itemDelegate() ? itemDelegate()->sizeHint(option, first) : QSize(64, 64);
    cell_ = cell_.expandedTo(QSize(1, 1));
}

void ThumbnailGrid::doItemsLayout()
{
    measure();
    QAbstractItemView::doItemsLayout();
}

void ThumbnailGrid::updateGeometries()
{
    if (cell_.isEmpty())
        measure();
    const QSize step = pitch();
    const qint64 lines = (qint64(rows()) + columns() - 1) / columns();
    const qint64 height = spacing_ + lines * step.height();
    const int width = spacing_ + step.width();
    QScrollBar *down = verticalScrollBar();
    down->setSingleStep(std::max(1, step.height() / 4));
    down->setPageStep(viewport()->height());
    down->setRange(0, int(std::clamp<qint64>(height - viewport()->height(), 0, INT_MAX)));
    QScrollBar *across = horizontalScrollBar();
    across->setSingleStep(std::max(1, step.width() / 4));
    across->setPageStep(viewport()->width());
    across->setRange(0, std::max(0, width - viewport()->width()));
    QAbstractItemView::updateGeometries();
}

QRect ThumbnailGrid::visualRect(const QModelIndex &index) const
{
    if (!index.isValid() || index.parent() != rootIndex() || index.row() >= rows())
        return {};
    return cellRect(index.row()).translated(-horizontalOffset(), -verticalOffset());
}

QModelIndex ThumbnailGrid::indexAt(const QPoint &point) const
{
    if (rows() == 0)
        return {};
    // The nearest cell, if the point lies in it rather than in a gap or past the last.
    const QPoint at = point + QPoint(horizontalOffset(), verticalOffset());
    const int row = nearestRow(at);
    return cellRect(row).contains(at) ? model()->index(row, 0, rootIndex()) : QModelIndex();
}

void ThumbnailGrid::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    const QRect cell = visualRect(index);
    if (!cell.isValid())
        return;
    const QRect shown = viewport()->rect();
    QScrollBar *down = verticalScrollBar();
    const int top = down->value() + cell.top() - spacing_;
    const int bottom = down->value() + cell.bottom() + spacing_ - shown.height() + 1;
    switch (hint) {
    case PositionAtTop: down->setValue(top); break;
    case PositionAtBottom: down->setValue(bottom); break;
    case PositionAtCenter: down->setValue(down->value() + cell.center().y() - shown.height() / 2); break;
    case EnsureVisible:
        if (cell.top() < shown.top())
            down->setValue(top);
        else if (cell.bottom() > shown.bottom())
            down->setValue(std::min(top, bottom));
        break;
    }
}

QModelIndex ThumbnailGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    const int count = rows();
    if (count == 0)
        return {};
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return model()->index(0, 0, rootIndex());
    const int across = columns();
    const int page = std::max(1, viewport()->height() / pitch().height()) * across;
    qint64 row = current.row();
    switch (cursorAction) {
    case MoveLeft:
    case MovePrevious: row -= 1; break;
    case MoveRight:
    case MoveNext: row += 1; break;
    case MoveUp: row -= across; break;
    case MoveDown:
        // Where no cell lies below (over a short last line) Down goes to the last one; on the
        // last line it stays.
        row = row + across < count || row / across == (count - 1) / across ? row + across : count - 1;
        break;
    case MovePageUp: row -= page; break;
    case MovePageDown: row += page; break;
    case MoveHome: row = 0; break;
    case MoveEnd: row = count - 1; break;
    }
    if (row < 0)
        row = cursorAction == MoveUp ? current.row() : 0;
    if (row >= count)
        row = cursorAction == MoveDown ? current.row() : count - 1;
    return model()->index(int(row), 0, rootIndex());
}

void ThumbnailGrid::keyPressEvent(QKeyEvent *event)
{
    QAbstractItemView::keyPressEvent(event);
    // A move that stays put (Down on the last line) must not reach the list under the grid,
    // which would move its own way.
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: event->accept(); break;
    default: break;
    }
}

int ThumbnailGrid::horizontalOffset() const
{
    return horizontalScrollBar()->value();
}

int ThumbnailGrid::verticalOffset() const
{
    return verticalScrollBar()->value();
}

bool ThumbnailGrid::isIndexHidden(const QModelIndex &) const
{
    return false;
}

int ThumbnailGrid::nearestRow(const QPoint &at) const
{
    const QSize step = pitch();
    const int across = columns();
    const qint64 lastLine = (qint64(rows()) - 1) / across;
    const qint64 line = std::clamp<qint64>((at.y() - spacing_) / step.height(), 0, lastLine);
    const int column = std::clamp((at.x() - spacing_) / step.width(), 0, across - 1);
    return int(std::min<qint64>(rows() - 1, line * across + column));
}

void ThumbnailGrid::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command)
{
    if (!model() || !selectionModel() || rows() == 0)
        return;
    const QPoint offset(horizontalOffset(), verticalOffset());
    QItemSelection selection;
    if (state() != DragSelectingState) {
        // A click, or Shift with a click: the rows from the anchor to the clicked one, in the
        // list's order, as the details list takes them.
        const int from = nearestRow(rect.topLeft() + offset);
        const int to = nearestRow(rect.bottomRight() + offset);
        const bool between = rect.width() == 1 && rect.height() == 1 && !cellRect(from).contains(rect.topLeft() + offset);
        if (!between)
            selection.select(model()->index(std::min(from, to), 0, rootIndex()),
                             model()->index(std::max(from, to), 0, rootIndex()));
        selectionModel()->select(selection, command);
        return;
    }
    // A band takes the cells it touches: a range per line, never one per item.
    const QRect area = rect.normalized().translated(offset);
    const QSize step = pitch();
    const int across = columns();
    const int count = rows();
    const int firstColumn = std::max(0, (area.left() - spacing_) / step.width());
    const int lastColumn = std::min(across - 1, std::max(0, area.right() - spacing_) / step.width());
    const int firstLine = std::max(0, (area.top() - spacing_) / step.height());
    const int lastLine = std::max(0, area.bottom() - spacing_) / step.height();
    for (int line = firstLine; line <= lastLine && qint64(line) * across < count; ++line) {
        int from = -1, to = -1;
        for (int column = firstColumn; column <= lastColumn; ++column) {
            const qint64 row = qint64(line) * across + column;
            if (row >= count || !cellRect(int(row)).intersects(area))
                continue;
            if (from < 0)
                from = int(row);
            to = int(row);
        }
        if (from >= 0)
            selection.select(model()->index(from, 0, rootIndex()), model()->index(to, 0, rootIndex()));
    }
    selectionModel()->select(selection, command);
}

QRegion ThumbnailGrid::visualRegionForSelection(const QItemSelection &selection) const
{
    // Asking where each of a million selected cells sits costs more than repainting.
    for (const QItemSelectionRange &range : selection)
        if (range.isValid() && range.left() <= 0 && range.right() >= 0)
            return viewport()->rect();
    return {};
}

void ThumbnailGrid::initViewItemOption(QStyleOptionViewItem *option) const
{
    QAbstractItemView::initViewItemOption(option);
    option->features |= QStyleOptionViewItem::WrapText;
}

void ThumbnailGrid::paintEvent(QPaintEvent *event)
{
    const int count = rows();
    if (count == 0 || !itemDelegate())
        return;
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QRect area = event->rect().translated(horizontalOffset(), verticalOffset());
    const QSize step = pitch();
    const int across = columns();
    const qint64 firstLine = std::max(0, area.top() - spacing_) / step.height();
    const qint64 lastLine = std::max(0, area.bottom() - spacing_) / step.height();
    const QModelIndex current = currentIndex();
    const bool focused = hasFocus() || viewport()->hasFocus();
    const bool active = isActiveWindow();
    const bool enabled = isEnabled();
    for (qint64 row = firstLine * across; row < std::min<qint64>(count, (lastLine + 1) * across); ++row) {
        const QModelIndex index = model()->index(int(row), 0, rootIndex());
        option.rect = visualRect(index);
        if (!option.rect.intersects(event->rect()))
            continue;
        option.state = QStyle::State_None;
        if (enabled)
            option.state |= QStyle::State_Enabled;
        if (selectionModel() && selectionModel()->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (focused && index == current)
            option.state |= QStyle::State_HasFocus;
        if (active)
            option.state |= QStyle::State_Active;
        itemDelegate()->paint(&painter, option, index);
    }
}

void ThumbnailGrid::scrollContentsBy(int dx, int dy)
{
    viewport()->scroll(dx, dy);
}

void ThumbnailGrid::rowsInserted(const QModelIndex &parent, int start, int end)
{
    QAbstractItemView::rowsInserted(parent, start, end);
    // Once per turn of the event loop however many steps a fill adds.
    scheduleDelayedItemsLayout();
}

void ThumbnailGrid::rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end)
{
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
    scheduleDelayedItemsLayout();
}
