#include "import/ImportRun.h"

#include "import/GroupLost.h"
#include "import/ImportBatch.h"
#include "import/ImportEngine.h"
#include "store/AppError.h"
#include "store/ConnectionLost.h"
#include "store/DialogOwner.h"
#include "store/ImportCancelled.h"
#include "store/Services.h"
#include "store/SystemErrorText.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QProgressDialog>
#include <QScopeGuard>

namespace {
bool gRunning = false;
}

bool ImportRun::refusedWhileRunning()
{
    if (!gRunning)
        return false;
    ShowMsg(QStringLiteral("正在导入文件,请等这次导入结束后再导入其他文件."), Msg::Exclamation);
    return true;
}

ImportRun::ImportRun(QStringList files, int kind, QWidget *owner) : files_(std::move(files)), kind_(kind), owner_(owner) {}

void ImportRun::exec()
{
    // The group transaction stays open between files: nothing else may import meanwhile.
    const bool outer = !gRunning;
    gRunning = true;
    const auto done = qScopeGuard([outer] {
        if (outer)
            gRunning = false;
    });
    constexpr int steps = 1000; // progress units per file
    QProgressDialog progress(owner_);
    progress.setObjectName(QStringLiteral("importProgress"));
    progress.setWindowTitle(QStringLiteral("导入文件"));
    progress.setCancelButtonText(QStringLiteral("取消"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(400);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    // The engine's questions during the run open over the progress dialog.
    DialogOwner owner(&progress);
    // Progress values stay in int range however many files are chosen.
    const qint64 total = qint64(files_.size()) * steps;
    const int scale = int(qMax<qint64>(1, total / 1000000000 + 1));
    progress.setRange(0, int(total / scale));
    QElapsedTimer sinceRepaint;
    sinceRepaint.start();

    ImportBatch batch(kGroupMs);
    bool unreachable = false;
    // How each file of the groups not yet committed was imported: a lost group takes back
    // its renames and replacements too.
    QHash<QString, ImportEngine::Outcome> pending;
    auto groupLost = [&](const GroupLost &lost) {
        unreachable = unreachable || lost.connectionLost();
        imported_ -= int(lost.sources().size());
        for (const QString &source : lost.sources()) {
            const ImportEngine::Outcome outcome = pending.take(source);
            renamed_ -= outcome == ImportEngine::Outcome::Renamed;
            replaced_ -= outcome == ImportEngine::Outcome::Replaced;
            failures_ << QDir::toNativeSeparators(source) + QStringLiteral(": ") + lost.message();
        }
    };
    auto flush = [&](bool onlyIfDue) {
        try {
            onlyIfDue ? batch.flushIfDue() : batch.flush();
        } catch (const GroupLost &lost) {
            groupLost(lost);
        }
    };

    qsizetype i = 0;
    for (; i < files_.size() && !unreachable; ++i) {
        QApplication::processEvents();
        if (progress.wasCanceled()) {
            cancelled_ = true;
            left_ = files_.size() - i;
            break;
        }
        const QString &path = files_.at(i);
        const QString head =
            QStringLiteral("正在导入第 %1 / %2 个文件: %3").arg(i + 1).arg(files_.size()).arg(LastPathPart(path));
        // At most ten repaints a second, never one per file or per block.
        if (i == 0 || sinceRepaint.elapsed() >= 100) {
            sinceRepaint.restart();
            progress.setLabelText(head);
            progress.setValue(int(qint64(i) * steps / scale));
        }
        ImportEngine::Options options;
        options.batch = &batch;
        options.progress = [&](qint64 copied, qint64 size) {
            if (sinceRepaint.elapsed() >= 100) {
                sinceRepaint.restart();
                progress.setLabelText(head + QStringLiteral("\n已复制 %1 / %2 MB")
                                                 .arg(double(copied) / 1048576.0, 0, 'f', 1)
                                                 .arg(double(size) / 1048576.0, 0, 'f', 1));
                progress.setValue(int((qint64(i) * steps + (size > 0 ? copied * steps / size : 0)) / scale));
                QApplication::processEvents();
                // A long copy does not keep the rows of the files before it waiting.
                flush(true);
            }
            return !progress.wasCanceled();
        };
        try {
            const ImportEngine::Outcome outcome = ImportEngine::Import(path, kind_, options);
            if (outcome == ImportEngine::Outcome::Cancelled) {
                stoppedByRename_ = true;
                left_ = files_.size() - i;
                break;
            }
            if (outcome == ImportEngine::Outcome::Skipped) {
                ++skipped_;
            } else {
                ++imported_;
                renamed_ += outcome == ImportEngine::Outcome::Renamed;
                replaced_ += outcome == ImportEngine::Outcome::Replaced;
                if (outcome != ImportEngine::Outcome::Recorded)
                    pending.insert(path, outcome);
            }
        } catch (const ImportCancelled &) {
            cancelled_ = true;
            left_ = files_.size() - i;
            break;
        } catch (const GroupLost &lost) {
            groupLost(lost);
            failures_ << QDir::toNativeSeparators(path) + QStringLiteral(": ") + lost.message();
        } catch (const ConnectionLost &e) {
            // Every file after this one would fail the same way, each after its own wait.
            failures_ << QDir::toNativeSeparators(path) + QStringLiteral(": ") + SystemErrorText::explain(e.message());
            unreachable = true;
        } catch (const AppError &e) {
            failures_ << QDir::toNativeSeparators(path) + QStringLiteral(": ") + SystemErrorText::explain(e.message());
        }
        flush(true);
    }
    flush(false);
    if (unreachable)
        notTried_ = int(files_.size() - i);
    progress.setValue(progress.maximum());
}

void ImportRun::confirmAndRun(const QStringList &files, int kind, QWidget *owner)
{
    if (refusedWhileRunning())
        return;
    if (ShowMsg(QStringLiteral("您确定要将以下的文件导入文件系统中?\r\n\r\n若您导入的程序的很大,需要的时间将很长.."),
                Msg::YesNo | Msg::Question) == Msg::IdNo)
        return;
    ImportRun run(files, kind, owner);
    run.exec();
    ShowMsg(run.summary(), run.succeeded() ? 112 : Msg::Information);
}

bool ImportRun::succeeded() const
{
    return !files_.isEmpty() && imported_ == files_.size() && failures_.isEmpty() && !cancelled_ && !stoppedByRename_;
}

QString ImportRun::summary() const
{
    if (files_.isEmpty())
        return QStringLiteral("没有选中的文件,未导入任何文件.");
    QString counts = QStringLiteral("已导入 %1 个文件").arg(imported_);
    if (renamed_ > 0)
        counts += QStringLiteral(",其中 %1 个改名导入").arg(renamed_);
    if (replaced_ > 0)
        counts += QStringLiteral(",%1 个覆盖了库里的同名文件").arg(replaced_);
    // Everything imported keeps the old words; what was asked about is told beside them.
    if (succeeded())
        return renamed_ + replaced_ > 0 ? QStringLiteral("导入成功! :) \n") + counts : QStringLiteral("导入成功! :) ");
    QString text = counts;
    if (notTried_ > 0)
        text += QStringLiteral(",与数据库服务器的连接中断,其余 %1 个文件没有导入").arg(notTried_);
    if (skipped_ > 0)
        text += QStringLiteral(",%1 个内容相同的文件未导入").arg(skipped_);
    if (stoppedByRename_)
        text += QStringLiteral(",改名已取消,%1 个文件未导入").arg(left_);
    else if (cancelled_)
        text += QStringLiteral(",导入已取消,%1 个文件未导入").arg(left_);
    if (!failures_.isEmpty()) {
        text += QStringLiteral(",%1 个文件导入失败:").arg(failures_.size());
        // A long list is cut for the message box; every failure still counts above.
        const qsizetype shown = qMin<qsizetype>(failures_.size(), 20);
        for (qsizetype i = 0; i < shown; ++i)
            text += QLatin1Char('\n') + failures_.at(i);
        if (shown < failures_.size())
            text += QStringLiteral("\n... 另有 %1 个").arg(failures_.size() - shown);
    }
    return text;
}
