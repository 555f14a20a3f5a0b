#pragma once

#include "store/GroupRunner.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

// What "删除" takes away is kept in a recycle bin until the bin is emptied: the row moves to
// tblRecycleBin with the time of deletion, and its stored copy into the bin folder inside
// the attachment folder, under a name no other binned copy has. Restoring puts both back
// (under a new stored name when a newer record took the old one).
class RecycleBin {
public:
    struct Entry {
        QVariant address; // of the bin row
        QString fileName, category, description, date, storedName, deletedAt;
        QString binFile; // the copy's name in the bin folder; empty when it stayed in place
        int kind = 0;
    };

    // The bin folder: AttachmentPath() + ".recycle/".
    static QString folder();
    static QString folderName();
    // False for a catalogue that has no bin table (read-only, made elsewhere).
    static bool available();
    // Whether a live record names the stored name.
    static bool recordNamed(const QString &storedName);

    // A copy to move into the bin once the rows are committed.
    struct Move {
        QString copy;    // its path in the attachment folder
        QString binFile; // the name planned for it in the bin folder
        QString storedName, deletedAt;
    };

    // Inside the caller's write transaction: copies the rows `where` selects (a condition on
    // tblAttachment, in the program's dialect) into the bin. With `moveCopies` their copies
    // get names in the bin folder, and the caller moves them there with moveCopies() after
    // the commit that also deletes the rows: a failure before it leaves every copy in place,
    // and a crash after it leaves a copy in place that its bin row still finds.
    static QVector<Move> bin(const QString &where, bool moveCopies);
    static void moveCopies(const QVector<Move> &moves);

    static QVector<Entry> entries();
    // Puts the record and its copy back; returns the stored name it has now. Throws
    // RecordChanged when the entry left the bin meanwhile, and AppError (the entry stays)
    // when its copy is gone: a record pointing at nothing is no record back.
    static QString restore(const Entry &entry);
    // The same for many, in groups that each commit on their own, with progress and Cancel;
    // an entry that cannot come back stays in the bin and is named in the outcome.
    static GroupRunner::Outcome restoreMany(const QVector<Entry> &entries);
    struct Emptied {
        int removed = 0;
        QStringList failures; // "file name: copy: reason" of entries kept because their copy stayed
    };
    // Deletes the entries and their copies for good. An entry goes only with its copy (or
    // when the copy is gone already): one whose copy cannot be removed stays in the bin.
    static Emptied empty(const QVector<Entry> &entries);
    // A copy in the attachment folder that no record names goes to the bin as a record of
    // its own, so it can be restored or emptied like any other.
    static void binOrphan(const QString &copyName);
    // A file of the bin folder that no binned record names (one an emptying could not
    // remove, say) gets a bin row of its own. Throws RecordChanged when one names it by now.
    static void adoptBinFile(const QString &binFile);

    // The kind a file name's extension suggests under the configured filters; 1 otherwise.
    static int kindOfName(const QString &name);

private:
    // Restores inside the caller's transaction when there is one; the copies it moved out
    // of the bin are added to `moved` (from, to) so that a failed commit can put them back.
    static QString restoreInside(const Entry &entry, QVector<QPair<QString, QString>> *moved);
};
