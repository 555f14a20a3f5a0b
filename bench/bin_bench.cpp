// Deleting into the bin, restoring and binning a category of many records in a big
// catalogue on the file engine, in groups as the windows do, against the same rows moved
// by two plain statements in the sqlite3 command line (on a copy of the catalogue). Also
// the longest time between two progress steps: how long Cancel may wait.
//   bin_bench [records] [operated]      (default: 1000000 and 10000)
#include "BenchCatalogue.h"
#include "BenchUtil.h"

#include "store/Categories.h"
#include "store/Engine.h"
#include "store/HeapTuning.h"
#include "store/ProgressWindow.h"
#include "store/RecordDeletion.h"
#include "store/RecycleBin.h"
#include "store/RowCheck.h"
#include "store/RowTable.h"
#include "store/Services.h"
#include "store/clsCurrentDb.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace {
double longestStep = 0;

// Counts nothing, cancels nothing: keeps the longest time between two steps.
struct TimedProgress : ProgressWindow {
    QElapsedTimer since;
    TimedProgress() { since.start(); }
    bool step(const QString &, int) override
    {
        longestStep = std::max(longestStep, bench::seconds(since));
        since.restart();
        return true;
    }
};

QString columns()
{
    return QStringLiteral("Currentinfo, Date, FileName, FolderName, SaveFileName, tblFileKind");
}

// The same rows moved by the command line, on a copy so that the program's run is not disturbed.
double baseline(const QString &db, const QString &from, const QString &to, const QString &where)
{
    const QString copy = db + QStringLiteral(".baseline");
    QFile::remove(copy);
    QFile::copy(db, copy);
    const QString extra = to == QLatin1String("tblRecycleBin") ? QStringLiteral(", DeletedAt, BinFile") : QString();
    const QString values =
        to == QLatin1String("tblRecycleBin") ? QStringLiteral(", '2026-01-01 00:00:00', SaveFileName") : QString();
    const double t = bench::timeShell(
        QStringLiteral("sqlite3 '%1' \"BEGIN; INSERT INTO %2 (%3%4) SELECT %3%5 FROM %6 WHERE %7; DELETE FROM %6 WHERE "
                       "%7; COMMIT;\"")
            .arg(copy, to, columns(), extra, values, from, where));
    QFile::remove(copy);
    return t;
}

void report(const QString &what, double program, double base, qint64 done, qint64 expected)
{
    if (done != expected)
        qFatal("%s: %lld of %lld done", qPrintable(what), qlonglong(done), qlonglong(expected));
    bench::row(what.toUtf8().constData(), program, base, "sqlite3 two statements");
}
} // namespace

int main(int argc, char *argv[])
{
    HeapTuning::apply(); // as the program does
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? atoi(argv[1]) : 1000000;
    const int operated = argc > 2 ? atoi(argv[2]) : 10000;
    const int every = std::max(1, records / operated);

    QTemporaryDir work(QDir::current().filePath(QStringLiteral("bin-bench-XXXXXX")));
    const QString db = work.filePath(QStringLiteral("Data.mdb"));
    bench::populateCatalogue(db, records);
    const QString attachments = work.filePath(QStringLiteral("Attachment/"));
    QDir().mkpath(attachments);
    for (int i = 0; i < records; i += every) {
        const int fd = ::open(QFile::encodeName(attachments + bench::storedName(i)).constData(), O_CREAT | O_WRONLY, 0644);
        if (fd < 0 || ::write(fd, "x", 1) != 1)
            qFatal("cannot write a copy");
        ::close(fd);
    }
    SetAppPathOverride(work.path());
    ProgressWindow::setMaker([](const QString &, const QString &, int) -> std::unique_ptr<ProgressWindow> {
        return std::make_unique<TimedProgress>();
    });
    Engine &engine = *CurrentDb().engine();

    // The records chosen as a list shows them: one in `every`.
    const QString chosen = QStringLiteral("rowid % %1 = 1").arg(every);
    RowTable rows;
    engine.execute(QStringLiteral("SELECT rowid, SaveFileName, FileName FROM tblAttachment WHERE ") + chosen, {}, &rows);
    std::vector<RecordDeletion::Listed> listed;
    for (int r = 0; r < rows.count(); ++r) {
        RecordDeletion::Listed l;
        l.storedName = rows.row(r)[1].toString();
        l.address = rows.row(r)[0];
        l.fileName = rows.row(r)[2].toString();
        l.copyPath = attachments + l.storedName;
        RowCheck::read(QStringLiteral("rowid=%1").arg(l.address.toLongLong()), RecordDeletion::shownFields(), &l.shown);
        listed.push_back(l);
    }
    bench::header();
    const QString label = QStringLiteral("%1 of %2 records: ").arg(listed.size()).arg(records);

    double base = baseline(db, QStringLiteral("tblAttachment"), QStringLiteral("tblRecycleBin"), chosen);
    QElapsedTimer t;
    t.start();
    GroupRunner::Outcome outcome = RecordDeletion::removeMany(listed);
    report(label + QStringLiteral("delete into bin"), bench::seconds(t), base, outcome.done, qint64(listed.size()));
    const double deleteStep = longestStep;

    longestStep = 0;
    const QVector<RecycleBin::Entry> entries = RecycleBin::entries();
    base = baseline(db, QStringLiteral("tblRecycleBin"), QStringLiteral("tblAttachment"), QStringLiteral("1=1"));
    t.restart();
    outcome = RecycleBin::restoreMany(entries);
    report(label + QStringLiteral("restore"), bench::seconds(t), base, outcome.done, entries.size());
    const double restoreStep = longestStep;

    longestStep = 0;
    const qint64 moved =
        engine.execute(QStringLiteral("UPDATE tblAttachment SET FolderName = 'bench-bin' WHERE rowid % %1 = 2").arg(every));
    const QString category = QStringLiteral("FolderName = 'bench-bin' AND tblFileKind = 3");
    base = baseline(db, QStringLiteral("tblAttachment"), QStringLiteral("tblRecycleBin"), category);
    t.restart();
    outcome = Categories::remove(QStringLiteral("bench-bin"), 3);
    report(label + QStringLiteral("bin a category"), bench::seconds(t), base, outcome.done, moved);
    const double categoryStep = longestStep;

    bench::row(qPrintable(label + QStringLiteral("longest wait for Cancel (delete)")), deleteStep, 1.0, "one second");
    bench::row(qPrintable(label + QStringLiteral("longest wait for Cancel (restore)")), restoreStep, 1.0, "one second");
    bench::row(qPrintable(label + QStringLiteral("longest wait for Cancel (category)")), categoryStep, 1.0, "one second");
    clsCurrentDb::release();
    return 0;
}
