#include "app/frmCheck.h"

#include "app/CheckFindingModel.h"
#include "store/StoredName.h"
#include "store/AppError.h"
#include "store/CatalogueCheck.h"
#include "store/CheckProgress.h"
#include "store/CheckSnapshot.h"
#include "store/DialogOwner.h"
#include "store/Dialogs.h"
#include "ui/FileDialogs.h"
#include "store/Services.h"
#include "store/SystemErrorText.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

struct frmCheck::Job {
    CheckSnapshot snapshot;
    CheckProgress progress;
    CheckReport report;
    QString error;
    bool hashing = false;
    qint64 now = 0;
};

namespace {
const char *const kTitles[CheckReport::KindCount] = {"缺少副本的记录",   "无记录的副本",     "残留的临时文件",
                                                     "内容已改变的副本", "缺少校验值的副本", "名称不安全的记录",
                                                     "回收站中缺少副本的记录", "回收站文件夹中无记录的文件"};

QString title(CheckReport::Kind kind)
{
    return QString::fromUtf8(kTitles[kind]);
}

QString bytesText(qint64 bytes)
{
    return QLocale::system().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

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
    QStringList row{f.name, bytesText(f.stamp.size()), modified(f.stamp)};
    if (leftover)
        row << (f.temporary ? QStringLiteral("导入临时文件") : QStringLiteral("空的预留文件"));
    return row;
}

QStringList hashRow(const CheckReport::Hash &h)
{
    return {h.storedName, h.fileName, bytesText(h.stamp.size()),
            h.recorded.isEmpty() ? QStringLiteral("(无)") : h.recorded, h.current};
}

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

    lblStatus = new QLabel(
        QStringLiteral("检查当前目录的记录与附件文件夹是否一致.检查只读取,不作任何更改;修复由您选择."), this);
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
    lvwOrphans = addPage(
        CheckReport::Orphan,
        QStringLiteral("这些文件在附件文件夹中,但没有任何记录(包括回收站中的记录)使用它们.一小时内新建的文件不列出,"
                       "以免妨碍其他程序正在进行的导入.移入回收站后可在回收站中恢复或清空."),
        {QStringLiteral("文件名"), QStringLiteral("大小"), QStringLiteral("修改时间")});
    lvwLeftovers = addPage(
        CheckReport::Leftover,
        QStringLiteral("中断的导入留下的临时文件和空的预留文件(一小时以前的).它们不含任何记录使用的内容,可以删除."),
        {QStringLiteral("文件名"), QStringLiteral("大小"), QStringLiteral("修改时间"), QStringLiteral("类型")});
    lvwChanged = addPage(
        CheckReport::Changed,
        QStringLiteral("这些副本的内容与导入时保存的 SHA-256 校验值不符:文件可能已损坏,或被其他程序修改.若修改是有意的,"
                       "可以当前内容为准."),
        hashHeaders);
    lvwUnhashed = addPage(CheckReport::Unhashed,
                          QStringLiteral("这些副本还没有保存校验值(由旧版程序导入).补录后,导入内容相同的文件时会提示."),
                          hashHeaders);
    lvwUnsafe =
        addPage(CheckReport::Unsafe,
                QStringLiteral("这些记录的存储名不是附件文件夹中的普通文件名(为空,或含有 \"/\"、\"\\\"、\"..\"),"
                               "程序不会按它打开或删除任何文件.可将记录移入回收站,或为记录指定一个文件作为新的副本."),
                recordHeaders);

    addPage(CheckReport::BinMissing,
            QStringLiteral("这些记录在回收站中,但回收站文件夹和附件文件夹中都找不到它们的副本,因此无法还原."
                           "清空回收站时它们随之删除."),
            recordHeaders);
    addPage(CheckReport::BinStray,
            QStringLiteral("这些文件在回收站文件夹 .recycle 中,但回收站中没有任何记录使用它们(例如清空回收站时未能删除的文件)."
                           "列入回收站后可在回收站中还原或清空."),
            {QStringLiteral("文件名"), QStringLiteral("大小"), QStringLiteral("修改时间")});

