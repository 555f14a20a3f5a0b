#pragma once

#include "store/CheckReport.h"

#include <QString>

class CheckProgress;
class CheckSnapshot;

// Compares the catalogue's records with the files of its attachment folder. Runs on a
// worker thread: it reads only the snapshot and the folder, never the database, and stops
// soon after the progress's cancel flag is set.
class CatalogueCheck {
public:
    // Files younger than this are left out: another program may be importing them.
    static constexpr qint64 kMinimumAgeSecs = 3600;

    // `nowSecs`: the present, seconds since the epoch. Hashing reads every copy a record names.
    static CheckReport run(const CheckSnapshot &snapshot, bool hashing, qint64 nowSecs, CheckProgress &progress);
    // Drops what a snapshot read after the scan shows settled meanwhile: files a record or
    // the bin names now, records changed or gone, hashes changed.
    static void confirm(CheckReport &report, const CheckSnapshot &later);

    // An empty file under such a name is the reservation of an import that ended midway.
    static bool looksStored(const QString &name);
};
