// Fills catalogues of many rows and measures, in the real record list on the offscreen
// platform, the time from sending a statement to a filled list, against the sqlite3
// command line running the same statement in the same run.
//   list_bench [rows ...]            (default: 100000 1000000)
#include "BenchCatalogue.h"
#include "FillTiming.h"

#include "browse/RecordList.h"
#include "store/JetDialect.h"
#include "store/Services.h"
#include "store/clsCurrentDb.h"

#include <QApplication>
#include <QDir>
#include <QTableView>
#include <QTemporaryDir>
#include <malloc.h>

namespace {
size_t heapInUse()
{
    malloc_trim(0);
    return mallinfo2().uordblks;
}

struct Result {
    double program;
    double cli;
    double bytesPerRow;
};

Result measure(RecordList &list, const QString &db, const QString &jet)
{
    const double cli =
        bench::timeShell(QStringLiteral("sqlite3 '%1' \"%2\" > /dev/null").arg(db, JetDialect::translate(jet)));
    list.model()->clear();
    const size_t before = heapInUse();
    const double program = bench::fillList(list, jet);
    const size_t after = heapInUse();
    const int rows = qMax(1, list.model()->rowCount());
    return {program, cli, double(after > before ? after - before : 0) / rows};
}
} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QList<int> sizes = bench::sizesFromArgs(argc, argv);

    bench::header();
    for (int rows : sizes) {
        QTemporaryDir work(QDir::current().filePath(QStringLiteral("list-bench-XXXXXX")));
        const QString db = work.filePath(QStringLiteral("Data.mdb"));
        bench::populateCatalogue(db, rows);
        clsCurrentDb::release();
        SetAppPathOverride(work.path());

        QWidget owner;
        RecordList list(&owner, {});
        list.lvw->resize(900, 600);
        owner.resize(900, 600);
        owner.show();

        const QByteArray label = QStringLiteral("list %1 records").arg(rows).toUtf8();
        Result all =
            measure(list, db, QStringLiteral("Select * From tblAttachment Where  FolderName Like '%' And tblFileKind=3"));
        bench::row(label.constData(), all.program, all.cli, "sqlite3 command line");
        std::printf("%-44s %10.0f bytes per listed row\n", "", all.bytesPerRow);

        const QByteArray searchLabel = QStringLiteral("search %1 records by name").arg(rows).toUtf8();
        Result search =
            measure(list, db,
                    QStringLiteral("Select * From tblAttachment Where  FileName Like '%%1%'").arg(QStringLiteral("_00012")));
        bench::row(searchLabel.constData(), search.program, search.cli, "sqlite3 command line");
        clsCurrentDb::release();
    }
    return 0;
}
