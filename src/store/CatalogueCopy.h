#pragma once

#include <QString>

// Copies every row of one catalogue into another, file to server or server to file. The
// stored copies stay where they are.
class CatalogueCopy {
public:
    struct Counts {
        qint64 records = 0;
        qint64 binned = 0;
        qint64 hashes = 0;
    };
    // The target is made when missing and must hold no records yet. All rows are written
    // in one transaction and counted again before it commits. Throws AppError.
    static Counts run(const QString &from, const QString &to);
};
