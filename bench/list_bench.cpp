// Fills catalogues of many rows and measures, in the real record list on the offscreen
// platform, in the details and the thumbnail view: the first screen, the whole list, the
// longest hold of the event loop while filling and sorting, memory per row and the peak
// while the list is shown, and the sort by name; against the sqlite3 command line running
// the same statement (and sorted the same way) or one frame of 16 ms, in the same run.
//   list_bench [rows ...]            (default: 100000 1000000)
#include "BenchCatalogue.h"
#include "ListTiming.h"

#include "store/HeapTuning.h"
#include "store/JetDialect.h"
#include "store/Services.h"
#include "store/clsCurrentDb.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    HeapTuning::apply(); // as the program does
    QApplication app(argc, argv);
    if (const int child = bench::peakChildOf(app.arguments()); child >= 0)
        return child;
    const QList<int> sizes = bench::sizesFromArgs(argc, argv);

    bench::header();
    for (int rows : sizes) {
        QTemporaryDir work(QDir::current().filePath(QStringLiteral("list-bench-XXXXXX")));
        const QString db = work.filePath(QStringLiteral("Data.mdb"));
        bench::populateCatalogue(db, rows);
        clsCurrentDb::release();
        SetAppPathOverride(work.path());
        auto cli = [&](const QString &sql) {
            return bench::timeShell(QStringLiteral("sqlite3 '%1' \"%2\" > /dev/null").arg(db, sql));
        };

        const QString all = QStringLiteral("Select * From tblAttachment Where  FolderName Like '%' And tblFileKind=3");
        const QString sql = JetDialect::translate(all);
        const bench::Baselines baselines{cli(sql), "sqlite3 command line",
                                         cli(sql + QStringLiteral(" ORDER BY FileName COLLATE NOCASE DESC")),
                                         "sqlite3, same order"};
        bench::reportList(rows, all, baselines, QString(), {QStringLiteral("--in"), work.path()});
        bench::ListWindow w;

        const QString search =
            QStringLiteral("Select * From tblAttachment Where  FileName Like '%%1%'").arg(QStringLiteral("_00012"));
        const double cliSearch = cli(JetDialect::translate(search));
        const bench::Fill found = bench::timedFill(w.list, search);
        bench::row(QStringLiteral("search %1 records by name").arg(rows).toUtf8().constData(), found.whole, cliSearch,
                   "sqlite3 command line");
        clsCurrentDb::release();
    }
    return 0;
}
