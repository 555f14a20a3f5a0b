#include "browse/ThumbnailGrid.h"

QRegion ThumbnailGrid::visualRegionForSelection(const QItemSelection &selection) const
{
    for (const QItemSelectionRange &range : selection)
        if (range.isValid() && range.left() <= modelColumn() && range.right() >= modelColumn())
            return viewport()->rect();
    return {};
}
