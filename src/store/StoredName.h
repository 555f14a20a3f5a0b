#pragma once

#include <QDateTime>
#include <QString>

// Stored names of copies in the attachment folder.
class StoredName {
public:
    // Year, month, day, hour, minutes, seconds (two digits each but the year), then the
    // month and the seconds again without leading zero: 16 to 18 characters.
    static QString base(const QDateTime &now);
    // True for a bare file name: no separator, not "." or "..". Guards every file
    // operation on a name read from the catalogue.
    static bool isPlain(const QString &name);
    // The extension: the text after the last dot of the name, empty when there is none.
    static QString extension(const QString &fileName);
    // The extension as a stored name carries it: without trailing blanks and dots, so that
    // no trimming of a stored name can ever turn it into another record's name, and with
    // no backslash, which would make the name unusable.
    static QString storedExtension(const QString &extension);
};
