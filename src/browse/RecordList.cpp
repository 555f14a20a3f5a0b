#include "browse/RecordList.h"

#include "browse/RecordListViews.h"
#include "browse/RecordWindows.h"
#include "browse/RowSelection.h"
#include "store/AppError.h"
#include "store/CopyOut.h"
#include "store/DatabaseLocator.h"
#include "store/Dialogs.h"
#include "store/RecordChanged.h"
#include "store/RecordDeletion.h"
#include "store/RecordEdit.h"
#include "store/RecordQuery.h"
#include "store/Recordset.h"
#include "store/Services.h"
#include "store/StoredName.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProgressDialog>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>

namespace {
int himetricToPixels(int himetric)
{
    return himetric * 96 / 2540;
}

// A long copy shows its progress, and Cancel stops it within a block.
bool copyReplacing(const QString &source, const QString &target, QWidget *owner)
{
    QProgressDialog progress(QStringLiteral("正在复制到 %1").arg(QDir::toNativeSeparators(target)), QStringLiteral("取消"),
                             0, 1000, owner);
    progress.setWindowTitle(QStringLiteral("另存为"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(400);
    QElapsedTimer sinceRepaint;
    sinceRepaint.start();
    return CopyOut::replace(source, target, [&](qint64 done, qint64 total) {
        if (sinceRepaint.elapsed() >= 100) {
            sinceRepaint.restart();
            progress.setValue(int(done * 1000 / total));
        }
        return !progress.wasCanceled();
    });
}
} // namespace

RecordList::RecordList(QWidget *owner, Options options) : QObject(owner), owner_(owner), options_(std::move(options))
{
    model_ = new RecordListModel(this);
    lvw = new QTableView(owner);
    lvw->setObjectName(QStringLiteral("lvw"));
    lvw->setModel(model_);
    lvw->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvw->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvw->setAccessibleName(QStringLiteral("记录列表"));
    lvw->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvw->setShowGrid(false);
    lvw->setWordWrap(false);
    lvw->setIconSize(QSize(16, 16));
    lvw->verticalHeader()->hide();
    // Fixed row heights keep a list of a million rows cheap to lay out.
    lvw->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lvw->verticalHeader()->setDefaultSectionSize(lvw->fontMetrics().height() + 6);
    lvw->horizontalHeader()->setSectionsClickable(true);
    lvw->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // A header that shares the rows' selection asks every row, at each repaint, whether its
    // column is all selected: a million questions after Ctrl+A. It gets a selection of its own.
    lvw->horizontalHeader()->setSelectionModel(new QItemSelectionModel(model_, lvw->horizontalHeader()));
    for (int c = 0; c < 4; ++c)
        lvw->setColumnWidth(c, himetricToPixels(RecordListModel::designWidth(c)));
    views = new RecordListViews(lvw, model_);

    mnuBar = new QMenu(owner);
    mnuBar->setObjectName(QStringLiteral("mnuBar"));
    auto item = [this](const char *name, const QString &caption, void (RecordList::*command)()) {
        QAction *a = mnuBar->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, command] { run(command); });
        return a;
    };
    mnuFileOpen = item("mnuFileOpen", QStringLiteral("打开"), &RecordList::FileOpen);
    if (options_.searchWindow)
        mnuPlay = item("mnuPlay", QStringLiteral("播放"), &RecordList::Play);
    mnuFileSave = item("mnuFileSave", QStringLiteral("另存为"), &RecordList::FileSave);
    mnuEdit = item("mnuEdit", QStringLiteral("编辑"), &RecordList::Edit);
    mnuDel = item("mnuDel", QStringLiteral("删除"), &RecordList::Delete);

