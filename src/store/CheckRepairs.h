#pragma once

#include "store/CheckReport.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// The repair the check offers for a list of findings, one per kind (a record without its
// copy and one with an unsafe name both go to the bin), each applied item by item.
class CheckRepairs {
public:
    struct Tally {
        int done = 0;
        int changed = 0;      // changed by someone else since the check: left alone
        QStringList failures; // "name: reason", one per failed item
    };
    // Called before each item with its position among the rows; false stops the run.
    using Step = std::function<bool(size_t)>;

    // Its caption, and the question asked before it ("%1" all or selected, "%2" how many);
    // empty when the repair needs no question.
    static QString action(CheckReport::Kind kind);
    static QString question(CheckReport::Kind kind);
    // Repairs the rows (sorted) of the kind's list. Repaired and changed items leave the
    // list; failed ones stay for another try.
    static Tally apply(CheckReport &report, CheckReport::Kind kind, const std::vector<int> &rows, const Step &step);
};