    cmdBinMissing = addRepair(CheckReport::Missing, "cmdBinMissing", QStringLiteral("移入回收站"),
                              [this] { binRecords(CheckReport::Missing); });
    cmdPointMissing = addRepair(CheckReport::Missing, "cmdPointMissing", QStringLiteral("指定文件..."),
                                [this] { pointRecord(CheckReport::Missing); });
    cmdBinOrphans = addRepair(CheckReport::Orphan, "cmdBinOrphans", QStringLiteral("移入回收站"), [this] {
        repair<CheckReport::File>(CheckReport::Orphan, report_.orphans, QStringLiteral("移入回收站"),
                                  QStringLiteral("确定将%1 %2 个无记录的副本移入回收站?"),
                                  [](const CheckReport::File &f) { return CheckRepair::binOrphan(f, nowSecs()); });
    });
    cmdRemoveLeftovers = addRepair(CheckReport::Leftover, "cmdRemoveLeftovers", QStringLiteral("删除残留文件"), [this] {
        repair<CheckReport::File>(CheckReport::Leftover, report_.leftovers, QStringLiteral("删除残留文件"),
                                  QStringLiteral("确定删除%1 %2 个残留的临时文件?"),
                                  [](const CheckReport::File &f) { return CheckRepair::removeLeftover(f, nowSecs()); });
    });
    cmdAcceptChanged = addRepair(CheckReport::Changed, "cmdAcceptChanged", QStringLiteral("以当前内容为准"), [this] {
        repair<CheckReport::Hash>(
            CheckReport::Changed, report_.changed, QStringLiteral("以当前内容为准"),
            QStringLiteral("确定以当前内容作为%1 %2 个副本的校验值?内容已损坏的副本将无法再被发现."),
            &CheckRepair::acceptHash);
    });
    cmdFillHashes = addRepair(CheckReport::Unhashed, "cmdFillHashes", QStringLiteral("补录校验值"), [this] {
        repair<CheckReport::Hash>(CheckReport::Unhashed, report_.unhashed, QStringLiteral("补录校验值"), QString(),
                                  &CheckRepair::fillHash);
    });
    cmdDropBinMissing = addRepair(CheckReport::BinMissing, "cmdDropBinMissing", QStringLiteral("从回收站永久删除"), [this] {
        repair<CheckReport::Record>(CheckReport::BinMissing, report_.binMissing, QStringLiteral("从回收站永久删除"),
                                    QStringLiteral("确定将%1 %2 个缺少副本的记录从回收站永久删除?"),
                                    &CheckRepair::dropBinEntry);
    });
    cmdAdoptBinStrays = addRepair(CheckReport::BinStray, "cmdAdoptBinStrays", QStringLiteral("列入回收站"), [this] {
        repair<CheckReport::File>(CheckReport::BinStray, report_.binStrays, QStringLiteral("列入回收站"), QString(),
                                  &CheckRepair::adoptBinFile);
    });
    cmdBinUnsafe = addRepair(CheckReport::Unsafe, "cmdBinUnsafe", QStringLiteral("移入回收站"),
                             [this] { binRecords(CheckReport::Unsafe); });
    cmdPointUnsafe = addRepair(CheckReport::Unsafe, "cmdPointUnsafe", QStringLiteral("指定文件..."),
                               [this] { pointRecord(CheckReport::Unsafe); });

    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    cmdClose = new QPushButton(QStringLiteral("关闭"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    bottom->addWidget(cmdClose);
    layout->addLayout(bottom);

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
    stop();
}

QTableView *frmCheck::addPage(CheckReport::Kind kind, const QString &note, const QStringList &headers)
{
    auto *page = new QWidget(tabFindings);
    auto *layout = new QVBoxLayout(page);
    auto *text = new QLabel(note, page);
    text->setWordWrap(true);
    layout->addWidget(text);
    auto *view = new QTableView(page);
    static const char *const names[] = {"lvwMissing", "lvwOrphans", "lvwLeftovers",  "lvwChanged",
                                        "lvwUnhashed", "lvwUnsafe", "lvwBinMissing", "lvwBinStrays"};
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
        auto job = std::make_shared<Job>();
        job->hashing = chkHash->isChecked();
        job->now = nowSecs();
        // The records are read here, on the interface thread that owns the connection; the
        // folder is scanned and hashed on the worker.
        job->snapshot = CheckSnapshot::read(job->hashing);
        job_ = job;
        report_ = CheckReport();
        for (int k = 0; k < CheckReport::KindCount; ++k)
            fill(CheckReport::Kind(k));
        thread_ = QThread::create([job] {
            try {
                job->report = CatalogueCheck::run(job->snapshot, job->hashing, job->now, job->progress);
            } catch (const AppError &e) {
                job->error = e.message();
            } catch (const std::exception &e) {
                job->error = QString::fromLocal8Bit(e.what());
            }
        });
        thread_->setObjectName(QStringLiteral("catalogue-check"));
        connect(thread_, &QThread::finished, this, &frmCheck::finished);
        chkHash->setEnabled(false);
        cmdStart->setEnabled(false);
        cmdCancel->setEnabled(true);
        lblStatus->setText(QStringLiteral("正在检查..."));
        thread_->start(QThread::LowPriority);
        timer_->start();
    });
}

