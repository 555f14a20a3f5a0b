#pragma once

#include <QListView>

// The grid of the record list. A wrapping list asks the place of every selected item to know
// what to repaint, a million of them after Ctrl+A; the grid repaints what it shows instead.
class ThumbnailGrid : public QListView {
public:
    using QListView::QListView;

protected:
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;
};
