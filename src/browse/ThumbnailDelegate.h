#pragma once

#include <QStyledItemDelegate>

// Gives every item of the thumbnail grid the same picture box, whatever shape its picture
// (or the placeholder) has, and two lines for the file name under it.
class ThumbnailDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};
