#pragma once

#include <QString>
#include <QStringList>

// Reads, rewrites and deletes the one row of the catalogue a condition selects. Rewriting and
// deleting happen only while the row still holds what was read (throws RecordChanged
// otherwise), or is still missing when none was read.
class RecordEdit {
public:
    // What a row is rewritten with; an empty date is written as none.
    struct Values {
        QString description, date, fileName, category, storedName, kind;
    };

    // The condition that selects the record of `storedName`.
    static QString byStoredName(const QString &storedName);
    // The columns `load` reads, in the order of its values.
    static const QStringList &fields();
    // The row `where` selects, as text per column of fields(), untrimmed; false when none.
    static bool load(const QString &where, QStringList *row);
    static void save(const QString &where, const QStringList &loadedRow, bool loaded, const Values &values);
    static void remove(const QString &where, const QStringList &loadedRow, bool loaded);
};
