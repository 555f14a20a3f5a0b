#include "store/JetOnOpen.h"

#include "store/AppError.h"
#include "store/ConversionCancelled.h"
#include "store/ConversionLock.h"
#include "store/Dialogs.h"
#include "store/IniFile.h"
#include "store/JetConversion.h"
#include "store/JetSource.h"
#include "store/ProgressWindow.h"
#include "store/Services.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <memory>

namespace {
// Files asked about in this run, with why each is not usable: the question comes once,
// later statements are told the same.
QHash<QString, QString> g_refused;

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString notUsable(const QString &path)
{
    return QStringLiteral("数据库 %1 是旧版程序的 Jet 数据库, 未转换, 本程序不能直接使用它 (重新启动程序可再次选择转换)")
        .arg(shown(path));
}

class ConversionProgress {
public:
    ConversionProgress(const QString &path)
        : window_(ProgressWindow::open(QStringLiteral("convertProgress"), QStringLiteral("正在转换 %1 ...").arg(shown(path)),
                                       300))
    {
    }

    bool step(JetConversion::Phase phase, qint64 done, qint64 total)
    {
        if (!window_)
            return true;
        static const char *const labels[] = {"正在读取", "正在写入", "正在核对"};
        // Three phases share the bar, each a third, whatever the number of records.
        const int part = total > 0 ? int(qMin<qint64>(100, done * 100 / total)) : 0;
        return window_->step(
            QStringLiteral("%1 %2 / %3 条记录 ...").arg(QString::fromUtf8(labels[phase])).arg(done).arg(total),
            int(phase) * 100 + part);
    }

private:
    std::unique_ptr<ProgressWindow> window_;
};
} // namespace

QByteArray JetOnOpen::codePage()
{
    const QString named = ReadIni(QStringLiteral("JetCodePage")).trimmed();
    return named.isEmpty() ? QByteArray() : named.toLatin1();
}

void JetOnOpen::forgetAnswers()
{
    g_refused.clear();
}

void JetOnOpen::convert(const QString &path, const QString &attachmentFolder)
{
    const QString key = QFileInfo(path).absoluteFilePath();
    if (g_refused.contains(key))
        throw AppError(g_refused.value(key));
    JetSource::precheck(path);
    // Two programs finding the file at once: the second is told, it never converts too.
    const ConversionLock lock(path);
    // Another program may have finished converting it just before the lock was ours.
    if (!JetSource::looksLikeJet(path))
        return;
    const auto refuse = [&](const QString &why) {
        g_refused.insert(key, why);
        return AppError(why);
    };
    const QString kept = JetConversion::keptName(path);
    const int answer = ShowMsg(QStringLiteral("数据库 %1 是旧版程序的 Jet 数据库, 需要转换为本程序的格式才能使用。\n"
                                              "转换不改变附件文件夹, 原文件保留为 %2。\n现在转换吗?")
                                   .arg(shown(path), shown(kept)),
                               Msg::YesNo | Msg::Question);
    if (answer == Msg::IdNo)
        throw refuse(notUsable(path));
    JetConversion::Result result;
    {
        ConversionProgress progress(path);
        try {
            result = JetConversion::inPlace(
                path, attachmentFolder, codePage(),
                [&](JetConversion::Phase phase, qint64 done, qint64 total) { return progress.step(phase, done, total); });
        } catch (const ConversionCancelled &) {
            throw refuse(QStringLiteral("已取消转换, 数据库 %1 未改变, 本程序不能直接使用它").arg(shown(path)));
        } catch (const AppError &e) {
            throw refuse(QStringLiteral("转换 %1 失败, 原文件未改变: %2").arg(shown(path), e.message()));
        }
    }
    ShowMsg(JetConversion::report(result, path), Msg::OkOnly | Msg::Information);
}
