// Converting an older program's Jet catalogue against the tools a user would reach for:
// mdb-export of the table plus the sqlite3 import of its output, in the same run.
//   jet_bench [RUNS] [FILE.mdb|FILE.mdb.gz]   (default: the 100,002-record test fixture)
// Each side runs RUNS times (default 3) in turn; the median of each is reported. The
// program's rows: mkcatalogue --copy to a new file, and the in-place conversion the
// program offers on open (read, write, read back and compare, keep the Jet file).
#include "BenchUtil.h"
#include "store/JetConversion.h"
#include "store/JetSource.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <vector>

namespace {
double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1.0 : v[v.size() / 2];
}

QString quoted(const QString &path)
{
    return QLatin1Char('\'') + path + QLatin1Char('\'');
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = args.size() > 1 ? qMax(1, args.at(1).toInt()) : 3;
    const QString source = args.size() > 2 ? args.at(2) : QStringLiteral(MC_SOURCE_DIR "/tests/data/jet/bulk100k.mdb.gz");
    QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/jet-bench-XXXXXX"));
    const QString jet = dir.filePath(QStringLiteral("old.mdb"));
    if (source.endsWith(QLatin1String(".gz"))) {
        if (bench::timeShell(QStringLiteral("gzip -dc %1 > %2").arg(quoted(source), quoted(jet))) < 0)
            return 1;
    } else if (!QFile::copy(source, jet)) {
        return 1;
    }
    JetSource::setReaderProgram(QStringLiteral(MC_MKCATALOGUE));
    std::vector<double> baseline, copy, inPlace;
    for (int r = 0; r < runs; ++r) {
        const QString csv = dir.filePath(QStringLiteral("export.csv"));
        const QString db = dir.filePath(QStringLiteral("baseline.db"));
        QFile::remove(db);
        baseline.push_back(bench::timeShell(
            QStringLiteral("mdb-export %1 tblAttachment > %2 && sqlite3 %3 \".import --csv %2 tblAttachment\"")
                .arg(quoted(jet), quoted(csv), quoted(db))));

        const QString target = dir.filePath(QStringLiteral("copy.mdb"));
        QFile::remove(target);
        copy.push_back(bench::timeShell(QStringLiteral("%1 --copy %2 %3 > /dev/null")
                                            .arg(quoted(QStringLiteral(MC_MKCATALOGUE)), quoted(jet), quoted(target))));

        const QString place = dir.filePath(QStringLiteral("place/Data.mdb"));
        QDir().mkpath(dir.filePath(QStringLiteral("place/Attachment")));
        QFile::remove(place);
        QFile::copy(jet, place);
        QElapsedTimer t;
        t.start();
        try {
            const JetConversion::Result result =
                JetConversion::inPlace(place, dir.filePath(QStringLiteral("place/Attachment/")), QByteArray());
            inPlace.push_back(bench::seconds(t));
            QFile::remove(result.keptAs);
        } catch (const std::exception &e) {
            std::fprintf(stderr, "conversion failed: %s\n", e.what());
            return 1;
        }
    }
    bench::header();
    const double base = median(baseline);
    bench::row("convert 100,002 Jet records, command line", median(copy), base, "mdb-export + sqlite3");
    bench::row("convert 100,002 Jet records, on open", median(inPlace), base, "mdb-export + sqlite3");
    return 0;
}
