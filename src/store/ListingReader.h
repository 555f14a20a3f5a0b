#pragma once

#include "store/Engine.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <vector>

// One listed record as the record list shows it.
struct ListedRecord {
    qint64 address = -1; // packed, see ListingReader::pack
    QString storedName, fileName, category, description, date;
};

// Reads a listing in steps: first only the rows' addresses, then the records on screen by
// them. An address packs into 64 bits on both engines (SQLite's rowid; PostgreSQL's ctid as
// block and item), so a list of a million rows costs eight bytes a row.
class ListingReader {
public:
    // The listing's statement in the engine's dialect, through the engine's search index.
    static QString statement(Engine &engine, const QString &jetSql);

    static qint64 pack(Engine::Dialect dialect, const QVariant &address);
    static QVariant unpack(Engine::Dialect dialect, qint64 packed);

    // The addresses of the listing's rows in its order, a row naming a stored name another
    // row named before left out. They come in steps, the first one short so that a screen
    // fills at once; `step` returns false to stop.
    static void addresses(Engine &engine, const QString &statement, const std::function<bool(std::vector<qint64> &&)> &step);
    // One column's text for every row of the listing, by address; `each` returns false to stop.
    static void columnValues(Engine &engine, const QString &statement, int column,
                             const std::function<bool(qint64, const QString &)> &each);
    // The records at these addresses that are still there, in no particular order.
    static std::vector<ListedRecord> records(Engine &engine, const std::vector<qint64> &addresses);
    // The addresses of the records that name this stored name.
    static std::vector<qint64> named(Engine &engine, const QString &storedName);
    // The column shown at position `column` (0 file name, 1 category, 2 description, 3 date).
    static QString columnName(int column);
};
