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
    // The addresses read so far, and with a column asked for, its text for each of them.
    using Step = std::function<bool(std::vector<qint64> &&addresses, std::vector<QString> &&values)>;

    // The listing's statement in the engine's dialect, through the engine's search index.
    static QString statement(Engine &engine, const QString &jetSql);

    static qint64 pack(Engine::Dialect dialect, const QVariant &address);
    static QVariant unpack(Engine::Dialect dialect, qint64 packed);

    // The listing's rows in its order, in steps: a short first one so that a screen fills at
    // once, then long ones. With `distinct` a row naming a stored name another row named
    // before is left out (records without one are all listed). With `column` (0 file name,
    // 1 category, 2 description, 3 date) that column's text comes too. `step` returns false
    // to stop; the read ends then.
    static void read(Engine &engine, const QString &statement, bool distinct, int column, const Step &step);
    // The records at these addresses that are still there, in no particular order.
    static std::vector<ListedRecord> records(Engine &engine, const std::vector<qint64> &addresses);
    // The addresses of the records that name this stored name.
    static std::vector<qint64> named(Engine &engine, const QString &storedName);
    // The column shown at position `column`.
    static QString columnName(Engine &engine, int column);

    static constexpr size_t kFirstStep = 256;
    static constexpr size_t kLaterStep = 65536;
};
