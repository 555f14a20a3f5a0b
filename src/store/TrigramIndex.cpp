#include "store/TrigramIndex.h"

#include "store/AppError.h"
#include "store/CatalogueSchema.h"
#include "store/Engine.h"
#include "store/RowTable.h"
#include "store/SqlQuote.h"
#include "store/WriteTransaction.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QStringList>
#include <QThread>
#include <sqlite3.h>

namespace {
const QString kStateName = QStringLiteral("SearchIndex");
const QString kReady = QStringLiteral("ready");
const QString kBuilding = QStringLiteral("building");
int g_supportedForTest = -1;

const QStringList &triggerNames()
{
    static const QStringList names = {QStringLiteral("trgTrigramInsert"), QStringLiteral("trgTrigramDelete"),
                                      QStringLiteral("trgTrigramUpdate")};
    return names;
}

// Every statement that makes the index. An insert also clears the row's entry: a REPLACE
// by another program removes the old row without firing the delete trigger.
QStringList creation()
{
    const QString t = TrigramIndex::table();
    const QString add =
        QStringLiteral("DELETE FROM %1 WHERE rowid=new.rowid; INSERT INTO %1(rowid,FileName,FolderName,Currentinfo) "
                       "VALUES (new.rowid,new.FileName,new.FolderName,new.Currentinfo);")
            .arg(t);
    return {
        QStringLiteral("CREATE VIRTUAL TABLE %1 USING fts5(FileName, FolderName, Currentinfo, "
                       "tokenize='trigram case_sensitive 1')")
            .arg(t),
        QStringLiteral("CREATE TRIGGER %1 AFTER INSERT ON tblAttachment BEGIN %2 END").arg(triggerNames()[0], add),
        QStringLiteral("CREATE TRIGGER %1 AFTER DELETE ON tblAttachment BEGIN DELETE FROM %2 WHERE rowid=old.rowid; END")
            .arg(triggerNames()[1], t),
        QStringLiteral("CREATE TRIGGER %1 AFTER UPDATE ON tblAttachment BEGIN DELETE FROM %2 WHERE rowid=old.rowid; %3 END")
            .arg(triggerNames()[2], t, add)};
}

qint64 scalar(Engine &engine, const QString &sql, const QVariantList &params = {})
{
    RowTable rows;
    engine.execute(sql, params, &rows);
    return rows.count() > 0 ? rows.row(0)[0].toLongLong() : 0;
}

int triggersIn(Engine &engine)
{
    return int(scalar(engine, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='trigger' AND name IN ('%1')")
                                  .arg(triggerNames().join(QStringLiteral("','")))));
}

bool tablePresent(Engine &engine)
{
    return scalar(engine, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name=?"),
                  {TrigramIndex::table()}) > 0;
}

QString stateOf(Engine &engine)
{
    return CatalogueSchema::claim(engine, kStateName, QString());
}

// "building UPTO DONE": the rows up to rowid UPTO were there before the triggers; those up to
// DONE are in the index.
bool parseBuilding(const QString &state, qint64 *upto, qint64 *done)
{
    const QStringList parts = state.split(QLatin1Char(' '));
    if (parts.size() != 3 || parts[0] != kBuilding)
        return false;
    bool ok1 = false, ok2 = false;
    *upto = parts[1].toLongLong(&ok1);
    *done = parts[2].toLongLong(&ok2);
    return ok1 && ok2;
}

TrigramIndex::State stateFor(Engine &engine)
{
    if (!tablePresent(engine) || triggersIn(engine) != triggerNames().size())
        return TrigramIndex::State::Unavailable;
    const QString state = stateOf(engine);
    qint64 upto = 0, done = 0;
    if (state == kReady)
        return TrigramIndex::State::Ready;
    return parseBuilding(state, &upto, &done) ? TrigramIndex::State::Building : TrigramIndex::State::Unavailable;
}

// The FTS5 query that finds every row whose column holds each run of three characters or
// more between the wildcards; empty when the pattern has none.
QString candidates(const QString &column, const QString &pattern)
{
    static const QRegularExpression wildcards(QStringLiteral("[%_]"));
    QStringList phrases;
    for (const QString &run : pattern.split(wildcards, Qt::SkipEmptyParts)) {
        if (run.toUcs4().size() < 3) // a trigram index knows nothing shorter
            continue;
        QString phrase = run;
        phrases << column + QStringLiteral(" : \"") + phrase.replace(QLatin1Char('"'), QLatin1String("\"\"")) +
                       QLatin1Char('"');
    }
    return phrases.join(QStringLiteral(" AND "));
}

// A plain connection of the builder's own, which gives way to other programs.
class Connection {
public:
    Connection(const QString &path, const std::atomic_bool &stop) : stop_(stop)
    {
        if (sqlite3_open_v2(path.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            sqlite3_close(db_);
            db_ = nullptr;
            return;
        }
        sqlite3_busy_handler(db_, &Connection::onBusy, this);
    }
    ~Connection() { sqlite3_close(db_); }
    bool isOpen() const { return db_ != nullptr; }
    // Whether the last statement failed on another program's lock.
    bool busy() const
    {
        return (sqlite3_errcode(db_) & 0xff) == SQLITE_BUSY || (sqlite3_errcode(db_) & 0xff) == SQLITE_LOCKED;
    }
    // Runs one statement with integer or text values; the first column of the first row
    // goes to `first`. False on any failure.
    bool run(const char *sql, const QVariantList &params = {}, QVariant *first = nullptr)
    {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr) != SQLITE_OK)
            return false;
        QList<QByteArray> texts;
        for (int i = 0; i < params.size(); ++i) {
            if (params[i].typeId() == QMetaType::QString) {
                texts << params[i].toString().toUtf8();
                sqlite3_bind_text(stmt, i + 1, texts.last().constData(), int(texts.last().size()), SQLITE_STATIC);
            } else {
                sqlite3_bind_int64(stmt, i + 1, params[i].toLongLong());
            }
        }
        int rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW && first)
            *first = sqlite3_column_type(stmt, 0) == SQLITE_NULL
                         ? QVariant()
                         : QVariant(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0))));
        while (rc == SQLITE_ROW)
            rc = sqlite3_step(stmt);
        sqlite3_finalize(stmt);
        return rc == SQLITE_DONE;
    }

