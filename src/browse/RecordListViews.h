#pragma once

#include <QObject>

#include "browse/ThumbnailGrid.h"

class QTableView;
class QToolButton;
class QWidget;
class RecordListModel;
class ThumbnailLoader;

// The record list shown two ways over one model and one selection: the details list `lvw`
// and a grid of thumbnails laid over its rows, under the same column headers, so sorting,
// the selection and the pop-up menu serve both. The switch sits above the list's right end.
class RecordListViews : public QObject {
    Q_OBJECT
public:
    RecordListViews(QTableView *lvw, RecordListModel *model);

    ThumbnailGrid *lvwThumbnails;
    QWidget *viewSwitch;
    QToolButton *cmdDetails;    // "详细信息"
    QToolButton *cmdThumbnails; // "缩略图"
    ThumbnailLoader *thumbnails() const { return loader_; }

    void showThumbnails(bool on);
    bool thumbnailsShown() const { return grid_; }
    // Puts the switch above the list's right end, beside the window's other controls; where
    // the window leaves no room it is hidden, and the header's own menu switches instead.
    void placeSwitch();

signals:
    void viewChanged(); // after the switch between the list and the grid

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTableView *lvw_;
    // Kept apart: while the list is destroyed its viewport still has events, and the list
    // is no longer a view to ask for it.
    QWidget *viewport_;
    ThumbnailLoader *loader_;
    bool grid_ = false;
};