void frmCheck::cmdCancel_Click()
{
    if (!running())
        return;
    job_->progress.cancel = true;
    cmdCancel->setEnabled(false);
    lblStatus->setText(QStringLiteral("正在取消..."));
}

void frmCheck::stop()
{
    if (!thread_)
        return;
    job_->progress.cancel = true;
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    job_.reset();
}

void frmCheck::closeEvent(QCloseEvent *event)
{
    // The worker stops within a second; the window goes when it has.
    stop();
    event->accept();
}

void frmCheck::showProgress()
{
    if (!job_)
        return;
    const CheckProgress &p = job_->progress;
    if (p.cancelled())
        return;
    const qint64 done = p.done, total = p.total;
    switch (p.phase.load()) {
    case CheckProgress::Listing:
        prgCheck->setRange(0, 0);
        lblStatus->setText(QStringLiteral("正在读取附件文件夹...已读 %1 项").arg(done));
        return;
    case CheckProgress::Matching:
        lblStatus->setText(
            QStringLiteral("正在核对 %1 个记录与附件文件夹中的文件...").arg(job_->snapshot.records.size()));
        break;
    case CheckProgress::Hashing:
        lblStatus->setText(QStringLiteral("正在校验内容...%1 / %2").arg(bytesText(done), bytesText(total)));
        break;
    default:
        return;
    }
    prgCheck->setRange(0, 1000);
    prgCheck->setValue(total > 0 ? int(qMin<qint64>(1000, done * 1000 / total)) : 0);
}