private:
    static int onBusy(void *self, int count)
    {
        // Waits for other programs' locks for up to about ten seconds, less when stopped.
        if (static_cast<Connection *>(self)->stop_ || count > 4000)
            return 0;
        QThread::usleep(500 + (count % 5) * 500);
        return 1;
    }
    sqlite3 *db_ = nullptr;
    const std::atomic_bool &stop_;
};

// Sleeps about `ms`, waking early when stopped.
void pauseFor(qint64 ms, const std::atomic_bool &stop)
{
    for (qint64 slept = 0; slept < ms && !stop; slept += 5)
        QThread::msleep(5);
}
} // namespace

const QString &TrigramIndex::table()
{
    static const QString name = QStringLiteral("tblAttachmentTrigram");
    return name;
}

void TrigramIndex::setSupportedForTest(bool supported)
{
    g_supportedForTest = supported ? 1 : 0;
}

bool TrigramIndex::supported(sqlite3 *handle)
{
    if (g_supportedForTest >= 0)
        return g_supportedForTest == 1;
    // A temporary table never touches the catalogue file.
    const bool made = sqlite3_exec(handle,
                                   "CREATE VIRTUAL TABLE temp.mc_trigram_probe USING fts5(x, "
                                   "tokenize='trigram case_sensitive 1')",
                                   nullptr, nullptr, nullptr) == SQLITE_OK;
    if (made)
        sqlite3_exec(handle, "DROP TABLE temp.mc_trigram_probe", nullptr, nullptr, nullptr);
    return made;
}

