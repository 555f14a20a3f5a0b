#pragma once

#include "store/CheckReport.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <vector>

// The catalogue's side of a check, read on the interface thread in a few queries (the
// shared connection serves one thread), so that the folder can be scanned elsewhere.
class CheckSnapshot {
public:
    QString folder; // the attachment folder, ending in a separator
    std::vector<CheckReport::Record> records;
    // Stored names a copy at the top of the folder may carry: those of the records and of
    // binned records whose copy stayed in place.
    QSet<QString> named;
    // The binned records.
    std::vector<CheckReport::Record> bin;
    // Stored name -> SHA-256, when read with hashes.
    QHash<QString, QString> hashes;

    static CheckSnapshot read(bool withHashes);
    // The names the records (not the bin) carry.
    QSet<QString> recordNames() const;
};
