#include "app/frmCheck.h"

#include "app/CheckFindingModel.h"
#include "app/CheckFindingText.h"
#include "store/CheckRepair.h"
#include "store/CheckRepairs.h"
#include "store/CheckRunner.h"
#include "store/DialogOwner.h"
#include "store/Dialogs.h"
#include "store/Services.h"
#include "store/SystemErrorText.h"
#include "ui/FileDialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {
QString title(CheckReport::Kind kind)
{
    return CheckFindingText::title(kind);
}
} // namespace

frmCheck::frmCheck(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmCheck"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("检查目录"));

    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    chkHash = new QCheckBox(QStringLiteral("校验内容 (SHA-256)"), this);
    chkHash->setObjectName(QStringLiteral("chkHash"));
    chkHash->setToolTip(QStringLiteral("读取每个副本的全部内容并与导入时保存的校验值比较;目录较大时需要较长时间."));
    cmdStart = new QPushButton(QStringLiteral("开始检查"), this);
    cmdStart->setObjectName(QStringLiteral("cmdStart"));
    cmdCancel = new QPushButton(QStringLiteral("取消"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setEnabled(false);
    prgCheck = new QProgressBar(this);
    prgCheck->setObjectName(QStringLiteral("prgCheck"));
    prgCheck->setRange(0, 1000);
    prgCheck->setValue(0);
    prgCheck->setTextVisible(false);
    top->addWidget(chkHash);
    top->addWidget(cmdStart);
    top->addWidget(cmdCancel);
    top->addWidget(prgCheck, 1);
    layout->addLayout(top);

    lblStatus =
        new QLabel(QStringLiteral("检查当前目录的记录与附件文件夹是否一致.检查只读取,不作任何更改;修复由您选择."), this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    layout->addWidget(lblStatus);

    tabFindings = new QTabWidget(this);
    tabFindings->setObjectName(QStringLiteral("tabFindings"));
    layout->addWidget(tabFindings, 1);

    const QStringList recordHeaders = {QStringLiteral("文件名"), QStringLiteral("类别"), QStringLiteral("简介"),
                                       QStringLiteral("入库日期"), QStringLiteral("存储名")};
    const QStringList hashHeaders = {QStringLiteral("存储名"), QStringLiteral("文件名"), QStringLiteral("大小"),
                                     QStringLiteral("保存的校验值"), QStringLiteral("当前校验值")};
    lvwMissing =
        addPage(CheckReport::Missing,
                QStringLiteral("这些记录在附件文件夹中找不到副本.可将记录移入回收站,或为记录指定一个文件作为新的副本."),
                recordHeaders);
    lvwOrphans =
        addPage(CheckReport::Orphan,
                QStringLiteral("这些文件在附件文件夹中,但没有任何记录(包括回收站中的记录)使用它们.一小时内新建的文件不列出,"
                               "以免妨碍其他程序正在进行的导入.移入回收站后可在回收站中恢复或清空."),
                {QStringLiteral("文件名"), QStringLiteral("大小"), QStringLiteral("修改时间")});
    lvwLeftovers =
        addPage(CheckReport::Leftover,
                QStringLiteral("中断的导入留下的临时文件和空的预留文件(一小时以前的).它们不含任何记录使用的内容,可以删除."),
                {QStringLiteral("文件名"), QStringLiteral("大小"), QStringLiteral("修改时间"), QStringLiteral("类型")});
    lvwChanged = addPage(
        CheckReport::Changed,
        QStringLiteral("这些副本的内容与导入时保存的 SHA-256 校验值不符:文件可能已损坏,或被其他程序修改.若修改是有意的,"
                       "可以当前内容为准."),
        hashHeaders);
    lvwUnhashed =
        addPage(CheckReport::Unhashed,
                QStringLiteral("这些副本还没有保存校验值(由旧版程序导入).补录后,导入内容相同的文件时会提示."), hashHeaders);
    lvwUnsafe =
        addPage(CheckReport::Unsafe,
                QStringLiteral("这些记录的存储名不是附件文件夹中的普通文件名(为空,或含有 \"/\"、\"\\\"、\"..\"),"
                               "程序不会按它打开或删除任何文件.可将记录移入回收站,或为记录指定一个文件作为新的副本."),
                recordHeaders);

    addPage(CheckReport::BinMissing,
            QStringLiteral("这些记录在回收站中,但回收站文件夹和附件文件夹中都找不到它们的副本,因此无法还原."
                           "清空回收站时它们随之删除."),
            recordHeaders);
    addPage(
        CheckReport::BinStray,
        QStringLiteral("这些文件在回收站文件夹 .recycle 中,但回收站中没有任何记录使用它们(例如清空回收站时未能删除的文件)."
                       "列入回收站后可在回收站中还原或清空."),
        {QStringLiteral("文件名"), QStringLiteral("大小"), QStringLiteral("修改时间")});

    // A repair's button carries the repair's own caption.
    const auto repairButton = [this](CheckReport::Kind kind, const char *name) {
        return addRepair(kind, name, CheckRepairs::action(kind), [this, kind] { repair(kind); });
    };
    cmdBinMissing = repairButton(CheckReport::Missing, "cmdBinMissing");
    cmdPointMissing = addRepair(CheckReport::Missing, "cmdPointMissing", QStringLiteral("指定文件..."),
                                [this] { pointRecord(CheckReport::Missing); });
    cmdBinOrphans = repairButton(CheckReport::Orphan, "cmdBinOrphans");
    cmdRemoveLeftovers = repairButton(CheckReport::Leftover, "cmdRemoveLeftovers");
    cmdAcceptChanged = repairButton(CheckReport::Changed, "cmdAcceptChanged");
    cmdFillHashes = repairButton(CheckReport::Unhashed, "cmdFillHashes");
    cmdDropBinMissing = repairButton(CheckReport::BinMissing, "cmdDropBinMissing");
    cmdAdoptBinStrays = repairButton(CheckReport::BinStray, "cmdAdoptBinStrays");
    cmdBinUnsafe = repairButton(CheckReport::Unsafe, "cmdBinUnsafe");
    cmdPointUnsafe = addRepair(CheckReport::Unsafe, "cmdPointUnsafe", QStringLiteral("指定文件..."),
                               [this] { pointRecord(CheckReport::Unsafe); });

    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    cmdClose = new QPushButton(QStringLiteral("关闭"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    bottom->addWidget(cmdClose);
    layout->addLayout(bottom);

    runner_ = new CheckRunner(this);
    connect(runner_, &CheckRunner::finished, this, &frmCheck::finished);
    timer_ = new QTimer(this);
    timer_->setInterval(100);
    connect(timer_, &QTimer::timeout, this, &frmCheck::showProgress);
    connect(cmdStart, &QPushButton::clicked, this, [this] { cmdStart_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    for (int k = 0; k < CheckReport::KindCount; ++k)
        fill(CheckReport::Kind(k));
    resize(980, 600);
}

frmCheck::~frmCheck()
{
    runner_->stop();
}

bool frmCheck::running() const
{
    return runner_->running();
}

QTableView *frmCheck::addPage(CheckReport::Kind kind, const QString &note, const QStringList &headers)
{
    auto *page = new QWidget(tabFindings);
    auto *layout = new QVBoxLayout(page);
    auto *text = new QLabel(note, page);
    text->setWordWrap(true);
    layout->addWidget(text);
    auto *view = new QTableView(page);
    static const char *const names[] = {"lvwMissing",  "lvwOrphans", "lvwLeftovers",  "lvwChanged",
                                        "lvwUnhashed", "lvwUnsafe",  "lvwBinMissing", "lvwBinStrays"};
    view->setObjectName(QLatin1String(names[kind]));
    view->setAccessibleName(title(kind));
    view->setAccessibleDescription(note);
    pages_[kind].model = new CheckFindingModel(headers, view);
    view->setModel(pages_[kind].model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setContextMenuPolicy(Qt::ActionsContextMenu);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setStretchLastSection(true);
    // Widths by what the columns hold; measuring every row would cost seconds on a long list.
    const int em = view->fontMetrics().horizontalAdvance(QLatin1Char('M'));
    for (int c = 0; c + 1 < headers.size(); ++c) {
        const QString &h = headers[c];
        const bool wide =
            h == QStringLiteral("文件名") || h.contains(QStringLiteral("校验值")) || h == QStringLiteral("简介");
        const bool time = h == QStringLiteral("入库日期") || h == QStringLiteral("修改时间");
        view->setColumnWidth(c, time ? view->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) + em
                                     : em * (wide                          ? 20
                                             : h == QStringLiteral("大小") ? 7
                                                                           : 12));
    }
    view->setWordWrap(false);
    layout->addWidget(view, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    layout->addLayout(buttons);
    pages_[kind].view = view;
    tabFindings->addTab(page, title(kind));
    return view;
}

QPushButton *frmCheck::addRepair(CheckReport::Kind kind, const char *name, const QString &caption,
                                 const std::function<void()> &handler)
{
    QWidget *page = tabFindings->widget(kind);
    auto *buttons = static_cast<QHBoxLayout *>(page->layout()->itemAt(page->layout()->count() - 1)->layout());
    auto *button = new QPushButton(caption, page);
    button->setObjectName(QLatin1String(name));
    buttons->addWidget(button);
    // The same command in the list's context menu.
    auto *action = new QAction(caption, pages_[kind].view);
    action->setObjectName(QLatin1String("mnu") + QLatin1String(name + 3));
    pages_[kind].view->addAction(action);
    pages_[kind].actions << action;
    connect(action, &QAction::triggered, this, [this, handler] { ReportErrors(this, handler); });
    connect(button, &QPushButton::clicked, action, &QAction::trigger);
    connect(action, &QAction::changed, button, [button, action] { button->setEnabled(action->isEnabled()); });
    return button;
}

void frmCheck::cmdStart_Click()
{
    if (running())
        return;
    ReportErrors(this, [this] {
        runner_->start(chkHash->isChecked());
        report_ = CheckReport();
        for (int k = 0; k < CheckReport::KindCount; ++k)
            fill(CheckReport::Kind(k));
        chkHash->setEnabled(false);
        cmdStart->setEnabled(false);
        cmdCancel->setEnabled(true);
        lblStatus->setText(QStringLiteral("正在检查..."));
        timer_->start();
    });
}

void frmCheck::cmdCancel_Click()
{
    if (!running())
        return;
    runner_->cancel();
    cmdCancel->setEnabled(false);
    lblStatus->setText(QStringLiteral("正在取消..."));
}

void frmCheck::closeEvent(QCloseEvent *event)
{
    // The worker stops within a second; the window goes when it has.
    runner_->stop();
    event->accept();
}

void frmCheck::showProgress()
{
    if (!running() || runner_->progress().cancelled())
        return;
    int fraction = 0;
    const QString text = CheckFindingText::progress(runner_->progress(), runner_->recordCount(), &fraction);
    if (text.isEmpty())
        return;
    lblStatus->setText(text);
    if (fraction < 0) {
        prgCheck->setRange(0, 0);
        return;
    }
    prgCheck->setRange(0, 1000);
    prgCheck->setValue(fraction);
}

void frmCheck::finished()
{
    timer_->stop();
    CheckRunner::Result result = runner_->take();
    chkHash->setEnabled(true);
    cmdStart->setEnabled(true);
    cmdCancel->setEnabled(false);
    prgCheck->setRange(0, 1000);
    prgCheck->setValue(0);
    if (!result.error.isEmpty()) {
        lblStatus->setText(QStringLiteral("检查未完成."));
        DialogOwner owner(this);
        ShowMsg(SystemErrorText::explain(result.error), Msg::OkOnly | Msg::Information);
        return;
    }
    if (result.report.cancelled) {
        lblStatus->setText(QStringLiteral("检查已取消."));
        return;
    }
    ReportErrors(this, [this, &result] {
        runner_->confirm(result.report);
        report_ = std::move(result.report);
        prgCheck->setValue(1000);
        lblStatus->setText(CheckFindingText::summary(report_));
        int first = -1;
        for (int k = 0; k < CheckReport::KindCount; ++k) {
            fill(CheckReport::Kind(k));
            if (first < 0 && report_.count(CheckReport::Kind(k)) > 0)
                first = k;
        }
        if (first >= 0)
            tabFindings->setCurrentIndex(first);
    });
}

void frmCheck::fill(CheckReport::Kind kind)
{
    std::vector<QStringList> rows = CheckFindingText::rows(report_, kind);
    const bool any = !rows.empty();
    pages_[kind].model->setRows(std::move(rows));
    for (QAction *a : std::as_const(pages_[kind].actions))
        a->setEnabled(any);
    tabFindings->setTabText(kind, QStringLiteral("%1 (%2)").arg(title(kind)).arg(report_.count(kind)));
}

std::vector<int> frmCheck::chosen(CheckReport::Kind kind, bool *all) const
{
    std::vector<int> rows;
    QTableView *view = pages_[kind].view;
    for (const QModelIndex &i : view->selectionModel()->selectedRows())
        rows.push_back(i.row());
    *all = rows.empty();
    if (*all)
        for (int r = 0; r < pages_[kind].model->rowCount(); ++r)
            rows.push_back(r);
    std::sort(rows.begin(), rows.end());
    return rows;
}

void frmCheck::repair(CheckReport::Kind kind)
{
    if (running())
        return;
    bool all = false;
    const std::vector<int> rows = chosen(kind, &all);
    if (rows.empty())
        return;
    const QString action = CheckRepairs::action(kind), question = CheckRepairs::question(kind);
    if (!question.isEmpty() &&
        ShowMsg(question.arg(all ? QStringLiteral("全部") : QStringLiteral("选中的")).arg(rows.size()),
                Msg::YesNo | Msg::Question | Msg::DefaultSecond) == Msg::IdNo)
        return;
    QProgressDialog progress(QStringLiteral("%1...").arg(action), QStringLiteral("取消"), 0, int(rows.size()), this);
    progress.setWindowTitle(windowTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    const CheckRepairs::Tally tally = CheckRepairs::apply(report_, kind, rows, [&progress](size_t i) {
        if (progress.wasCanceled())
            return false;
        progress.setValue(int(i));
        return true;
    });
    progress.setValue(int(rows.size()));
    fill(kind);
    QString text = QStringLiteral("%1:完成 %2 项.").arg(action).arg(tally.done);
    if (tally.changed > 0)
        text += QStringLiteral("\n%1 项在检查之后已被其他程序或用户改变,未作处理;请重新检查.").arg(tally.changed);
    if (!tally.failures.isEmpty())
        text += QStringLiteral("\n%1 项失败:\n").arg(tally.failures.size()) + MessageLines(tally.failures);
    ShowMsg(text, Msg::OkOnly | Msg::Information);
}

void frmCheck::pointRecord(CheckReport::Kind kind)
{
    if (running())
        return;
    std::vector<CheckReport::Record> &items = kind == CheckReport::Missing ? report_.missing : report_.unsafe;
    const QModelIndex current = pages_[kind].view->currentIndex();
    const int row = current.isValid() ? current.row() : (items.size() == 1 ? 0 : -1);
    if (row < 0 || size_t(row) >= items.size()) {
        ShowMsg(QStringLiteral("请先在列表中选择一个记录."), Msg::OkOnly | Msg::Information);
        return;
    }
    const CheckReport::Record record = items[size_t(row)];
    QFileDialog dialog(this, QStringLiteral("为记录 %1 指定文件").arg(record.fileName));
    dialog.setObjectName(QStringLiteral("dlgPointFile"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    FileDialogs::prepare(dialog);
    if (dialogs().execModal(&dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString source = dialog.selectedFiles().constFirst();
    FileDialogs::remember(source);
    const CheckRepair::Outcome outcome = CheckRepair::pointRecord(record, source);
    items.erase(items.begin() + row);
    fill(kind);
    ShowMsg(outcome == CheckRepair::Outcome::Done
                ? QStringLiteral("已将 %1 复制到附件文件夹,作为记录 %2 的副本.")
                      .arg(QDir::toNativeSeparators(source), record.fileName)
                : QStringLiteral("记录 %1 在检查之后已被其他程序或用户改变,未作处理;请重新检查.").arg(record.fileName),
            Msg::OkOnly | Msg::Information);
}
