#pragma once

#include <QString>
#include <QVariant>

// One listed record. The key is the full path of the stored copy; the stored name is kept
// as the catalogue holds it, since it addresses the record's row.
struct RecordRow {
    QString key;
    QString storedName;
    QString fileName;
    QString category;
    QString description;
    QString date;
    // Where the engine keeps the row; addresses a record that has no stored name.
    QVariant address;

    const QString &column(int c) const
    {
        switch (c) {
        case 1: return category;
        case 2: return description;
        case 3: return date;
        default: return fileName;
        }
    }
};
