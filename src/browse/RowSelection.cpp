#include "browse/RowSelection.h"

#include <QAbstractItemModel>
#include <algorithm>

QItemSelection RowSelection(const QAbstractItemModel *model, QList<int> rows)
{
    QItemSelection selection;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const int lastColumn = model->columnCount() - 1;
    for (qsizetype i = 0; i < rows.size();) {
        qsizetype j = i;
        while (j + 1 < rows.size() && rows.at(j + 1) == rows.at(j) + 1)
            ++j;
        selection.append(QItemSelectionRange(model->index(rows.at(i), 0), model->index(rows.at(j), lastColumn)));
        i = j + 1;
    }
    return selection;
}
