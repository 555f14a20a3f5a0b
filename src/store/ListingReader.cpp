#include "store/ListingReader.h"

#include "store/DbError.h"
#include "store/JetDialect.h"
#include "store/ListingOrder.h"
#include "store/RowTable.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace {
struct Stopped {};

// The statement with its select list replaced: the listings all start "Select * From".
QString selecting(const QString &statement, const QString &columns)
{
    const qsizetype star = statement.indexOf(QLatin1Char('*'));
    return statement.left(star) + columns + statement.mid(star + 1);
}

// One line of SQLite's plan of a statement: how it reads the table; empty for more.
QString planOf(Engine &engine, const QString &statement)
{
    RowTable plan;
    engine.execute(QStringLiteral("EXPLAIN QUERY PLAN ") + statement, {}, &plan);
    const int detail = plan.columnIndex(QStringLiteral("detail"));
    return plan.count() == 1 && detail >= 0 ? plan.row(0)[detail].toString() : QString();
}

// The statement with `how` (" NOT INDEXED", " INDEXED BY ...") after its table.
QString readingAs(const QString &sql, const QString &how)
{
    static const QRegularExpression table(QStringLiteral("\\bFROM\\s+tblAttachment\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch from = table.match(sql);
    return from.hasMatch() ? QString(sql).insert(from.capturedEnd(), how) : sql;
}

// The statement reading only the addresses, in the order it gives its whole rows. SQLite may
// read the addresses alone from an index that holds them with the condition's columns, and so
// in that index's order: it is then told to read as it would for the whole rows.
QString addressesOnly(Engine &engine, const QString &statement)
{
    const QString sql = selecting(statement, engine.addressColumn() + QStringLiteral(" AS mc_rowid"));
    if (engine.dialect() != Engine::Dialect::Sqlite)
        return sql;
    const QString whole = planOf(engine, statement);
    if (whole.isEmpty() || planOf(engine, sql).replace(QLatin1String(" COVERING INDEX "), QLatin1String(" INDEX ")) == whole)
        return sql;
    static const QRegularExpression byIndex(QStringLiteral("^(?:SCAN|SEARCH) tblAttachment USING INDEX (\\w+)"));
    if (whole == QLatin1String("SCAN tblAttachment"))
        return readingAs(sql, QStringLiteral(" NOT INDEXED"));
    if (const QRegularExpressionMatch index = byIndex.match(whole); index.hasMatch())
        return readingAs(sql, QStringLiteral(" INDEXED BY ") + index.captured(1));
    return sql;
}

// Runs a query and hands its rows over in blocks, never holding the whole result: SQLite
// gives them row by row; PostgreSQL reads them through a cursor in a read-only snapshot.
void eachBlock(Engine &engine, const QString &sql, const std::function<bool(RowTable &)> &block)
{
    if (engine.dialect() != Engine::Dialect::Sqlite && !engine.isReader()) {
        // The interface's own connection: its transactions are not for a listing to end.
        RowTable rows;
        engine.execute(sql, {}, &rows);
        block(rows);
        return;
    }
    if (engine.dialect() == Engine::Dialect::Sqlite) {
        RowTable rows;
        rows.setSink(qint64(ListingReader::kFirstStep), [&](RowTable &t) {
            if (!block(t))
                throw Stopped();
        });
        try {
            engine.execute(sql, {}, &rows);
        } catch (const Stopped &) {
            return;
        }
        block(rows);
        return;
    }
    engine.execute(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
    try {
        // Planned for the whole result, as the statement alone would be: the same plan gives
        // the rows in the same order as the list of a plain read.
        engine.execute(QStringLiteral("SET LOCAL cursor_tuple_fraction = 1"));
        engine.execute(QStringLiteral("DECLARE mc_listing NO SCROLL CURSOR FOR ") + sql);
        qint64 step = qint64(ListingReader::kFirstStep);
        for (;;) {
            RowTable rows;
            engine.execute(QStringLiteral("FETCH FORWARD %1 FROM mc_listing").arg(step), {}, &rows);
            const bool more = rows.count() == step;
            if (!block(rows) || !more)
                break;
            step = qint64(ListingReader::kLaterStep);
        }
        engine.execute(QStringLiteral("COMMIT"));
    } catch (...) {
        try {
            engine.execute(QStringLiteral("ROLLBACK"));
        } catch (...) {
        }
        throw;
    }
}

} // namespace

namespace {
// The column that finds a row by its address.
QString rawAddress(Engine &engine)
{
    return engine.dialect() == Engine::Dialect::Sqlite ? QStringLiteral("rowid") : QStringLiteral("ctid");
}

// "column IN (?, ...)" for these addresses, their values added to `params`.
QString addressFilter(Engine &engine, const QString &column, const std::vector<qint64> &addresses, QVariantList &params)
{
    const Engine::Dialect dialect = engine.dialect();
    if (dialect == Engine::Dialect::Sqlite) {
        QStringList marks;
        for (qint64 a : addresses) {
            marks << QStringLiteral("?");
            params << a;
        }
        return column + QStringLiteral(" IN (") + marks.join(QLatin1Char(',')) + QLatin1Char(')');
    }
    QStringList tids;
    for (qint64 a : addresses)
        tids << QLatin1Char('"') + ListingReader::unpack(dialect, a).toString() + QLatin1Char('"');
    params << QLatin1Char('{') + tids.join(QLatin1Char(',')) + QLatin1Char('}');
    return column + QStringLiteral(" = ANY(?::tid[])");
}
} // namespace

void ListingReader::byAddress(Engine &engine, const QString &columns, const std::vector<qint64> &addresses, RowTable &rows,
                              const QString &condition)
{
    if (addresses.empty())
        return;
    QVariantList params;
    QString sql =
        QStringLiteral("SELECT %1 AS mc_rowid, %2 FROM tblAttachment WHERE ").arg(engine.addressColumn(), columns) +
        addressFilter(engine, rawAddress(engine), addresses, params);
    if (!condition.isEmpty())
        sql += QStringLiteral(" AND ") + condition;
    engine.execute(sql, params, &rows);
}

QString ListingReader::statement(Engine &engine, const QString &jetSql)
{
    return engine.indexed(JetDialect::translate(jetSql, engine.dialect()));
}

QString ListingReader::rowStatement(Engine &engine, const QString &jetSql)
{
    const QString sql = JetDialect::translate(jetSql, engine.dialect());
    // Told nothing of how many rows an index holds per key, SQLite would rather walk the index
    // of the condition than look up the page's few addresses; without indexes it looks them up.
    return engine.dialect() == Engine::Dialect::Sqlite ? readingAs(sql, QStringLiteral(" NOT INDEXED")) : sql;
}

qint64 ListingReader::pack(Engine::Dialect dialect, const QVariant &address)
{
    if (dialect == Engine::Dialect::Sqlite)
        return address.toLongLong();
    // "(block,item)": an item number stays below 2^16 on any page size.
    const QString text = address.toString();
    const qsizetype comma = text.indexOf(QLatin1Char(','));
    if (comma < 0)
        return -1;
    const qint64 block = QStringView(text).mid(1, comma - 1).toLongLong();
    const qint64 item = QStringView(text).mid(comma + 1, text.size() - comma - 2).toLongLong();
    return (block << 16) | (item & 0xffff);
}

qint64 ListingReader::pack(QByteArrayView binaryCtid)
{
    if (binaryCtid.size() != 6)
        return -1;
    const auto *b = reinterpret_cast<const uchar *>(binaryCtid.data());
    const qint64 block = qint64(b[0]) << 24 | qint64(b[1]) << 16 | qint64(b[2]) << 8 | b[3];
    return block << 16 | qint64(b[4]) << 8 | b[5];
}

QVariant ListingReader::unpack(Engine::Dialect dialect, qint64 packed)
{
    if (dialect == Engine::Dialect::Sqlite)
        return packed;
    return QStringLiteral("(%1,%2)").arg(packed >> 16).arg(packed & 0xffff);
}

QString ListingReader::columnName(Engine &engine, int column)
{
    static const char *const names[] = {"FileName", "FolderName", "Currentinfo", "Date"};
    return engine.identifier(QLatin1String(names[qBound(0, column, 3)]));
}

void ListingReader::read(Engine &engine, const QString &statement, bool distinct, const Step &step)
{
    const Engine::Dialect dialect = engine.dialect();
    // Only the address is read, which an index of the condition often holds by itself. A
    // stored name that several records name is rare: such records are listed once, where the
    // first of them comes. For the first screen they are looked up among its rows alone; for
    // the rest, once over the whole table.
    QHash<qint64, QString> shared;
    bool sharedKnown = !distinct;
    auto takeShared = [&](RowTable &rows) {
        for (qint64 r = 0; r < rows.count(); ++r)
            shared.insert(pack(dialect, rows.row(r)[0]), rows.row(r)[1].toString());
    };
    const QString sharedName = QStringLiteral("SaveFileName <> '' AND (SELECT count(*) FROM tblAttachment o WHERE "
                                              "o.SaveFileName = tblAttachment.SaveFileName) > 1");
    QSet<QString> seen;
    std::vector<qint64> read, addresses;
    size_t wanted = kFirstStep;
    bool going = true;
    auto deliver = [&](bool last) {
        if (!sharedKnown) {
            RowTable rows;
            byAddress(engine, QStringLiteral("SaveFileName"), read, rows, sharedName);
            takeShared(rows);
        }
        for (qint64 address : read) {
            if (!shared.isEmpty())
                if (const auto name = shared.constFind(address); name != shared.cend()) {
                    if (seen.contains(*name))
                        continue;
                    seen.insert(*name);
                }
            addresses.push_back(address);
        }
        read.clear();
        going = step(std::move(addresses));
        addresses = {};
        // The whole table is asked only when more rows come: a result read whole in its first
        // step (a search, say) has been looked up among its own rows.
        if (going && !last && !sharedKnown) {
            RowTable rows;
            engine.execute(QStringLiteral("SELECT %1, SaveFileName FROM tblAttachment WHERE SaveFileName IN (SELECT "
                                          "SaveFileName FROM tblAttachment WHERE SaveFileName <> '' GROUP BY "
                                          "SaveFileName HAVING count(*) > 1)")
                               .arg(engine.addressColumn()),
                           {}, &rows);
            takeShared(rows);
            sharedKnown = true;
        }
        wanted = kLaterStep;
        return going;
    };
    eachBlock(engine, addressesOnly(engine, statement), [&](RowTable &rows) {
        for (qint64 r = 0; r < rows.count(); ++r)
            read.push_back(pack(dialect, rows.row(r)[0]));
        return read.size() < wanted || deliver(false);
    });
    if (going)
        deliver(true);
}

std::vector<ListedRecord> ListingReader::records(Engine &engine, const std::vector<qint64> &addresses,
                                                 const QString &listing)
{
    std::vector<ListedRecord> out;
    const Engine::Dialect dialect = engine.dialect();
    RowTable rows;
    const QString columns =
        QStringLiteral("SaveFileName, FileName, FolderName, Currentinfo, ") + engine.identifier(QStringLiteral("Date"));
    if (listing.isEmpty()) {
        byAddress(engine, columns, addresses, rows);
    } else if (!addresses.empty()) {
        // Within the listing's own statement, which the engine narrows to these addresses.
        QVariantList params;
        const QString sql = QStringLiteral("SELECT mc_rowid, ") + columns + QStringLiteral(" FROM (") +
                            selecting(listing, engine.addressColumn() + QStringLiteral(" AS mc_rowid, ") +
                                                   rawAddress(engine) + QStringLiteral(" AS mc_at, ") + columns) +
                            QStringLiteral(") AS mc_page WHERE ") +
                            addressFilter(engine, QStringLiteral("mc_at"), addresses, params);
        engine.execute(sql, params, &rows);
    }
    out.reserve(size_t(rows.count()));
    for (qint64 r = 0; r < rows.count(); ++r) {
        const QVariant *v = rows.row(r);
        out.push_back(
            {pack(dialect, v[0]), v[1].toString(), v[2].toString(), v[3].toString(), v[4].toString(), v[5].toString()});
    }
    return out;
}

std::vector<qint64> ListingReader::named(Engine &engine, const QString &storedName)
{
    RowTable rows;
    engine.execute(QStringLiteral("SELECT %1 FROM tblAttachment WHERE SaveFileName = ?").arg(engine.addressColumn()),
                   {storedName}, &rows);
    std::vector<qint64> out;
    for (qint64 r = 0; r < rows.count(); ++r)
        out.push_back(pack(engine.dialect(), rows.row(r)[0]));
    return out;
}

std::vector<qint64> ListingReader::readAll(Engine &engine, const QString &statement, int column, bool descending,
                                           const std::function<bool()> &wanted)
{
    std::vector<qint64> all;
    read(engine, statement, true, [&](std::vector<qint64> &&a) {
        all.insert(all.end(), a.begin(), a.end());
        return wanted();
    });
    if (!wanted())
        return {};
    return column < 0 ? all : reorder(engine, all, {}, column, descending, wanted);
}

qint64 ListingReader::rowEstimate(Engine &engine)
{
    // An upper bound read from the table's end, not a count.
    RowTable rows;
    if (engine.dialect() == Engine::Dialect::Sqlite)
        engine.execute(QStringLiteral("SELECT coalesce(max(rowid), 0) FROM tblAttachment"), {}, &rows);
    else
        engine.execute(QStringLiteral("SELECT pg_relation_size('tblattachment') / 100"), {}, &rows);
    return rows.count() == 1 ? rows.row(0)[0].toLongLong() : 0;
}

bool ListingReader::isSmall(Engine &engine)
{
    return rowEstimate(engine) <= 20000;
}

std::vector<qint64> ListingReader::reorder(Engine &engine, const std::vector<qint64> &rows,
                                           const std::vector<std::pair<size_t, QString>> &texts, int column, bool descending,
                                           const std::function<bool()> &wanted)
{
    const Engine::Dialect dialect = engine.dialect();
    ListingOrder keys(rows.size());
    for (const auto &[at, text] : texts)
        keys.set(at, text);
    // Where each address stands in the list.
    std::vector<std::pair<qint64, size_t>> places;
    places.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i] >= 0)
            places.emplace_back(rows[i], i);
    std::sort(places.begin(), places.end());
    // The rows mostly come in address order: each is looked for from where the last was.
    auto next = places.begin();
    auto place = [&](qint64 a, QStringView text) {
        if (next == places.end() || next->first > a || (next + 1 != places.end() && (next + 1)->first < a))
            next = std::lower_bound(places.begin(), places.end(), std::make_pair(a, size_t(0)));
        else if (next->first < a)
            ++next;
        if (next != places.end() && next->first == a)
            keys.set(next->second, text);
    };
    auto take = [&](RowTable &t) {
        for (qint64 r = 0; r < t.count(); ++r)
            place(pack(dialect, t.row(r)[0]), t.row(r)[1].toString());
        return wanted();
    };
    const QString columns = columnName(engine, column);
    if (places.size() * 8 >= size_t(rowEstimate(engine))) {
        // Most of the table: one pass over it in its own order is the fastest read. The
        // server streams it, addresses in their binary form (block, then item).
        qint64 streamed = 0;
        bool malformed = false;
        auto raw = [&](const QByteArrayView *fields, int count) {
            const qint64 address = count == 2 ? pack(fields[0]) : -1;
            if (address < 0) {
                malformed = true;
                return false;
            }
            place(address, QString::fromUtf8(fields[1]));
            return ++streamed % 4096 != 0 || wanted();
        };
        if (dialect == Engine::Dialect::Sqlite ||
            !engine.streamRows(QStringLiteral("SELECT ctid, %1::text FROM tblAttachment").arg(columns), raw))
            eachBlock(engine,
                      QStringLiteral("SELECT %1 AS mc_rowid, %2 FROM tblAttachment").arg(engine.addressColumn(), columns),
                      take);
        if (malformed)
            throw DbError::unreadableReply(engine.displayName(), columns);
    } else {
        for (size_t from = 0; from < places.size() && wanted(); from += kPage) {
            std::vector<qint64> some;
            for (size_t i = from; i < std::min(places.size(), from + kPage); ++i)
                some.push_back(places[i].first);
            RowTable t;
            byAddress(engine, columns, some, t);
            take(t);
        }
    }
    if (!wanted())
        return {};
    const std::vector<size_t> order = keys.sorted(descending, wanted);
    if (!wanted())
        return {};
    std::vector<qint64> sorted(rows.size());
    for (size_t i = 0; i < order.size(); ++i)
        sorted[i] = rows[order[i]];
    return sorted;
}
