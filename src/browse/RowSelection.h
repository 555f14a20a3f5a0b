#pragma once

#include <QItemSelection>
#include <QList>

class QAbstractItemModel;

// The whole rows given, consecutive ones joined into one range: selecting thousands of rows
// is one selection change, and asking a view for its selected rows stays linear.
QItemSelection RowSelection(const QAbstractItemModel *model, QList<int> rows);

// The rows a selection covers, each once and in order, read from its ranges: a selection of
// a million rows is a few ranges, never a million indexes.
QList<int> SelectedRows(const QItemSelection &selection);
qint64 SelectedRowCount(const QItemSelection &selection);
