#include "browse/frmRecycleBin.h"

#include "browse/CatalogueFollower.h"
#include "browse/RowSelection.h"
#include "store/AppError.h"
#include "store/RecycleBin.h"
#include "store/Services.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>

namespace {
QTableWidgetItem *cell(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}
} // namespace

frmRecycleBin::frmRecycleBin(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmRecycleBin"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("回收站"));
    resize(760, 480);

    lblNote =
        new QLabel(QStringLiteral("删除的记录连同它们的附件副本先放在回收站里:\"还原\"把选中的记录放回原来的类别,"
                                  "\"清空回收站\"才把它们永久删除。删除类别时,记录进入回收站,附件副本留在附件文件夹中。"),
                   this);
    lblNote->setObjectName(QStringLiteral("lblNote"));
    lblNote->setWordWrap(true);
    lvw = new QTableWidget(0, 5, this);
    lvw->setObjectName(QStringLiteral("lvw"));
    lvw->setAccessibleName(QStringLiteral("回收站中的记录"));
    lvw->setHorizontalHeaderLabels({QStringLiteral("文件名"), QStringLiteral("类别"), QStringLiteral("简介"),
                                    QStringLiteral("日期"), QStringLiteral("删除时间")});
    lvw->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvw->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvw->verticalHeader()->hide();
    lvw->horizontalHeader()->setStretchLastSection(true);
    lvw->setColumnWidth(0, 200);
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    auto button = [this](const char *name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    cmdRestore = button("cmdRestore", QStringLiteral("还原"));
    cmdEmpty = button("cmdEmpty", QStringLiteral("清空回收站"));
    cmdClose = button("cmdClose", QStringLiteral("关闭"));

    connect(cmdRestore, &QPushButton::clicked, this, [this] { ReportErrors(this, [this] { cmdRestore_Click(); }); });
    connect(cmdEmpty, &QPushButton::clicked, this, [this] { ReportErrors(this, [this] { cmdEmpty_Click(); }); });
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(lvw, &QTableWidget::itemSelectionChanged, this,
            [this] { cmdRestore->setEnabled(!lvw->selectionModel()->selectedRows().isEmpty()); });
    follower_ = new CatalogueFollower(this, [this] { Refresh(); });
    ReportErrors(this, [this] { Refresh(); });
}

void frmRecycleBin::Refresh()
{
    // The rows selected stay selected while they are in the bin.
    QSet<QString> selected;
    for (const QModelIndex &index : lvw->selectionModel()->selectedRows())
        selected.insert(entries_.at(index.row()).address.toString());
    lvw->setRowCount(0);
    entries_ = RecycleBin::entries();
    lvw->setRowCount(int(entries_.size()));
    for (int r = 0; r < entries_.size(); ++r) {
        const RecycleBin::Entry &e = entries_.at(r);
        const QStringList texts = {e.fileName, e.category, e.description, e.date, e.deletedAt};
        for (int c = 0; c < texts.size(); ++c)
            lvw->setItem(r, c, cell(texts.at(c)));
    }
    lblStatus->setText(QStringLiteral("共 %1 个记录").arg(entries_.size()));
    cmdEmpty->setEnabled(!entries_.isEmpty());
    QList<int> again;
    for (int r = 0; r < entries_.size(); ++r)
        if (selected.contains(entries_.at(r).address.toString()))
            again << r;
    lvw->selectionModel()->select(RowSelection(lvw->model(), again), QItemSelectionModel::ClearAndSelect);
    cmdRestore->setEnabled(!lvw->selectionModel()->selectedRows().isEmpty());
    follower_->listed();
}

void frmRecycleBin::cmdRestore_Click()
{
    QVector<RecycleBin::Entry> chosen;
    for (const QModelIndex &index : lvw->selectionModel()->selectedRows())
        chosen.append(entries_.at(index.row()));
    const GroupRunner::Outcome outcome = RecycleBin::restoreMany(chosen);
    Refresh();
    const QStringList failures = outcome.problems(chosen.size() == 1 ? chosen.front().fileName : QStringLiteral("其余记录"));
    const qint64 notDone = chosen.size() - outcome.done;
    if (outcome.cancelled)
        ShowMsg(QStringLiteral("已取消:已还原 %1 个记录,其余 %2 个记录仍留在回收站中.").arg(outcome.done).arg(notDone) +
                    (failures.isEmpty() ? QString() : QStringLiteral("\n") + MessageLines(failures)),
                Msg::OkOnly | Msg::Information);
    else if (!failures.isEmpty())
        ShowMsg(QStringLiteral("%1 个记录未能还原:\n").arg(notDone) + MessageLines(failures),
                Msg::OkOnly | Msg::Information);
}

void frmRecycleBin::cmdEmpty_Click()
{
    // What the question counts is what goes: entries a notice lists while it is open stay.
    const QVector<RecycleBin::Entry> shown = entries_;
    if (shown.isEmpty())
        return;
    if (ShowMsg(QStringLiteral("您确定要清空回收站吗?其中的 %1 个记录和它们的附件副本将被永久删除.").arg(shown.size()),
                Msg::YesNo | Msg::Question | Msg::DefaultSecond) == Msg::IdNo)
        return;
    RecycleBin::Emptied emptied;
    try {
        emptied = RecycleBin::empty(shown);
    } catch (const AppError &) {
        Refresh(); // what another program changed meanwhile is shown as it is now
        throw;
    }
    Refresh();
    if (!emptied.failures.isEmpty())
        ShowMsg(QStringLiteral("%1 个记录的附件副本无法删除,它们仍留在回收站中:\n").arg(emptied.failures.size()) +
                    MessageLines(emptied.failures),
                Msg::OkOnly | Msg::Information);
}

void frmRecycleBin::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int w = width(), h = height();
    const int buttonW = 100, buttonH = cmdClose->sizeHint().height();
    lblNote->setGeometry(8, 8, w - 16, lblNote->heightForWidth(w - 16));
    const int top = lblNote->y() + lblNote->height() + 8;
    const int bottom = h - buttonH - 16;
    lvw->setGeometry(8, top, w - 16, qMax(40, bottom - top));
    lblStatus->setGeometry(8, bottom + 8, w - 3 * (buttonW + 8) - 16, buttonH);
    cmdClose->setGeometry(w - 8 - buttonW, bottom + 8, buttonW, buttonH);
    cmdEmpty->setGeometry(cmdClose->x() - 8 - buttonW, bottom + 8, buttonW, buttonH);
    cmdRestore->setGeometry(cmdEmpty->x() - 8 - buttonW, bottom + 8, buttonW, buttonH);
}
