#include "store/GroupRunner.h"

#include "store/AppError.h"
#include "store/ProgressWindow.h"
#include "store/SystemErrorText.h"

#include <QElapsedTimer>
#include <algorithm>

namespace {
constexpr qint64 kGroupMs = 250;

int shownValue(qint64 value, qint64 total)
{
    // The bar counts in thousandths, so a count past the range of int still shows.
    return total <= 0 ? 0 : int(std::min<qint64>(1000, value * 1000 / total));
}
} // namespace

qint64 GroupRunner::nextSize(qint64 size, qint64 elapsedMs)
{
    if (elapsedMs <= 0)
        return std::min(largestGroup, size * 2);
    return std::clamp(size * kGroupMs / elapsedMs, qint64(1), largestGroup);
}

QStringList GroupRunner::Outcome::problems(const QString &left) const
{
    QStringList lines = failures;
    if (!error.isEmpty())
        lines << left + QStringLiteral(": ") + SystemErrorText::explain(error);
    return lines;
}

GroupRunner::Outcome GroupRunner::run(qint64 total, const QString &objectName, const QString &text, const Group &group)
{
    Outcome outcome;
    std::unique_ptr<ProgressWindow> window;
    if (total > firstGroup)
        window = ProgressWindow::open(objectName, text.arg(0).arg(total), 1000);
    qint64 size = firstGroup;
    for (qint64 first = 0; first < total;) {
        QElapsedTimer timer;
        timer.start();
        qint64 went = 0;
        try {
            went = group(first, std::min(size, total - first), outcome);
        } catch (const AppError &e) {
            outcome.error = e.message();
            break;
        }
        if (went <= 0)
            break;
        first += went;
        size = nextSize(went, timer.elapsed());
        if (window && first < total && !window->step(text.arg(first).arg(total), shownValue(first, total))) {
            outcome.cancelled = true;
            break;
        }
    }
    return outcome;
}
