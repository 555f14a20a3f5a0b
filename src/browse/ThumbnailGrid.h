#pragma once

#include <QAbstractItemView>

// The grid of the record list. Every cell has the same size, so the place of a row is
// arithmetic: nothing is laid out per item, and a list of a million fills, sorts and is
// selected whole without the view walking it. Shows the model's first column.
class ThumbnailGrid : public QAbstractItemView {
    Q_OBJECT
public:
    explicit ThumbnailGrid(QWidget *parent = nullptr);

    void setSpacing(int pixels);
    int spacing() const { return spacing_; }

    QRect visualRect(const QModelIndex &index) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint &point) const override;
    void doItemsLayout() override;

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void keyPressEvent(QKeyEvent *event) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex &index) const override;
    void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;
    void updateGeometries() override;
    void paintEvent(QPaintEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end) override;
    void initViewItemOption(QStyleOptionViewItem *option) const override;

private:
    int rows() const;
    int columns() const;                    // cells across the viewport, at least one
    QSize pitch() const;                    // a cell and the gap after it
    QRect cellRect(int row) const;          // in the grid's own coordinates, unscrolled
    int nearestRow(const QPoint &at) const; // the cell at or nearest to a point, unscrolled
    void measure();

    int spacing_ = 0;
    QSize cell_;
};
