#include "store/CatalogueSchema.h"

#include "store/AppError.h"
#include "store/CatalogueLocation.h"
#include "store/DbError.h"
#include "store/Engine.h"
#include "store/RowTable.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <sqlite3.h>

namespace {
const QString kPlaceholder = QStringLiteral("Placeholder");

QStringList tablesOf(Engine &engine)
{
    RowTable rows;
    if (engine.dialect() == Engine::Dialect::Sqlite)
        engine.execute(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'"), {}, &rows);
    else
        engine.execute(QStringLiteral("SELECT tablename FROM pg_tables WHERE schemaname = current_schema()"), {}, &rows);
    QStringList names;
    for (qint64 r = 0; r < rows.count(); ++r)
        names << rows.row(r)[0].toString().toLower();
    return names;
}

// A new file gets the main table from an SQL connection of its own, before any engine
// can open it (an engine refuses a file without the table).
void createFile(const QString &path)
{
    if (QFileInfo::exists(path))
        throw AppError(QStringLiteral("%1 已存在,未替换").arg(path));
    const QString conn = QStringLiteral("mc-schema-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        db.setDatabaseName(path);
        if (!db.open()) {
            failure = db.lastError().text();
        } else {
            const QStringList statements = {
                QStringLiteral("PRAGMA journal_mode=DELETE"),
                QStringLiteral("CREATE TABLE tblAttachment ("
                               "Currentinfo TEXT, "
                               "[Date] TEXT DEFAULT (strftime('%Y-%m-%d %H:%M:%S','now','localtime')), "
                               "FileName TEXT, FolderName TEXT, SaveFileName TEXT, tblFileKind INTEGER)"),
            };
            for (const QString &sql : statements) {
                QSqlQuery q(db);
                if (!q.exec(sql)) {
                    failure = q.lastError().text() + QStringLiteral(" (") + sql + QLatin1Char(')');
                    break;
                }
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(conn);
    if (!failure.isEmpty())
        throw DbError::inDatabase(failure, path, QString());
}
} // namespace

QStringList CatalogueSchema::statements(Engine &engine, bool withMainTable)
{
    QStringList out;
    if (engine.dialect() == Engine::Dialect::Sqlite) {
        if (withMainTable)
            out << QStringLiteral("CREATE TABLE IF NOT EXISTS tblAttachment (Currentinfo TEXT, "
                                  "[Date] TEXT DEFAULT (strftime('%Y-%m-%d %H:%M:%S','now','localtime')), "
                                  "FileName TEXT, FolderName TEXT, SaveFileName TEXT, tblFileKind INTEGER)")
                << QStringLiteral("CREATE INDEX IF NOT EXISTS idxSaveFileName ON tblAttachment(SaveFileName)")
                << QStringLiteral("CREATE INDEX IF NOT EXISTS idxKindFolder ON tblAttachment(tblFileKind, FolderName)")
                << QStringLiteral("CREATE INDEX IF NOT EXISTS idxFileNameFolder ON tblAttachment(FileName, FolderName)");
        out << QStringLiteral("CREATE TABLE IF NOT EXISTS tblContentHash (SaveFileName TEXT NOT NULL, Sha256 TEXT NOT NULL)")
            << QStringLiteral("CREATE INDEX IF NOT EXISTS idxContentHash ON tblContentHash(Sha256)")
            << QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS idxContentHashName ON tblContentHash(SaveFileName)")
            << QStringLiteral("CREATE TABLE IF NOT EXISTS tblRecycleBin (Currentinfo TEXT, [Date] TEXT, FileName TEXT, "
                              "FolderName TEXT, SaveFileName TEXT, tblFileKind INTEGER, DeletedAt TEXT, BinFile TEXT)")
            << QStringLiteral("CREATE TABLE IF NOT EXISTS tblCatalogue (Name TEXT PRIMARY KEY, Value TEXT)");
        return out;
    }
    // Text compares byte by byte ("C"), as in the file engine: the same rows in the same
    // order whatever the server's language settings.
    const QString text = QStringLiteral("TEXT COLLATE \"C\"");
    if (withMainTable)
        out << QStringLiteral("CREATE TABLE IF NOT EXISTS tblAttachment (Currentinfo %1, "
                              "\"date\" %1 DEFAULT to_char(localtimestamp(0), 'YYYY-MM-DD HH24:MI:SS'), "
                              "FileName %1, FolderName %1, SaveFileName %1, tblFileKind INTEGER)")
                   .arg(text)
            << QStringLiteral("CREATE INDEX IF NOT EXISTS idxSaveFileName ON tblAttachment(SaveFileName)")
            << QStringLiteral("CREATE INDEX IF NOT EXISTS idxKindFolder ON tblAttachment(tblFileKind, FolderName)")
            << QStringLiteral("CREATE INDEX IF NOT EXISTS idxFileNameFolder ON tblAttachment(FileName, FolderName)");
    out << QStringLiteral("CREATE TABLE IF NOT EXISTS tblContentHash (SaveFileName %1 NOT NULL, Sha256 %1 NOT NULL)")
               .arg(text)
        << QStringLiteral("CREATE INDEX IF NOT EXISTS idxContentHash ON tblContentHash(Sha256)")
        << QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS idxContentHashName ON tblContentHash(SaveFileName)")
        << QStringLiteral("CREATE TABLE IF NOT EXISTS tblRecycleBin (Currentinfo %1, \"date\" %1, FileName %1, "
                          "FolderName %1, SaveFileName %1, tblFileKind INTEGER, DeletedAt %1, BinFile %1)")
               .arg(text)
        << QStringLiteral("CREATE TABLE IF NOT EXISTS tblCatalogue (Name %1 PRIMARY KEY, Value %1)").arg(text);
    return out;
}

bool CatalogueSchema::create(const QString &location)
{
    const bool server = CatalogueLocation::isServer(location);
    if (!server)
        createFile(location);
    std::shared_ptr<Engine> engine = CatalogueLocation::engineFor(location);
    if (server)
        engine->openForSetup();
    else
        engine->open();
    const bool made = !server || !tablesOf(*engine).contains(QStringLiteral("tblattachment"));
    engine->begin();
    for (const QString &sql : statements(*engine, true))
        engine->execute(sql);
    engine->commit();
    if (server) {
        // Searches for part of a name use a trigram index where the server offers one.
        try {
            engine->execute(QStringLiteral("CREATE EXTENSION IF NOT EXISTS pg_trgm"));
            engine->execute(QStringLiteral(
                "CREATE INDEX IF NOT EXISTS idxFileNameTrigram ON tblAttachment USING gin (FileName gin_trgm_ops)"));
        } catch (const DbError &) {
            // Without the extension a search reads the whole table; it still finds the same rows.
        }
    }
    ensureSideTables(*engine);
    identity(*engine);
    engine->close();
    return made;
}

void CatalogueSchema::markPlaceholder(const QString &location)
{
    std::shared_ptr<Engine> engine = CatalogueLocation::engineFor(location);
    engine->open();
    claim(*engine, kPlaceholder, QStringLiteral("build"));
    engine->close();
}

bool CatalogueSchema::isUnusedPlaceholder(const QString &path)
{
    // Read without the engine: nothing is written, and a file that is not a catalogue is
    // simply not the build's.
    sqlite3 *db = nullptr;
    bool unused = false;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 2000);
        sqlite3_stmt *st = nullptr;
        const char *sql = "SELECT (SELECT Value FROM tblCatalogue WHERE Name='Placeholder') = 'build' "
                          "AND NOT EXISTS (SELECT 1 FROM tblAttachment) AND NOT EXISTS (SELECT 1 FROM tblRecycleBin)";
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            unused = sqlite3_column_int(st, 0) == 1;
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return unused;
}

void CatalogueSchema::requireShape(Engine &engine)
{
    RowTable rows; // name, whether a row must give it a value
    if (engine.dialect() == Engine::Dialect::Sqlite)
        engine.execute(QStringLiteral("SELECT name, \"notnull\" AND dflt_value IS NULL AND pk = 0 "
                                      "FROM pragma_table_info('tblAttachment')"),
                       {}, &rows);
    else
        engine.execute(QStringLiteral("SELECT attname, attnotnull AND NOT atthasdef AND attidentity = '' FROM pg_attribute "
                                      "WHERE attrelid = to_regclass('tblattachment') AND attnum > 0 AND NOT attisdropped"),
                       {}, &rows);
    QStringList missing = CatalogueSchema::mainColumns();
    QStringList required;
    for (qint64 r = 0; r < rows.count(); ++r) {
        const QString name = rows.row(r)[0].toString();
        const qsizetype before = missing.size();
        missing.removeIf([&](const QString &c) { return c.compare(name, Qt::CaseInsensitive) == 0; });
        if (missing.size() < before)
            continue;
        if (rows.row(r)[1].toBool())
            required << name;
    }
    auto refuse = [&](const QString &problem) {
        throw AppError(QStringLiteral("%1 不是文件目录数据库: %2,未作任何更改").arg(engine.displayName(), problem));
    };
    if (!missing.isEmpty())
        refuse(QStringLiteral("表 tblAttachment 缺少列 %1").arg(missing.join(QStringLiteral(", "))));
    if (!required.isEmpty())
        refuse(QStringLiteral("表 tblAttachment 的列 %1 要求填写,本程序不写它们").arg(required.join(QStringLiteral(", "))));
}

QStringList CatalogueSchema::mainColumns()
{
    return {QStringLiteral("Currentinfo"), QStringLiteral("Date"),         QStringLiteral("FileName"),
            QStringLiteral("FolderName"),  QStringLiteral("SaveFileName"), QStringLiteral("tblFileKind")};
}

void CatalogueSchema::ensureSideTables(Engine &engine)
{
    const QStringList present = tablesOf(engine);
    engine.setTables(present);
    if (present.contains(QStringLiteral("tblcontenthash")) && present.contains(QStringLiteral("tblrecyclebin")) &&
        present.contains(QStringLiteral("tblcatalogue")))
        return;
    try {
        engine.begin();
        for (const QString &sql : statements(engine, false))
            engine.execute(sql);
        engine.commit();
    } catch (const AppError &) {
        // A catalogue that cannot be written (read-only file or role) keeps working without.
        try {
            engine.rollback();
        } catch (const AppError &) {
        }
    }
    engine.setTables(tablesOf(engine));
}

bool CatalogueSchema::hasTable(Engine &engine, const QString &name)
{
    return engine.tables().contains(name.toLower());
}

QString CatalogueSchema::identity(Engine &engine)
{
    return claim(engine, QStringLiteral("Identity"), QUuid::createUuid().toString(QUuid::WithoutBraces));
}

QString CatalogueSchema::claim(Engine &engine, const QString &name, const QString &proposed)
{
    if (!hasTable(engine, QStringLiteral("tblCatalogue")))
        return {};
    auto read = [&] {
        RowTable rows;
        engine.execute(QStringLiteral("SELECT Value FROM tblCatalogue WHERE Name=?"), {name}, &rows);
        return rows.count() > 0 ? rows.row(0)[0].toString() : QString();
    };
    const QString stored = read();
    if (!stored.isEmpty() || proposed.isEmpty())
        return stored;
    try {
        // Two programs may propose at once: the key lets only the first one in.
        engine.execute(QStringLiteral("INSERT INTO tblCatalogue (Name, Value) SELECT ?, ? WHERE NOT EXISTS "
                                      "(SELECT 1 FROM tblCatalogue WHERE Name=?)"),
                       {name, proposed, name});
    } catch (const AppError &) {
        // The other program's value is read below; a catalogue that cannot be written has none.
    }
    return read();
}
