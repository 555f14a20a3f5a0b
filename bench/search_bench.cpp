// A search by part of a file name on the file engine, through the catalogue's trigram index,
// against the same statement read by the scan (the engine's own, and the sqlite3 command
// line's) in the same run; and the first open of a catalogue made before the index, which
// builds it in groups while another program writes a row every 100 ms.
//   search_bench [rows ...]          (default: 100000 1000000)
#include "BenchCatalogue.h"
#include "BenchUtil.h"

#include "store/HeapTuning.h"
#include "store/JetDialect.h"
#include "store/RowTable.h"
#include "store/Services.h"
#include "store/SqliteEngine.h"
#include "store/clsCurrentDb.h"

#include <QCoreApplication>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <thread>

namespace {
// The best of three runs, in seconds; `rows` gets how many rows the last run found.
template <class F> double best(F run, qint64 *rows)
{
    double out = 1e9;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        *rows = run();
        out = qMin(out, bench::seconds(t));
    }
    return out;
}

// A program that knows nothing of the index removes it, as catalogues were before it.
void forgetIndex(const QString &path)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("older"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        for (const char *sql :
             {"DROP TRIGGER trgTrigramInsert", "DROP TRIGGER trgTrigramDelete", "DROP TRIGGER trgTrigramUpdate",
              "DROP TABLE tblAttachmentTrigram", "DELETE FROM tblCatalogue WHERE Name='SearchIndex'", "VACUUM"})
            q.exec(QString::fromLatin1(sql));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("older"));
}

// Writes one row every 100 ms from a connection of its own until stopped; returns the
// longest time one write waited for the lock, in seconds.
double writeMeanwhile(const QString &path, const std::atomic_bool &stop)
{
    double longest = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("writer"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
        db.open();
        QSqlQuery q(db);
        for (int i = 0; !stop; ++i) {
            QElapsedTimer t;
            t.start();
            q.exec(QStringLiteral(
                       "INSERT INTO tblAttachment (FileName,SaveFileName,tblFileKind) VALUES ('late_%1.jpg','late%1',3)")
                       .arg(i));
            longest = qMax(longest, bench::seconds(t));
            QThread::msleep(100);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("writer"));
    return longest;
}
} // namespace

int main(int argc, char *argv[])
{
    HeapTuning::apply(); // as the program does
    QCoreApplication app(argc, argv);
    const QList<int> sizes = bench::sizesFromArgs(argc, argv);

    bench::header();
    const QString jet = QStringLiteral("Select * From tblAttachment Where  FileName Like '%_00012%'");
    for (int rows : sizes) {
        QTemporaryDir work(QDir::current().filePath(QStringLiteral("search-bench-XXXXXX")));
        const QString db = work.filePath(QStringLiteral("Data.mdb"));
        bench::populateCatalogue(db, rows);
        clsCurrentDb::release();
        SetAppPathOverride(work.path());

        std::shared_ptr<Engine> engine = CurrentDb().engine();
        const QString scan = JetDialect::translate(jet);
        if (engine->indexed(scan) == scan) {
            std::fprintf(stderr, "the index does not answer the search\n");
            return 1;
        }
        qint64 found = 0, scanned = 0;
        const double indexed = best([&] { return CurrentDb().OpenRecordset(jet).RecordCount(); }, &found);
        const double unindexed = best(
            [&] {
                RowTable out;
                out.expectAddresses();
                engine->execute(
                    QStringLiteral("Select rowid AS mc_rowid, * From tblAttachment Where  FileName Like '%_00012%'"), {},
                    &out);
                return out.count();
            },
            &scanned);
        if (found != scanned) {
            std::fprintf(stderr, "the index found %lld rows, the scan %lld\n", found, scanned);
            return 1;
        }
        const double cli = bench::timeShell(
            QStringLiteral("sqlite3 -cmd 'PRAGMA case_sensitive_like=ON' '%1' \"%2\" > /dev/null").arg(db, scan));
        std::fprintf(stderr, "  (%lld rows found; sqlite3 command line scan %.4f s)\n", found, cli);
        bench::row(QStringLiteral("search %1 records by name, indexed").arg(rows).toUtf8().constData(), indexed, unindexed,
                   "same search, scan");
        bench::row(QStringLiteral("search %1 records by name, indexed").arg(rows).toUtf8().constData(), indexed, cli,
                   "sqlite3 command line");
        clsCurrentDb::release();

        // The first open of the same catalogue as it was before the index.
        forgetIndex(db);
        std::atomic_bool stop{false};
        double longestWait = 0;
        std::thread writer([&] { longestWait = writeMeanwhile(db, stop); });
        QElapsedTimer t;
        t.start();
        auto *file = dynamic_cast<SqliteEngine *>(CurrentDb().engine().get());
        const double opened = bench::seconds(t);
        const bool ready = file && file->waitForSearchIndex();
        const double built = bench::seconds(t);
        stop = true;
        writer.join();
        clsCurrentDb::release();
        if (!ready) {
            std::fprintf(stderr, "the index was not built\n");
            return 1;
        }
        std::printf("%-44s %10.3f s to open, index built in %.1f s\n", "", opened, built);
        bench::row(QStringLiteral("longest write wait, index build of %1").arg(rows).toUtf8().constData(), longestWait, 0.1,
                   "one write every 100 ms");
    }
    return 0;
}
