#pragma once

#include <QItemSelection>
#include <QList>

class QAbstractItemModel;

// The whole rows given, consecutive ones joined into one range: selecting thousands of rows
// is one selection change, and asking a view for its selected rows stays linear.
QItemSelection RowSelection(const QAbstractItemModel *model, QList<int> rows);
