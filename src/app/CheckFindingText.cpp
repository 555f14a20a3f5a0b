#include "app/CheckFindingText.h"

#include "store/CheckProgress.h"

#include <QDateTime>
#include <QLocale>

namespace {
const char *const kTitles[CheckReport::KindCount] = {
    "缺少副本的记录",   "无记录的副本",     "残留的临时文件",         "内容已改变的副本",
    "缺少校验值的副本", "名称不安全的记录", "回收站中缺少副本的记录", "回收站文件夹中无记录的文件"};

QString modified(const FileStamp &stamp)
{
    return QDateTime::fromSecsSinceEpoch(stamp.modifiedSecs()).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QStringList recordRow(const CheckReport::Record &r)
{
    return {r.fileName, r.category, r.description, r.date, r.storedName};
}

QStringList fileRow(const CheckReport::File &f, bool leftover)
{
    QStringList row{f.name, CheckFindingText::bytes(f.stamp.size()), modified(f.stamp)};
    if (leftover)
        row << (f.temporary ? QStringLiteral("导入临时文件") : QStringLiteral("空的预留文件"));
    return row;
}

QStringList plainFileRow(const CheckReport::File &f)
{
    return fileRow(f, false);
}

QStringList leftoverRow(const CheckReport::File &f)
{
    return fileRow(f, true);
}

QStringList hashRow(const CheckReport::Hash &h)
{
    return {h.storedName, h.fileName, CheckFindingText::bytes(h.stamp.size()),
            h.recorded.isEmpty() ? QStringLiteral("(无)") : h.recorded, h.current};
}

template <class Item> std::vector<QStringList> rowsOf(const std::vector<Item> &items, QStringList (*row)(const Item &))
{
    std::vector<QStringList> rows;
    rows.reserve(items.size());
    for (const Item &item : items)
        rows.push_back(row(item));
    return rows;
}
} // namespace

QString CheckFindingText::title(CheckReport::Kind kind)
{
    return QString::fromUtf8(kTitles[kind]);
}

QString CheckFindingText::bytes(qint64 bytes)
{
    return QLocale::system().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

std::vector<QStringList> CheckFindingText::rows(const CheckReport &report, CheckReport::Kind kind)
{
    switch (kind) {
    case CheckReport::Missing: return rowsOf(report.missing, recordRow);
    case CheckReport::Unsafe: return rowsOf(report.unsafe, recordRow);
    case CheckReport::Orphan: return rowsOf(report.orphans, plainFileRow);
    case CheckReport::Leftover: return rowsOf(report.leftovers, leftoverRow);
    case CheckReport::BinMissing: return rowsOf(report.binMissing, recordRow);
    case CheckReport::BinStray: return rowsOf(report.binStrays, plainFileRow);
    case CheckReport::Changed: return rowsOf(report.changed, hashRow);
    case CheckReport::Unhashed: return rowsOf(report.unhashed, hashRow);
    case CheckReport::KindCount: break;
    }
    return {};
}

QString CheckFindingText::progress(const CheckProgress &p, qint64 records, int *fraction)
{
    const qint64 done = p.done, total = p.total;
    *fraction = total > 0 ? int(qMin<qint64>(1000, done * 1000 / total)) : 0;
    switch (p.phase.load()) {
    case CheckProgress::Listing: *fraction = -1; return QStringLiteral("正在读取附件文件夹...已读 %1 项").arg(done);
    case CheckProgress::Matching: return QStringLiteral("正在核对 %1 个记录与附件文件夹中的文件...").arg(records);
    case CheckProgress::Hashing: return QStringLiteral("正在校验内容...%1 / %2").arg(bytes(done), bytes(total));
    default: return {};
    }
}

QString CheckFindingText::summary(const CheckReport &report)
{
    QString text = QStringLiteral("检查完成:%1 个记录,附件文件夹中 %2 个文件").arg(report.records).arg(report.files);
    if (report.hashed)
        text += QStringLiteral(",校验了 %1").arg(bytes(report.hashedBytes));
    text +=
        report.findings() == 0 ? QStringLiteral(".未发现问题.") : QStringLiteral(";发现 %1 个问题.").arg(report.findings());
    if (report.recent > 0)
        text += QStringLiteral("另有 %1 个一小时内新建、尚无记录的文件未作判断(可能正在导入).").arg(report.recent);
    return text;
}