    lblStatus = new QLabel(owner);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(lvw->horizontalHeader(), &QHeaderView::sectionResized, this, &RecordList::placeStatus);
    connect(lvw->horizontalHeader(), &QHeaderView::geometriesChanged, this, &RecordList::placeStatus);
    lvw->horizontalHeader()->installEventFilter(this);
    // The switch moves with the list (filtered below) and the window: the count follows it,
    // never under it.
    owner_->installEventFilter(this);
    connect(views, &RecordListViews::viewChanged, this, &RecordList::placeStatus);
    lblStatus->setAccessibleName(QStringLiteral("记录数"));
    connect(model_, &QAbstractItemModel::modelReset, this, &RecordList::updateStatus);
    connect(model_, &QAbstractItemModel::rowsInserted, this, &RecordList::updateStatus);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, &RecordList::updateStatus);
    connect(model_, &QAbstractItemModel::layoutChanged, this, &RecordList::updateStatus);
    // A list read behind the window reports its failure there.
    connect(model_, &RecordListModel::failed, this,
            [this](const QString &message) { ReportErrors(owner_, [&] { throw AppError(message); }); });
    connect(lvw->selectionModel(), &QItemSelectionModel::selectionChanged, this, &RecordList::updateStatus);
    updateStatus();

    // A plain click opens the menu; Ctrl or Shift with it only picks rows.
    connect(lvw, &QTableView::clicked, this, [this] {
        if (!(QGuiApplication::keyboardModifiers() & (Qt::ControlModifier | Qt::ShiftModifier)))
            showMenu(QCursor::pos());
    });
    lvw->installEventFilter(this);
    lvw->viewport()->installEventFilter(this);
    connect(lvw->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        lvw->clearSelection();
        model_->headerClicked(column);
    });
}

bool RecordList::AddRecordRow(const QString &path, const QString &fileName, const QString &category,
                              const QString &description, const QString &date)
{
    return model_->AddRecordRow(path, fileName, category, description, date);
}

RecordList::Place RecordList::place() const
{
    Place p;
    for (int r : selectedRows()) {
        if (const qint64 a = model_->addressAt(r); a >= 0)
            p.selected.push_back(a);
        if (p.selectedKeys.size() < 1000) // a key costs a read; a bigger selection is kept by address
            p.selectedKeys << model_->row(r).key;
    }
    const int r = selectedRow();
    if (r >= 0) {
        p.current = model_->addressAt(r);
        p.currentKey = model_->row(r).key;
    }
    p.scrolled = lvw->verticalScrollBar()->value();
    return p;
}

void RecordList::fill(Recordset &rs, bool keepPlace)
{
    const Place before = keepPlace ? place() : Place{};
    const QString attachments = AttachmentPath();
    model_->clear();
    struct Replace {
        RecordList *list;
        const Place &place;
        bool on;
        ~Replace()
        {
            if (on)
                list->reselect(place);
        }
    } replace{this, before, keepPlace};
    if (rs.state() != Recordset::adStateOpen)
        return;
    const int stored = rs.columnIndex(QStringLiteral("SaveFileName"));
    const int name = rs.columnIndex(QStringLiteral("FileName"));
    const int category = rs.columnIndex(QStringLiteral("FolderName"));
    const int description = rs.columnIndex(QStringLiteral("Currentinfo"));
    const int date = rs.columnIndex(QStringLiteral("Date"));
    model_->beginFill();
    try {
        model_->reserve(rs.RecordCount());
        while (!rs.isEOF() && !rs.isBOF()) {
            const QString storedName = rs.value(stored).toString();
            model_->addRow(RecordRow{attachments + storedName, storedName, rs.value(name).toString(),
                                     rs.value(category).toString(), rs.value(description).toString(),
                                     rs.value(date).toString(), rs.address()});
            rs.MoveNext();
        }
    } catch (...) {
        model_->endFill();
        throw;
    }
    model_->endFill();
}

void RecordList::fill(const RecordQuery &query, bool keepPlace)
{
    disconnect(reselecting_);
    if (keepPlace) {
        reselecting_ = connect(model_, &RecordListModel::settled, this, [this, before = place()] {
            disconnect(reselecting_);
            reselect(before);
        });
    }
    model_->list(query, keepPlace);
}

