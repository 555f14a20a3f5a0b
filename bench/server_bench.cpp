// A catalogue on a PostgreSQL server (the PG* variables name it; run it under pg_virtualenv):
//   server_bench [rows ...]          (default: 100000 1000000)
// - listing the records of a kind in the details and the thumbnail view (the first screen,
//   the whole list, the longest hold of the event loop), memory, and the sort by name,
//   against psql copying the same rows out ("\copy (select ...) to stdout"), sorted the
//   same way for the sort, or one frame of 16 ms, in the same run;
// - searching by part of a name with the trigram index against the same search without it.
#include "ListTiming.h"

#include "browse/RecordList.h"
#include "store/CatalogueSchema.h"
#include "store/Engine.h"
#include "store/HeapTuning.h"
#include "store/JetDialect.h"
#include "store/PostgresEngine.h"
#include "store/Services.h"
#include "store/clsCurrentDb.h"

#include <QApplication>
#include <QDir>
#include <QTableView>
#include <QTemporaryDir>

namespace {
void onServer(const QString &sql)
{
    PostgresEngine admin(QStringLiteral("postgresql:///"));
    admin.openForSetup();
    admin.execute(sql);
    admin.close();
}

// A fresh catalogue of `rows` picture records in its own database; returns its address.
QString populate(const QString &database, int rows)
{
    onServer(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(database));
    onServer(QStringLiteral("CREATE DATABASE %1").arg(database));
    const QString uri = QStringLiteral("postgresql:///") + database;
    CatalogueSchema::create(uri);
    PostgresEngine engine(uri);
    engine.open();
    engine.execute(
        QStringLiteral(
            "INSERT INTO tblAttachment (Currentinfo, \"date\", FileName, FolderName, SaveFileName, tblFileKind) "
            "SELECT '新导入文件', '2010-' || lpad((1 + i % 12)::text, 2, '0') || '-' || lpad((1 + i % 28)::text, 2, '0') || "
            "' 12:00:00', 'IMG_' || lpad(i::text, 7, '0') || '.jpg', '旅行' || (i % 50), '2010010112000011' || i || '.jpg', "
            "3 "
            "FROM generate_series(0, ?) AS i"),
        {rows - 1});
    engine.execute(QStringLiteral("ANALYZE tblAttachment"));
    engine.close();
    return uri;
}

void pointAt(const QString &uri, const QString &folder)
{
    clsCurrentDb::release();
    SetAppPathOverride(folder);
    QDir(folder).mkpath(QStringLiteral("Attachment"));
    QFile ini(folder + QStringLiteral("/UserDefault.ini"));
    ini.open(QIODevice::WriteOnly);
    ini.write(QStringLiteral("[UserDefault]\r\nDataBaseFilePath=%1\r\nAttachmentPath=%2/Attachment\r\n")
                  .arg(uri, folder)
                  .toUtf8());
}
} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    HeapTuning::apply(); // as the program does
    QApplication app(argc, argv);
    if (const int child = bench::peakChildOf(app.arguments()); child >= 0)
        return child;
    if (qEnvironmentVariableIsEmpty("PGHOST") && qEnvironmentVariableIsEmpty("PGPORT")) {
        std::fprintf(stderr, "server_bench: no server named by PGHOST/PGPORT (run it under pg_virtualenv)\n");
        return 2;
    }
    const QList<int> sizes = bench::sizesFromArgs(argc, argv);
    QTemporaryDir work(QDir::current().filePath(QStringLiteral("server-bench-XXXXXX")));
    bench::header();

    for (int rows : sizes) {
        const QString uri = populate(QStringLiteral("mc_bench_list"), rows);
        pointAt(uri, work.path());
        CurrentDb().engine(); // a running program has its connection open; psql makes its own
        auto copy = [](const QString &sql) {
            return bench::timeShell(QStringLiteral("psql -qX -d mc_bench_list -c \"\\\\copy (%1) to stdout\" > /dev/null")
                                        .arg(QString(sql).replace(QLatin1Char('"'), QLatin1String("\\\""))));
        };
        const QString all = QStringLiteral("Select * From tblAttachment Where  FolderName Like '%' And tblFileKind=3");
        const QString sql = JetDialect::translate(all, Engine::Dialect::Postgres);
        const bench::Baselines baselines{copy(sql), "psql \\copy",
                                         copy(sql + QStringLiteral(" ORDER BY lower(FileName) DESC")),
                                         "psql \\copy, same order"};
        {
            bench::reportList(rows, all, baselines, QStringLiteral(", server"), {QStringLiteral("--in"), work.path()});
            bench::ListWindow w;

            const QString search = QStringLiteral("Select * From tblAttachment Where  FileName Like '%0012345%'");
            bench::timedFill(w.list, search); // the index and the table are read once before either is timed
            const double indexed = bench::timedFill(w.list, search).whole;
            CurrentDb().engine()->execute(QStringLiteral("DROP INDEX idxFileNameTrigram"));
            const double scanned = bench::timedFill(w.list, search).whole;
            bench::row(qPrintable(QStringLiteral("search %1 records by name, server").arg(rows)), indexed, scanned,
                       "same search, no index");
        }
        clsCurrentDb::release();
        onServer(QStringLiteral("DROP DATABASE mc_bench_list"));
    }
    return 0;
}
