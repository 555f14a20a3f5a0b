#pragma once

#include "store/GroupRunner.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

// Deletes listed records and their copies.
class RecordDeletion {
public:
    // The columns a listed row shows, in the order `shown` gives their values below.
    static const QStringList &shownFields();

    struct Listed {
        QString storedName;
        QVariant address;
        QStringList shown; // the values of shownFields() as listed
        QString copyPath;
        QString fileName; // names it in a failure
    };
    // Deletes each record only while its row still holds `shown`: another program may have
    // changed it, or given its stored name to another file, since it was listed. A record
    // without a stored name is found by its `address`. Records and copies go to the recycle
    // bin where the catalogue has one; otherwise the plain copy at `copyPath` is removed,
    // and a failure there is ignored. In groups that each commit on their own, with
    // progress and Cancel; a record another program changed is left as it is and named in
    // the outcome, and the others go on.
    static GroupRunner::Outcome removeMany(const std::vector<Listed> &records);
};