void RecordList::reselect(const Place &place)
{
    QList<int> rows;
    // One pass over the list, not one per selected row.
    std::vector<qint64> wanted = place.selected;
    std::sort(wanted.begin(), wanted.end());
    std::vector<qint64> found;
    for (int r = 0; r < model_->rowCount() && !wanted.empty(); ++r) {
        const qint64 a = model_->addressAt(r);
        if (a >= 0 && std::binary_search(wanted.begin(), wanted.end(), a)) {
            rows << r;
            found.push_back(a);
        }
    }
    if (qsizetype(found.size()) < place.selectedKeys.size()) {
        for (const QString &key : place.selectedKeys)
            if (const int r = model_->rowOf(key); r >= 0)
                rows << r;
    }
    lvw->selectionModel()->select(RowSelection(model_, rows), QItemSelectionModel::ClearAndSelect);
    int current = place.current >= 0 ? model_->rowOfAddress(place.current) : -1;
    if (current < 0 && !place.currentKey.isEmpty())
        current = model_->rowOf(place.currentKey);
    if (current >= 0)
        lvw->selectionModel()->setCurrentIndex(model_->index(current, 0), QItemSelectionModel::NoUpdate);
    lvw->verticalScrollBar()->setValue(place.scrolled);
}

void RecordList::selectRow(int row)
{
    lvw->selectRow(row);
    lvw->setCurrentIndex(model_->index(row, 0));
}

int RecordList::selectedRow() const
{
    const QModelIndex current = lvw->currentIndex();
    if (current.isValid() && lvw->selectionModel()->isRowSelected(current.row()))
        return current.row();
    const QList<int> rows = selectedRows();
    return rows.isEmpty() ? -1 : rows.first();
}

QList<int> RecordList::selectedRows() const
{
    return SelectedRows(lvw->selectionModel()->selection());
}

void RecordList::showMenu(const QPoint &globalPos)
{
    if (model_->rowCount() > 0)
        mnuBar->popup(globalPos);
}

void RecordList::showMenuAtSelection()
{
    const int r = selectedRow();
    if (r >= 0)
        showMenu(lvw->viewport()->mapToGlobal(lvw->visualRect(model_->index(r, 0)).bottomLeft()));
}

void RecordList::run(void (RecordList::*command)())
{
    ReportErrors(owner_, [this, command] { (this->*command)(); });
}

void RecordList::updateStatus()
{
    const qint64 selected = SelectedRowCount(lvw->selectionModel()->selection());
    lblStatus->setText(selected > 1 ? QStringLiteral("共 %1 个记录,已选中 %2 个").arg(model_->rowCount()).arg(selected)
                                    : QStringLiteral("共 %1 个记录").arg(model_->rowCount()));
    placeStatus();
}

void RecordList::placeStatus()
{
    // The windows give the list all their room: the status line takes the strip above the
    // list beside the other controls, else the header row's right end where no column
    // reaches; where neither has room it is hidden.
    views->placeSwitch();
    const int width = lblStatus->sizeHint().width();
    const int strip = lvw->y();
    int right = (views->viewSwitch->isVisible() ? views->viewSwitch->x() : lvw->geometry().right()) - 6;
    int left = lvw->x();
    for (QWidget *w : owner_->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        const QRect g = w->geometry();
        if (w != lblStatus && w != views->viewSwitch && w != lvw && w->isVisibleTo(owner_) && !w->isWindow() &&
            g.top() < strip && g.right() < right)
            left = qMax(left, g.right() + 6);
    }
    if (right - left >= width && strip >= 12) {
        lblStatus->setGeometry(right - width, 0, width, strip);
        lblStatus->setVisible(true);
        stretchHeader(0);
        return;
    }
    stretchHeader(width + 12);
    QHeaderView *header = lvw->horizontalHeader();
    const QPoint origin = header->mapTo(owner_, QPoint(0, 0));
    right = origin.x() + header->width() - 6;
    left = origin.x() + header->length() - header->offset() + 6;
    lblStatus->setGeometry(right - width, origin.y(), width, header->height());
    lblStatus->setVisible(right - left >= width && lvw->isVisibleTo(owner_));
    lblStatus->raise();
}