TrigramIndex::State TrigramIndex::prepare(Engine &engine, bool supported)
{
    if (!CatalogueSchema::hasTable(engine, QStringLiteral("tblCatalogue")))
        return State::Unavailable;
    try {
        if (!supported) {
            // Another program's triggers would make every write here fail on the missing module;
            // without them the index falls behind, so it is marked for a rebuild.
            if (triggersIn(engine) > 0) {
                WriteTransaction tx(engine);
                for (const QString &name : triggerNames())
                    engine.execute(QStringLiteral("DROP TRIGGER IF EXISTS ") + name);
                engine.execute(QStringLiteral("UPDATE tblCatalogue SET Value='stale' WHERE Name=?"), {kStateName});
                tx.commit();
            }
            return State::Unavailable;
        }
        State state = stateFor(engine);
        if (state != State::Unavailable)
            return state;
        WriteTransaction tx(engine);
        // Another program may have made it since the look above.
        state = stateFor(engine);
        if (state != State::Unavailable)
            return state;
        for (const QString &name : triggerNames())
            engine.execute(QStringLiteral("DROP TRIGGER IF EXISTS ") + name);
        engine.execute(QStringLiteral("DROP TABLE IF EXISTS ") + table());
        for (const QString &sql : creation())
            engine.execute(sql);
        const qint64 upto = scalar(engine, QStringLiteral("SELECT coalesce(max(rowid),0) FROM tblAttachment"));
        const QString value = upto == 0 ? kReady : QStringLiteral("%1 %2 0").arg(kBuilding).arg(upto);
        engine.execute(QStringLiteral("INSERT OR REPLACE INTO tblCatalogue (Name, Value) VALUES (?, ?)"),
                       {kStateName, value});
        tx.commit();
        return upto == 0 ? State::Ready : State::Building;
    } catch (const AppError &) {
        // A file that cannot be written (read-only, locked for long) is searched by the scan.
        return State::Unavailable;
    }
}

bool TrigramIndex::build(const QString &path, const std::atomic_bool &stop, int groupMs,
                         const std::function<void(int permille)> &progress)
{
    Connection db(path, stop);
    if (!db.isOpen())
        return false;
    const QByteArray clear = QStringLiteral("DELETE FROM %1 WHERE rowid>? AND rowid<=?").arg(table()).toUtf8();
    const QByteArray fill = QStringLiteral("INSERT INTO %1(rowid,FileName,FolderName,Currentinfo) SELECT rowid,FileName,"
                                           "FolderName,Currentinfo FROM tblAttachment WHERE rowid>? AND rowid<=?")
                                .arg(table())
                                .toUtf8();
    qint64 groupRows = 500;
    while (!stop) {
        QElapsedTimer took;
        took.start();
        if (!db.run("BEGIN IMMEDIATE")) {
            if (!db.busy())
                return false;
            pauseFor(20, stop);
            continue;
        }
        // Read under the lock: another program may be building too, and they take turns.
        QVariant state;
        qint64 upto = 0, done = 0;
        if (!db.run("SELECT Value FROM tblCatalogue WHERE Name='SearchIndex'", {}, &state) ||
            !parseBuilding(state.toString(), &upto, &done)) {
            db.run("ROLLBACK");
            return state.toString() == kReady;
        }
        QVariant next;
        db.run("SELECT rowid FROM tblAttachment WHERE rowid>? ORDER BY rowid LIMIT 1 OFFSET ?", {done, groupRows - 1},
               &next);
        const qint64 to = next.isNull() ? upto : qMin(upto, next.toLongLong());
        const QString after = to >= upto ? kReady : QStringLiteral("%1 %2 %3").arg(kBuilding).arg(upto).arg(to);
        const bool ok = db.run(clear.constData(), {done, to}) && db.run(fill.constData(), {done, to}) &&
                        db.run("UPDATE tblCatalogue SET Value=? WHERE Name='SearchIndex'", {after}) && db.run("COMMIT");
        if (!ok) {
            // Another program's lock outlasted the wait: the group is tried again later.
            const bool busy = db.busy();
            db.run("ROLLBACK");
            if (!busy)
                return false;
            pauseFor(20, stop);
            continue;
        }
        // Rows numbered in order, mostly without gaps: the numbers tell how far it is.
        if (progress)
            progress(to >= upto ? 1000 : int(qBound(qint64(0), to * 1000 / qMax(qint64(1), upto), qint64(999))));
        if (to >= upto)
            return true;
        // Groups of about groupMs, and as long a pause after each for the others' writes.
        const qint64 ms = qMax<qint64>(1, took.elapsed());
        groupRows = qBound(qint64(100), qMin(groupRows * 2, groupRows * groupMs / ms), qint64(200000));
        pauseFor(qMax<qint64>(10, ms), stop);
    }
    return false;
}

