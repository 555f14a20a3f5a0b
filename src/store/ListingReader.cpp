#include "store/ListingReader.h"

#include "store/JetDialect.h"
#include "store/RowTable.h"

#include <QHash>
#include <unordered_map>

namespace {
struct Stopped {};

// The statement with its select list replaced: the listings all start "Select * From".
QString selecting(const QString &statement, const QString &columns)
{
    const qsizetype star = statement.indexOf(QLatin1Char('*'));
    return statement.left(star) + columns + statement.mid(star + 1);
}

// Runs a query and hands its rows over in blocks, never holding the whole result: SQLite
// gives them row by row; PostgreSQL reads them through a cursor in a read-only snapshot.
void eachBlock(Engine &engine, const QString &sql, const std::function<bool(RowTable &)> &block)
{
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

QString storedNameAt(Engine &engine, qint64 address)
{
    RowTable rows;
    engine.execute(QStringLiteral("SELECT SaveFileName FROM tblAttachment WHERE ") + engine.addressCondition(),
                   {ListingReader::unpack(engine.dialect(), address)}, &rows);
    return rows.count() ? rows.row(0)[0].toString() : QString();
}
} // namespace

QString ListingReader::statement(Engine &engine, const QString &jetSql)
{
    return engine.indexed(JetDialect::translate(jetSql, engine.dialect()));
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

void ListingReader::read(Engine &engine, const QString &statement, bool distinct, int column, const Step &step)
{
    const Engine::Dialect dialect = engine.dialect();
    QString columns = engine.addressColumn() + QStringLiteral(" AS mc_rowid, SaveFileName");
    if (column >= 0)
        columns += QStringLiteral(", ") + columnName(engine, column);
    // A stored name is remembered by a 64-bit hash of it: a million of them in a few tens of
    // megabytes. Two names of one hash are told apart at the end, by reading the first again.
    std::unordered_map<size_t, qint64> seen;
    struct Suspect {
        qint64 address, first;
        QString name, value;
    };
    std::vector<Suspect> suspects;
    std::vector<qint64> addresses;
    std::vector<QString> values;
    size_t wanted = kFirstStep;
    bool going = true;
    auto deliver = [&] {
        going = step(std::move(addresses), std::move(values));
        addresses = {};
        values = {};
        wanted = kLaterStep;
        return going;
    };
    eachBlock(engine, selecting(statement, columns), [&](RowTable &rows) {
        for (qint64 r = 0; r < rows.count(); ++r) {
            const QVariant *v = rows.row(r);
            const qint64 address = pack(dialect, v[0]);
            if (distinct) {
                const QString name = v[1].toString();
                if (!name.isEmpty()) {
                    const auto [at, added] = seen.emplace(qHash(name, size_t(0x6d63)), address);
                    if (!added) {
                        suspects.push_back({address, at->second, name, column >= 0 ? v[2].toString() : QString()});
                        continue;
                    }
                }
            }
            addresses.push_back(address);
            if (column >= 0)
                values.push_back(v[2].toString());
        }
        return addresses.size() < wanted || deliver();
    });
    if (!going)
        return;
    seen = {};
    for (const Suspect &s : suspects) {
        if (storedNameAt(engine, s.first) == s.name)
            continue; // listed already
        addresses.push_back(s.address);
        if (column >= 0)
            values.push_back(s.value);
    }
    step(std::move(addresses), std::move(values));
}

std::vector<ListedRecord> ListingReader::records(Engine &engine, const std::vector<qint64> &addresses)
{
    std::vector<ListedRecord> out;
    if (addresses.empty())
        return out;
    const Engine::Dialect dialect = engine.dialect();
    QString sql = QStringLiteral("SELECT %1 AS mc_rowid, SaveFileName, FileName, FolderName, Currentinfo, %2 "
                                 "FROM tblAttachment WHERE ")
                      .arg(engine.addressColumn(), engine.identifier(QStringLiteral("Date")));
    QVariantList params;
    if (dialect == Engine::Dialect::Sqlite) {
        QStringList marks;
        for (qint64 a : addresses) {
            marks << QStringLiteral("?");
            params << a;
        }
        sql += QStringLiteral("rowid IN (") + marks.join(QLatin1Char(',')) + QLatin1Char(')');
    } else {
        QStringList tids;
        for (qint64 a : addresses)
            tids << QLatin1Char('"') + unpack(dialect, a).toString() + QLatin1Char('"');
        sql += QStringLiteral("ctid = ANY(?::tid[])");
        params << QLatin1Char('{') + tids.join(QLatin1Char(',')) + QLatin1Char('}');
    }
    RowTable rows;
    engine.execute(sql, params, &rows);
    out.reserve(size_t(rows.count()));
    for (qint64 r = 0; r < rows.count(); ++r) {
        const QVariant *v = rows.row(r);
        out.push_back({pack(dialect, v[0]), v[1].toString(), v[2].toString(), v[3].toString(), v[4].toString(),
                       v[5].toString()});
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
