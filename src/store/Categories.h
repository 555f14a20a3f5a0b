#pragma once

#include "store/GroupRunner.h"
#include "store/RecordQuery.h"
#include "store/Recordset.h"

#include <QString>
#include <QStringList>

// The categories of one kind of file: listing them and their records, renaming, deleting.
class Categories {
public:
    // Every category the kind's records name, once each; a record without one is left out.
    static QStringList of(int kind);
    // The kind's records whose category matches `key`, in which "*" stands for any text.
    static Recordset records(const QString &key, int kind);
    // The same records, for a list that reads them in steps.
    static RecordQuery listing(const QString &key, int kind);
    // Gives the kind's records of category `key` the category `name`.
    static void rename(const QString &key, int kind, const QString &name);
    // Deletes the kind's records of category `key`, in groups with progress and Cancel; they
    // go to the recycle bin where the catalogue has one, their copies stay where they are.
    static GroupRunner::Outcome remove(const QString &key, int kind);
};
