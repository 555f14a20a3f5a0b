#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

// Small helpers shared by the benchmark programs.
namespace bench {

inline double seconds(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e9;
}

// Peak resident memory of this process so far, in MiB.
inline double peakMiB()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

// Runs a shell command and returns its wall time in seconds (-1 when it failed).
inline double timeShell(const QString &command)
{
    QElapsedTimer t;
    t.start();
    const int rc = QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    return rc == 0 ? seconds(t) : -1.0;
}

inline void row(const char *what, double program, double baseline, const char *baselineName)
{
    std::printf("%-44s %10.4f s %10.4f s  %-22s %6.2fx\n", what, program, baseline, baselineName,
                baseline > 0 ? program / baseline : 0.0);
    std::fflush(stdout);
}

inline void header()
{
    std::printf("%-44s %12s %12s  %-22s %7s\n", "measurement", "program", "baseline", "baseline is", "ratio");
}

// Catalogue sizes named on the command line, else 100,000 and 1,000,000 records.
inline QList<int> sizesFromArgs(int argc, char *argv[])
{
    QList<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes << atoi(argv[i]);
    return sizes.isEmpty() ? QList<int>{100000, 1000000} : sizes;
}

} // namespace bench
