#include "store/CheckRepairs.h"

#include "store/AppError.h"
#include "store/CheckRepair.h"
#include "store/SystemErrorText.h"

#include <QDateTime>

#include <iterator>

namespace {
using Tally = CheckRepairs::Tally;
using Step = CheckRepairs::Step;
using Outcome = CheckRepair::Outcome;

QString nameOf(const CheckReport::Record &r)
{
    return r.fileName + QStringLiteral(" (") + r.storedName + QLatin1Char(')');
}
QString nameOf(const CheckReport::File &f)
{
    return f.name;
}
QString nameOf(const CheckReport::Hash &h)
{
    return h.storedName;
}

qint64 nowSecs()
{
    return QDateTime::currentSecsSinceEpoch();
}

template <class Item, class Apply>
Tally applyEach(std::vector<Item> &items, const std::vector<int> &rows, const Step &step, Apply apply)
{
    Tally tally;
    std::vector<bool> settled(items.size(), false);
    for (size_t i = 0; i < rows.size() && step(i); ++i) {
        const size_t row = size_t(rows[i]);
        const Item &item = items[row];
        try {
            if (apply(item) == Outcome::Done)
                ++tally.done;
            else
                ++tally.changed;
            settled[row] = true;
        } catch (const AppError &e) {
            tally.failures << nameOf(item) + QStringLiteral(": ") + SystemErrorText::explain(e.message());
        }
    }
    std::vector<Item> kept;
    for (size_t i = 0; i < items.size(); ++i)
        if (!settled[i])
            kept.push_back(std::move(items[i]));
    items = std::move(kept);
    return tally;
}

// One repair per kind of finding.
Tally binMissing(CheckReport &r, const std::vector<int> &rows, const Step &step)
{
    return applyEach(r.missing, rows, step, &CheckRepair::binRecord);
}
Tally binUnsafe(CheckReport &r, const std::vector<int> &rows, const Step &step)
{
    return applyEach(r.unsafe, rows, step, &CheckRepair::binRecord);
}
Tally binOrphans(CheckReport &r, const std::vector<int> &rows, const Step &step)
{
    return applyEach(r.orphans, rows, step, [](const CheckReport::File &f) { return CheckRepair::binOrphan(f, nowSecs()); });
}
Tally removeLeftovers(CheckReport &r, const std::vector<int> &rows, const Step &step)
{
    return applyEach(r.leftovers, rows, step,
                     [](const CheckReport::File &f) { return CheckRepair::removeLeftover(f, nowSecs()); });
}
Tally acceptChanged(CheckReport &r, const std::vector<int> &rows, const Step &step)
{
    return applyEach(r.changed, rows, step, &CheckRepair::acceptHash);
}
Tally fillHashes(CheckReport &r, const std::vector<int> &rows, const Step &step)
{
    return applyEach(r.unhashed, rows, step, &CheckRepair::fillHash);
}
Tally dropBinMissing(CheckReport &r, const std::vector<int> &rows, const Step &step)
{
    return applyEach(r.binMissing, rows, step, &CheckRepair::dropBinEntry);
}
Tally adoptBinStrays(CheckReport &r, const std::vector<int> &rows, const Step &step)
{
    return applyEach(r.binStrays, rows, step, &CheckRepair::adoptBinFile);
}

struct Repair {
    const char *action;
    const char *question; // nullptr: none
    Tally (*apply)(CheckReport &, const std::vector<int> &, const Step &);
};

// In the order of CheckReport::Kind.
const Repair kRepairs[] = {
    {"移入回收站", "确定将%1 %2 个记录移入回收站?", binMissing},
    {"移入回收站", "确定将%1 %2 个无记录的副本移入回收站?", binOrphans},
    {"删除残留文件", "确定删除%1 %2 个残留的临时文件?", removeLeftovers},
    {"以当前内容为准", "确定以当前内容作为%1 %2 个副本的校验值?内容已损坏的副本将无法再被发现.", acceptChanged},
    {"补录校验值", nullptr, fillHashes},
    {"移入回收站", "确定将%1 %2 个记录移入回收站?", binUnsafe},
    {"从回收站永久删除", "确定将%1 %2 个缺少副本的记录从回收站永久删除?", dropBinMissing},
    {"列入回收站", nullptr, adoptBinStrays},
};
static_assert(std::size(kRepairs) == CheckReport::KindCount, "one repair per kind of finding");
} // namespace

QString CheckRepairs::action(CheckReport::Kind kind)
{
    return QString::fromUtf8(kRepairs[kind].action);
}

QString CheckRepairs::question(CheckReport::Kind kind)
{
    return kRepairs[kind].question ? QString::fromUtf8(kRepairs[kind].question) : QString();
}

CheckRepairs::Tally CheckRepairs::apply(CheckReport &report, CheckReport::Kind kind, const std::vector<int> &rows,
                                        const Step &step)
{
    return kRepairs[kind].apply(report, rows, step);
}