void RecordList::stretchHeader(int reserve)
{
    QHeaderView *header = lvw->horizontalHeader();
    const int last = header->logicalIndex(header->count() - 1);
    if (last < 0)
        return;
    if (!views->thumbnailsShown()) {
        if (detailsWidth_ >= 0)
            header->resizeSection(last, std::exchange(detailsWidth_, -1));
        return;
    }
    if (detailsWidth_ < 0)
        detailsWidth_ = header->sectionSize(last);
    const int others = header->length() - header->sectionSize(last);
    const int wanted = qMax(header->defaultSectionSize(), header->width() - others - reserve);
    if (header->sectionSize(last) != wanted)
        header->resizeSection(last, wanted); // comes back here once, with nothing left to do
}

bool RecordList::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == lvw->horizontalHeader() && event->type() == QEvent::Resize) ||
        (watched == lvw && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) ||
        (watched == owner_ && event->type() == QEvent::Show))
        placeStatus();
    if (watched == owner_)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::ContextMenu) {
        auto *menu = static_cast<QContextMenuEvent *>(event);
        if (menu->reason() == QContextMenuEvent::Keyboard) {
            showMenuAtSelection();
        } else {
            // A right click acts on the row under the pointer; off the rows there is no menu.
            const QModelIndex at = lvw->indexAt(lvw->viewport()->mapFromGlobal(menu->globalPos()));
            if (at.isValid()) {
                if (!lvw->selectionModel()->isRowSelected(at.row()))
                    selectRow(at.row());
                showMenu(menu->globalPos());
            }
        }
        return true;
    }
    if (watched != lvw || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool plain = !(key->modifiers() & ~Qt::KeypadModifier);
    if (key->key() == Qt::Key_Menu || (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier))
        showMenuAtSelection();
    else if (plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter))
        run(&RecordList::FileOpen);
    else if (plain && key->key() == Qt::Key_Delete)
        run(&RecordList::Delete);
    else if (plain && key->key() == Qt::Key_F2)
        run(&RecordList::Edit);
    else
        return QObject::eventFilter(watched, event);
    return true;
}

std::optional<RecordRow> RecordList::copyOfSelected(const QString &missingMessage) const
{
    const int r = selectedRow();
    if (r < 0)
        return std::nullopt;
    const RecordRow row = model_->row(r);
    if (row.storedName.isEmpty() && !row.address.isValid())
        return std::nullopt; // gone since it was listed: the list drops it
    if (!StoredName::isPlain(row.storedName)) {
        // A tampered row must never reach a file outside the attachment folder.
        ShowMsg(QStringLiteral("附件名 %1 无效,不能操作附件文件夹以外的文件!").arg(row.storedName),
                Msg::OkOnly | Msg::Information);
        return std::nullopt;
    }
    if (!missingMessage.isEmpty() && !QFileInfo(row.key).isFile()) {
        ShowMsg(missingMessage, Msg::OkOnly | Msg::Information);
        return std::nullopt;
    }
    return row;
}

void RecordList::FileOpen()
{
    const std::optional<RecordRow> row = copyOfSelected(QStringLiteral("附件库中不存在原文件,打开失败!"));
    if (row && !ShellOpen(row->key))
        ShowMsg(QStringLiteral("系统中没有可以打开 %1 的程序,请先为这种文件设置默认的打开程序.").arg(row->fileName),
                Msg::OkOnly | Msg::Information);
}

