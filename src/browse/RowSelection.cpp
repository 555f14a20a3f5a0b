#include "browse/RowSelection.h"

#include <QAbstractItemModel>
#include <algorithm>
#include <vector>

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

namespace {
// The row spans of a selection, overlapping ones joined.
std::vector<std::pair<int, int>> spans(const QItemSelection &selection)
{
    std::vector<std::pair<int, int>> s;
    for (const QItemSelectionRange &range : selection)
        if (range.isValid())
            s.emplace_back(range.top(), range.bottom());
    std::sort(s.begin(), s.end());
    std::vector<std::pair<int, int>> joined;
    for (const auto &span : s) {
        if (!joined.empty() && span.first <= joined.back().second + 1)
            joined.back().second = std::max(joined.back().second, span.second);
        else
            joined.push_back(span);
    }
    return joined;
}
} // namespace

QList<int> SelectedRows(const QItemSelection &selection)
{
    QList<int> rows;
    for (const auto &[top, bottom] : spans(selection))
        for (int r = top; r <= bottom; ++r)
            rows << r;
    return rows;
}

qint64 SelectedRowCount(const QItemSelection &selection)
{
    qint64 n = 0;
    for (const auto &[top, bottom] : spans(selection))
        n += bottom - top + 1;
    return n;
}
