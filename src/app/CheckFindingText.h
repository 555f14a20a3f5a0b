#pragma once

#include "store/CheckReport.h"

#include <QString>
#include <QStringList>
#include <vector>

class CheckProgress;

// What the check window writes: the titles of the kinds, the rows of their lists and the
// status line.
class CheckFindingText {
public:
    static QString title(CheckReport::Kind kind);
    static QString bytes(qint64 bytes);
    static std::vector<QStringList> rows(const CheckReport &report, CheckReport::Kind kind);
    // The status while the worker runs; empty between phases. `fraction` gets the share
    // done in thousandths, or -1 while the total is unknown.
    static QString progress(const CheckProgress &progress, qint64 records, int *fraction);
    // The status once the check completed.
    static QString summary(const CheckReport &report);
};