void frmCheck::finished()
{
    timer_->stop();
    if (thread_) {
        thread_->deleteLater();
        thread_ = nullptr;
    }
    std::shared_ptr<Job> job = std::move(job_);
    chkHash->setEnabled(true);
    cmdStart->setEnabled(true);
    cmdCancel->setEnabled(false);
    prgCheck->setRange(0, 1000);
    prgCheck->setValue(0);
    if (!job)
        return;
    if (!job->error.isEmpty()) {
        lblStatus->setText(QStringLiteral("检查未完成."));
        DialogOwner owner(this);
        ShowMsg(SystemErrorText::explain(job->error), Msg::OkOnly | Msg::Information);
        return;
    }
    if (job->report.cancelled) {
        lblStatus->setText(QStringLiteral("检查已取消."));
        return;
    }
    ReportErrors(this, [this, &job] {
        // What settled while the folder was read (an import that finished, a record restored
        // from the bin) is no finding.
        CatalogueCheck::confirm(job->report, CheckSnapshot::read(job->hashing));
        report_ = std::move(job->report);
        prgCheck->setValue(1000);
        QString text =
            QStringLiteral("检查完成:%1 个记录,附件文件夹中 %2 个文件").arg(report_.records).arg(report_.files);
        if (report_.hashed)
            text += QStringLiteral(",校验了 %1").arg(bytesText(report_.hashedBytes));
        text += report_.findings() == 0 ? QStringLiteral(".未发现问题.")
                                        : QStringLiteral(";发现 %1 个问题.").arg(report_.findings());
        if (report_.recent > 0)
            text += QStringLiteral("另有 %1 个一小时内新建、尚无记录的文件未作判断(可能正在导入).").arg(report_.recent);
        lblStatus->setText(text);
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
    std::vector<QStringList> rows;
    auto add = [&rows](const auto &items, const auto &row) {
        rows.reserve(items.size());
        for (const auto &item : items)
            rows.push_back(row(item));
    };
    switch (kind) {
    case CheckReport::Missing:
        add(report_.missing, recordRow);
        break;
    case CheckReport::Unsafe:
        add(report_.unsafe, recordRow);
        break;
    case CheckReport::Orphan:
        add(report_.orphans, [](const CheckReport::File &f) { return fileRow(f, false); });
        break;
    case CheckReport::Leftover:
        add(report_.leftovers, [](const CheckReport::File &f) { return fileRow(f, true); });
        break;
    case CheckReport::BinMissing:
        add(report_.binMissing, recordRow);
        break;
    case CheckReport::BinStray:
        add(report_.binStrays, [](const CheckReport::File &f) { return fileRow(f, false); });
        break;
    case CheckReport::Changed:
        add(report_.changed, hashRow);
        break;
    case CheckReport::Unhashed:
        add(report_.unhashed, hashRow);
        break;
    case CheckReport::KindCount:
        return;
    }
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

template <class Item>
void frmCheck::repair(CheckReport::Kind kind, std::vector<Item> &items, const QString &action, const QString &question,
                      const std::function<CheckRepair::Outcome(const Item &)> &apply)
{
    if (running())
        return;
    bool all = false;
    const std::vector<int> rows = chosen(kind, &all);
    if (rows.empty())
        return;
    if (!question.isEmpty() &&
        ShowMsg(question.arg(all ? QStringLiteral("全部") : QStringLiteral("选中的")).arg(rows.size()),
                Msg::YesNo | Msg::Question | Msg::DefaultSecond) == Msg::IdNo)
        return;
    QProgressDialog progress(QStringLiteral("%1...").arg(action), QStringLiteral("取消"), 0, int(rows.size()), this);
    progress.setWindowTitle(windowTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    int done = 0, changed = 0;
    QStringList failures;
    std::vector<bool> settled(items.size(), false);
    for (size_t i = 0; i < rows.size() && !progress.wasCanceled(); ++i) {
        progress.setValue(int(i));
        const Item &item = items[size_t(rows[i])];
        try {
            if (apply(item) == CheckRepair::Outcome::Done)
                ++done;
            else
                ++changed;
            settled[size_t(rows[i])] = true;
        } catch (const AppError &e) {
            failures << nameOf(item) + QStringLiteral(": ") + SystemErrorText::explain(e.message());
        }
    }
    progress.setValue(int(rows.size()));
    // Repaired and changed items leave the list; failed ones stay for another try.
    std::vector<Item> kept;
    for (size_t i = 0; i < items.size(); ++i)
        if (!settled[i])
            kept.push_back(std::move(items[i]));
    items = std::move(kept);
    fill(kind);
    QString text = QStringLiteral("%1:完成 %2 项.").arg(action).arg(done);
    if (changed > 0)
        text += QStringLiteral("\n%1 项在检查之后已被其他程序或用户改变,未作处理;请重新检查.").arg(changed);
    if (!failures.isEmpty())
        text += QStringLiteral("\n%1 项失败:\n").arg(failures.size()) + MessageLines(failures);
    ShowMsg(text, Msg::OkOnly | Msg::Information);
}

void frmCheck::binRecords(CheckReport::Kind kind)
{
    std::vector<CheckReport::Record> &items = kind == CheckReport::Missing ? report_.missing : report_.unsafe;
    repair<CheckReport::Record>(kind, items, QStringLiteral("移入回收站"),
                                QStringLiteral("确定将%1 %2 个记录移入回收站?"), &CheckRepair::binRecord);
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
