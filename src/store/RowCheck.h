#pragma once

#include <QString>
#include <QStringList>

// Another program may change or remove a row between the moment it is shown and the moment
// the user's answer arrives. Inside a write transaction, this checks that the rows a
// condition selects still hold what was read before anything is written.
class RowCheck {
public:
    // The first row of tblAttachment that `where` selects, as text per column (a missing
    // value as empty text); false when there is none. Inside a write transaction the row
    // stays locked until it ends.
    static bool read(const QString &where, const QStringList &columns, QStringList *values);
    // Throws RecordChanged unless the first row selected still holds `expected` (or, when
    // `rowExpected` is false, unless no row is selected).
    static void require(const QString &where, const QStringList &columns, const QStringList &expected,
                        bool rowExpected = true);
};
