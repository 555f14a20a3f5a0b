#include "browse/ThumbnailDelegate.h"

#include <QAbstractItemView>

void ThumbnailDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (const auto *view = qobject_cast<const QAbstractItemView *>(parent()))
        option->decorationSize = view->iconSize();
    // The picture above its name, both centred, as an icon grid shows them.
    option->decorationPosition = QStyleOptionViewItem::Top;
    option->decorationAlignment = Qt::AlignCenter;
    option->displayAlignment = Qt::AlignHCenter | Qt::AlignTop;
    option->showDecorationSelected = false;
}

QSize ThumbnailDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const auto *view = qobject_cast<const QAbstractItemView *>(parent());
    if (!view)
        return QStyledItemDelegate::sizeHint(option, index);
    const QSize icon = view->iconSize();
    return {icon.width() + 16, icon.height() + 2 * option.fontMetrics.lineSpacing() + 8};
}
