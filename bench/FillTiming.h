#pragma once

#include "BenchUtil.h"

#include "browse/RecordList.h"
#include "store/clsCurrentDb.h"

#include <QApplication>

namespace bench {

// The time from sending a statement to a painted record list, in seconds; the steps are
// printed on stderr.
inline double fillList(RecordList &list, const QString &jet)
{
    list.model()->clear();
    QElapsedTimer t;
    t.start();
    double fetched = 0, filled = 0;
    {
        Recordset rs = CurrentDb().OpenRecordset(jet);
        fetched = seconds(t);
        list.fill(rs);
        filled = seconds(t);
    }
    QApplication::processEvents(); // the list is painted
    const double total = seconds(t);
    std::fprintf(stderr, "  (fetch %.3f s, fill %.3f s, release and paint %.3f s)\n", fetched, filled - fetched,
                 total - filled);
    return total;
}

} // namespace bench
