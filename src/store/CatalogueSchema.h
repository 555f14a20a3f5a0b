#pragma once

#include <QString>

// Creates an empty catalogue: tblAttachment and the indexes of the program's lookups.
class CatalogueSchema {
public:
    // Throws AppError when the file cannot be created or already holds a catalogue table.
    static void create(const QString &path);
};
