#pragma once

#include "store/FileStamp.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

// What a catalogue check found, kind by kind.
class CheckReport {
public:
    enum Kind { Missing, Orphan, Leftover, Changed, Unhashed, Unsafe, BinMissing, BinStray, KindCount };

    // One row of tblAttachment as it was read.
    struct Record {
        QVariant address;
        QString fileName, category, description, date, storedName, kind;
        // Of a binned record: its copy's name in the bin folder (empty when left in place), and
        // when it was binned.
        QString binFile, deletedAt;
        // The values a repair finds again before it writes, in the order of columns().
        QStringList values() const { return {fileName, category, description, date, storedName, kind}; }
        static const QStringList &columns();
    };
    // A file at the top level of the attachment folder.
    struct File {
        QString name;
        FileStamp stamp;
        bool temporary = false; // a leftover import file, rather than an empty reservation
    };
    // A copy whose contents were hashed.
    struct Hash {
        QString storedName;
        QString fileName; // of a record that names the copy
        FileStamp stamp;
        QString recorded; // the hash kept with the record; empty when there is none
        QString current;
    };

    std::vector<Record> missing;    // the stored copy does not exist
    std::vector<Record> unsafe;     // the stored name would leave the attachment folder
    std::vector<File> orphans;      // copies no record names
    std::vector<File> leftovers;    // temporary and reservation files of imports that ended
    std::vector<Hash> changed;      // contents no longer match the hash kept
    std::vector<Hash> unhashed;     // copies without a hash (catalogues made before hashes)
    std::vector<Record> binMissing; // binned records whose copy is neither in the bin nor in place
    std::vector<File> binStrays;    // files in the bin folder that no binned record names

    qint64 records = 0;
    qint64 files = 0;
    qint64 recent = 0; // unnamed files younger than an hour: perhaps an import in flight
    qint64 hashedBytes = 0;
    bool hashed = false;
    bool cancelled = false;

    qint64 count(Kind kind) const;
    qint64 findings() const;
};
