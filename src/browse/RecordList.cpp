#include "browse/RecordList.h"

#include "browse/RecordListViews.h"
#include "import/StoredName.h"
#include "import/frmPlay.h"
#include "import/frmtblAttachmentEdit.h"
#include "store/AppError.h"
#include "store/DatabaseLocator.h"
#include "store/Dialogs.h"
#include "store/Services.h"
#include "store/SqlQuote.h"
#include "store/clsCurrentDb.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QTableView>
#include <cstdio>

namespace {
int himetricToPixels(int himetric)
{
    return himetric * 96 / 2540;
}

// Replaces `target` with a copy of `source` in one step: a reader never sees half a file.
void copyReplacing(const QString &source, const QString &target)
{
    const QString temp = target + QStringLiteral(".mc-part");
    QFile::remove(temp);
    if (!QFile::copy(source, temp))
        throw AppError(QStringLiteral("无法复制到 %1").arg(QDir::toNativeSeparators(target)));
    if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) != 0) {
        QFile::remove(temp);
        throw AppError(QStringLiteral("无法写入 %1").arg(QDir::toNativeSeparators(target)));
    }
}
} // namespace

RecordList::RecordList(QWidget *owner, Options options) : QObject(owner), owner_(owner), options_(std::move(options))
{
    model_ = new RecordListModel(this);
    lvw = new QTableView(owner);
    lvw->setObjectName(QStringLiteral("lvw"));
    lvw->setModel(model_);
    lvw->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvw->setSelectionMode(QAbstractItemView::SingleSelection);
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
    for (int c = 0; c < 4; ++c)
        lvw->setColumnWidth(c, himetricToPixels(RecordListModel::designWidth(c)));
    views = new RecordListViews(lvw, model_);

    mnuBar = new QMenu(owner);
    mnuBar->setObjectName(QStringLiteral("mnuBar"));
    auto item = [this](const char *name, const QString &caption, void (RecordList::*command)()) {
        QAction *a = mnuBar->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, command] { ReportErrors([this, command] { (this->*command)(); }); });
        return a;
    };
    mnuFileOpen = item("mnuFileOpen", QStringLiteral("打开"), &RecordList::FileOpen);
    if (options_.searchWindow)
        mnuPlay = item("mnuPlay", QStringLiteral("播放"), &RecordList::Play);
    mnuFileSave = item("mnuFileSave", QStringLiteral("另存为"), &RecordList::FileSave);
    mnuEdit = item("mnuEdit", QStringLiteral("编辑"), &RecordList::Edit);
    mnuDel = item("mnuDel", QStringLiteral("删除"), &RecordList::Delete);

    connect(lvw, &QTableView::clicked, this, [this] {
        if (model_->rowCount() > 0)
            mnuBar->popup(QCursor::pos());
    });
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

void RecordList::fill(Recordset &rs)
{
    const QString attachments = AttachmentPath();
    model_->clear();
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
                                     rs.value(date).toString()});
            rs.MoveNext();
        }
    } catch (...) {
        model_->endFill();
        throw;
    }
    model_->endFill();
}

void RecordList::selectRow(int row)
{
    lvw->selectRow(row);
    lvw->setCurrentIndex(model_->index(row, 0));
}

int RecordList::selectedRow() const
{
    const QModelIndexList rows = lvw->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

const RecordRow *RecordList::copyOfSelected(const QString &missingMessage) const
{
    const int r = selectedRow();
    if (r < 0)
        return nullptr;
    const RecordRow &row = model_->row(r);
    if (!StoredName::isPlain(row.storedName)) {
        // A tampered row must never reach a file outside the attachment folder.
        ShowMsg(QStringLiteral("附件名 %1 无效,不能操作附件文件夹以外的文件!").arg(row.storedName),
                Msg::OkOnly | Msg::Information);
        return nullptr;
    }
    if (!missingMessage.isEmpty() && !QFileInfo(row.key).isFile()) {
        ShowMsg(missingMessage, Msg::OkOnly | Msg::Information);
        return nullptr;
    }
    return &row;
}

void RecordList::FileOpen()
{
    if (const RecordRow *row = copyOfSelected(QStringLiteral("附件库中不存在原文件,打开失败!")))
        ShellOpen(row->key);
}

void RecordList::FileSave()
{
    const RecordRow *selected = copyOfSelected(QStringLiteral("附件库中不存在原文件,复制失败!"));
    if (!selected)
        return;
    const RecordRow row = *selected; // the dialog below may let the list change
    const QString target = QDir::fromNativeSeparators(dialogs().saveFileName(row.fileName));
    if (!target.contains(QLatin1Char('/')))
        return; // cancelled
    if (QFileInfo::exists(target) &&
        ShowMsg(QDir::toNativeSeparators(target) + QStringLiteral("文件存在,是否覆盖原文件?"), Msg::YesNo | Msg::Question) ==
            Msg::IdNo)
        return;
    copyReplacing(row.key, target);
    ShowMsg(QStringLiteral("复制完成,成功将文件复制到") + QDir::toNativeSeparators(target), Msg::OkOnly | Msg::Information);
}

void RecordList::Edit()
{
    const int r = selectedRow();
    if (r < 0)
        return;
    frmtblAttachmentEdit editor(owner_);
    editor.strWhere = QStringLiteral(" SaveFileName='") + SqlQuote(model_->row(r).storedName) + QStringLiteral("'");
    editor.Form_Activate();
    dialogs().execModal(&editor);
    if (options_.refresh)
        options_.refresh();
}

void RecordList::Delete()
{
    const int r = selectedRow();
    if (r < 0)
        return;
    const RecordRow row = model_->row(r);
    if (ShowMsg(QStringLiteral("您确定要删除") + row.fileName + QStringLiteral("?"), Msg::YesNo | Msg::Question) == Msg::IdNo)
        return;
    CurrentDb().OpenRecordset(QStringLiteral("Delete * From tblAttachment Where SaveFileName='") +
                                  SqlQuote(row.storedName) + QStringLiteral("'"),
                              1, 3);
    // From here on a failure is ignored: the row is gone, the copy may already be.
    if (StoredName::isPlain(row.storedName))
        QFile::remove(row.key);
    try {
        if (options_.refresh)
            options_.refresh();
    } catch (const AppError &) {
    }
    if (options_.searchWindow)
        ShowMsg(QStringLiteral("删除成功!"), Msg::OkOnly | Msg::Information);
}

void RecordList::Play()
{
    // No existence test here: the viewer itself says what it cannot show.
    const RecordRow *row = copyOfSelected(QString());
    if (!row)
        return;
    frmPlay viewer(owner_);
    viewer.strFile = row->key;
    if (viewer.Form_Activate())
        dialogs().execModal(&viewer);
}