void RecordList::FileSave()
{
    const std::optional<RecordRow> selected = copyOfSelected(QStringLiteral("附件库中不存在原文件,复制失败!"));
    if (!selected)
        return;
    const RecordRow row = *selected; // the dialog below may let the list change
    const QString target = QDir::fromNativeSeparators(dialogs().saveFileName(row.fileName));
    if (!target.contains(QLatin1Char('/')))
        return; // cancelled
    if (QFileInfo::exists(target) && ShowMsg(QDir::toNativeSeparators(target) + QStringLiteral("文件存在,是否覆盖原文件?"),
                                             Msg::YesNo | Msg::Question | Msg::DefaultSecond) == Msg::IdNo)
        return;
    if (!copyReplacing(row.key, target, owner_))
        return; // cancelled: the target is as it was
    ShowMsg(QStringLiteral("复制完成,成功将文件复制到") + QDir::toNativeSeparators(target), Msg::OkOnly | Msg::Information);
}

void RecordList::Edit()
{
    const int r = selectedRow();
    if (r < 0)
        return;
    const RecordRow row = model_->row(r);
    if (row.storedName.isEmpty() && !row.address.isValid())
        return; // gone since it was listed
    const QString where = RecordEdit::byStoredName(row.storedName);
    // Another program may have deleted it since: said so, rather than an empty editor.
    if (QStringList now; !RecordEdit::load(where, &now))
        throw RecordChanged();
    if (RecordWindows *windows = RecordWindows::installed())
        windows->edit(owner_, where);
    if (options_.refresh)
        options_.refresh();
}

void RecordList::Delete()
{
    std::vector<RecordRow> rows;
    for (int r : selectedRows())
        if (RecordRow row = model_->row(r); !row.storedName.isEmpty() || row.address.isValid())
            rows.push_back(std::move(row)); // a row gone since it was listed has nothing to delete
    if (rows.empty())
        return;
    const QString question = rows.size() == 1 ? QStringLiteral("您确定要删除") + rows.front().fileName + QStringLiteral("?")
                                              : QStringLiteral("您确定要删除选中的 %1 个记录?").arg(rows.size());
    if (ShowMsg(question, Msg::YesNo | Msg::Question | Msg::DefaultSecond) == Msg::IdNo)
        return;
    std::vector<RecordDeletion::Listed> records;
    records.reserve(rows.size());
    for (const RecordRow &row : rows)
        records.push_back(
            {row.storedName, row.address, {row.fileName, row.category, row.description, row.date}, row.key, row.fileName});
    rows.clear();
    const GroupRunner::Outcome outcome = RecordDeletion::removeMany(records);
    try {
        if (options_.refresh)
            options_.refresh();
    } catch (const AppError &) {
    }
    const qint64 notDone = qint64(records.size()) - outcome.done;
    const QStringList failures =
        outcome.problems(records.size() == 1 ? records.front().fileName : QStringLiteral("其余记录"));
    if (outcome.cancelled) {
        ShowMsg(QStringLiteral("已取消:已删除 %1 个记录,其余 %2 个记录未删除.").arg(outcome.done).arg(notDone) +
                    (failures.isEmpty() ? QString() : QStringLiteral("\n") + MessageLines(failures)),
                Msg::OkOnly | Msg::Information);
    } else if (!failures.isEmpty()) {
        ShowMsg(QStringLiteral("已删除 %1 个记录,%2 个记录删除失败:\n").arg(outcome.done).arg(notDone) +
                    MessageLines(failures),
                Msg::OkOnly | Msg::Information);
    } else if (options_.searchWindow) {
        ShowMsg(QStringLiteral("删除成功!"), Msg::OkOnly | Msg::Information);
    }
}

void RecordList::Play()
{
    // No existence test here: the viewer itself says what it cannot show.
    const std::optional<RecordRow> row = copyOfSelected(QString());
    if (!row)
        return;
    if (RecordWindows *windows = RecordWindows::installed())
        windows->view(owner_, row->key);
}