QString TrigramIndex::rewrite(Engine &engine, const QString &sql)
{
    // The Like searches of the search window, as the dialect gives them to this engine.
    static const QRegularExpression search(
        QStringLiteral("^Select \\* From tblAttachment Where\\s+(FileName|FolderName|Currentinfo)\\s+Like\\s+"
                       "'((?:[^']|'')*)'(?:\\s+And\\s+tblFileKind=(\\d+))?$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = search.match(sql);
    if (!m.hasMatch())
        return sql;
    static const QStringList columns = {QStringLiteral("FileName"), QStringLiteral("FolderName"),
                                        QStringLiteral("Currentinfo")};
    QString column;
    for (const QString &c : columns)
        if (c.compare(m.captured(1), Qt::CaseInsensitive) == 0)
            column = c;
    const QString literal = m.captured(2);
    const QString match = candidates(column, QString(literal).replace(QLatin1String("''"), QLatin1String("'")));
    if (match.isEmpty())
        return sql;
    try {
        if (stateOf(engine) != kReady)
            return sql;
        // The scan hands out its rows in the order of the way it reads them; the rewritten
        // statement gives them in that order. Any other way of reading keeps the scan.
        RowTable plan;
        engine.execute(QStringLiteral("EXPLAIN QUERY PLAN ") + sql, {}, &plan);
        const int detail = plan.columnIndex(QStringLiteral("detail"));
        if (plan.count() != 1 || detail < 0)
            return sql;
        const QString how = plan.row(0)[detail].toString();
        QString order;
        if (how == QLatin1String("SCAN tblAttachment"))
            order = QStringLiteral("rowid");
        else if (how == QLatin1String("SEARCH tblAttachment USING INDEX idxKindFolder (tblFileKind=?)"))
            order = QStringLiteral("FolderName, rowid");
        else
            return sql;
        // A pattern found in many rows reads faster by the scan than row by row.
        const qint64 rows = scalar(engine, QStringLiteral("SELECT coalesce(max(rowid),0) FROM tblAttachment"));
        const qint64 most = rows / 10 + 1;
        if (scalar(engine,
                   QStringLiteral("SELECT count(*) FROM (SELECT rowid FROM %1 WHERE %1 MATCH ? LIMIT ?)").arg(table()),
                   {match, most}) >= most)
            return sql;
        QString out = QStringLiteral("Select * From tblAttachment Where rowid IN (SELECT rowid FROM %1 WHERE %1 MATCH '%2') "
                                     "AND %3 Like '%4'")
                          .arg(table(), SqlQuote(match), column, literal);
        // The kind is tested on the candidates; read by its index it would undo the gain.
        if (!m.captured(3).isEmpty())
            out += QStringLiteral(" AND +tblFileKind=") + m.captured(3);
        return out + QStringLiteral(" ORDER BY ") + order;
    } catch (const AppError &) {
        return sql;
    }
}
