#pragma once

#include "store/Engine.h"

class RowTable;

#include <QByteArrayView>
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
    // The addresses read so far.
    using Step = std::function<bool(std::vector<qint64> &&addresses)>;

    // The listing's statement in the engine's dialect, through the engine's search index.
    static QString statement(Engine &engine, const QString &jetSql);
    // The same without the index: what a few rows are checked against, where the index would
    // first gather every match.
    static QString rowStatement(Engine &engine, const QString &jetSql);

    static qint64 pack(Engine::Dialect dialect, const QVariant &address);
    // A ctid in PostgreSQL's binary form (block, then item, big-endian); -1 when malformed.
    static qint64 pack(QByteArrayView binaryCtid);
    static QVariant unpack(Engine::Dialect dialect, qint64 packed);

    // The addresses of the listing's rows in its order, in steps: a short first one so that a
    // screen fills at once, then long ones. With `distinct` a row naming a stored name another
    // row named before is left out (records without one are all listed). `step` returns false
    // to stop; the read ends then. On a connection the interface uses itself, the rows come in
    // one go (no cursor and no transaction of its own, which would end the caller's).
    static void read(Engine &engine, const QString &statement, bool distinct, const Step &step);
    // The listing read whole, and with a column in that column's order (stable, `descending`
    // as a header shows it); empty when `wanted` turned false meanwhile.
    static std::vector<qint64> readAll(Engine &engine, const QString &statement, int column, bool descending,
                                       const std::function<bool()> &wanted);
    // The rows listed (addresses; others, negative, with their text in `texts` by position)
    // in the order of `column` by the text the catalogue holds now, stable; rows gone sort as
    // empty. Empty when `wanted` turned false meanwhile.
    static std::vector<qint64> reorder(Engine &engine, const std::vector<qint64> &rows,
                                       const std::vector<std::pair<size_t, QString>> &texts, int column, bool descending,
                                       const std::function<bool()> &wanted);
    // True when the catalogue is small enough to be listed at once on the interface thread,
    // in less than a frame's time.
    static bool isSmall(Engine &engine);
    // At least as many records as the catalogue holds, read cheaply.
    static qint64 rowEstimate(Engine &engine);
    // The records at these addresses that are still there, in no particular order; with a
    // listing (a statement in the engine's dialect), only those that it still lists: an
    // address another program gave to a new record then names nothing.
    static std::vector<ListedRecord> records(Engine &engine, const std::vector<qint64> &addresses,
                                             const QString &listing = {});
    // The addresses of the records that name this stored name.
    static std::vector<qint64> named(Engine &engine, const QString &storedName);
    // The column shown at position `column`.
    static QString columnName(Engine &engine, int column);
    // The columns (after the address) of the records at these addresses, those that meet
    // `condition` when one is given.
    static void byAddress(Engine &engine, const QString &columns, const std::vector<qint64> &addresses, RowTable &rows,
                          const QString &condition = {});

    static constexpr size_t kPage = 256; // records read by address at once
    static constexpr size_t kFirstStep = 256;
    static constexpr size_t kLaterStep = 65536;
};
