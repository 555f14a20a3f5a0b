#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

// Deletes one listed record and its copy.
class RecordDeletion {
public:
    // The columns a listed row shows, in the order `shown` gives their values below.
    static const QStringList &shownFields();
    // Deletes the record only while its row still holds `shown` (throws RecordChanged
    // otherwise): another program may have changed it, or given its stored name to another
    // file, since it was listed. A record without a stored name is found by its `address`.
    // Record and copy go to the recycle bin where the catalogue has one; otherwise the
    // plain copy at `copyPath` is removed, and a failure there is ignored.
    static void remove(const QString &storedName, const QVariant &address, const QStringList &shown,
                       const QString &copyPath);
};
