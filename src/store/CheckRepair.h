#pragma once

#include "store/CheckReport.h"

#include <QDateTime>
#include <QString>

// The safe repairs of the findings of a check. Each one first finds again what the check
// saw (another program may have changed it since) and leaves it alone otherwise. Nothing
// a user may want back is deleted: copies and records go to the recycle bin; only the
// leftovers of ended imports, which hold nothing a record names, are removed.
class CheckRepair {
public:
    enum class Outcome {
        Done,
        Changed // the state differs from what the check saw: nothing was done
    };

    // A record without its copy, or with an unsafe stored name, goes to the bin.
    static Outcome binRecord(const CheckReport::Record &record);
    // The record is pointed at a new stored copy of `source`.
    static Outcome pointRecord(const CheckReport::Record &record, const QString &source,
                               const QDateTime &now = QDateTime::currentDateTime());
    static Outcome binOrphan(const CheckReport::File &file, qint64 nowSecs);
    static Outcome removeLeftover(const CheckReport::File &file, qint64 nowSecs);
    // A binned record whose copy is gone leaves the bin for good.
    static Outcome dropBinEntry(const CheckReport::Record &entry);
    // A file of the bin folder that no binned record names gets a bin row.
    static Outcome adoptBinFile(const CheckReport::File &file);
    // Keeps the hash of a copy that had none.
    static Outcome fillHash(const CheckReport::Hash &hash);
    // Takes the copy's present contents as its own (the user changed the file on purpose).
    static Outcome acceptHash(const CheckReport::Hash &hash);
};
