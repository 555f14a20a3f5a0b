// Time from creating the main window to its first paint, against an empty Qt main window
// in the same run (median of repeated runs): startup_bench [runs=20]
#include "BenchUtil.h"

#include "app/mdiFrm.h"
#include "store/Services.h"

#include <QApplication>
#include <QMainWindow>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <vector>

namespace {
double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double timeWindow(const std::function<QMainWindow *()> &make)
{
    QElapsedTimer t;
    t.start();
    QMainWindow *w = make();
    w->show();
    w->grab(); // laid out and painted once
    QApplication::processEvents();
    const double s = bench::seconds(t);
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    delete w;
    return s;
}
} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? atoi(argv[1]) : 20;
    QTemporaryDir folder;
    SetAppPathOverride(folder.path());
    mdiFrm::SeedConfiguration(); // a configured program, as at every start but the first
    std::vector<double> program, baseline;
    for (int i = 0; i < runs; ++i) {
        baseline.push_back(timeWindow([] { return new QMainWindow; }));
        program.push_back(timeWindow([] { return new mdiFrm; }));
    }
    bench::header();
    bench::row("start-up to the main window", median(program), median(baseline), "empty Qt main window");
    return 0;
}
