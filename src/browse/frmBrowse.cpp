#include "browse/frmBrowse.h"

#include "browse/CatalogueFollower.h"
#include "browse/RecordList.h"
#include "browse/RecordListViews.h"
#include "browse/RecordWindows.h"
#include "store/Categories.h"
#include "store/Dialogs.h"
#include "store/Services.h"
#include "store/SystemErrorText.h"
#include "ui/SharedState.h"
#include "ui/WindowServices.h"

#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTableView>
#include <QTimer>

namespace {
const QString kAll = QStringLiteral("全部类别");
}

frmBrowse::frmBrowse(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmBrowse"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(Twips(10260), Twips(6390));

    lbl = new QLabel(QStringLiteral("浏览对应的类别-右键类别配置信息"), this);
    lbl->setObjectName(QStringLiteral("lbl"));
    lbl->setGeometry(Twips(120), 0, Twips(2790) + 60, 16);
    List = new QListWidget(this);
    List->setObjectName(QStringLiteral("List"));
    List->setGeometry(Twips(120), Twips(240), Twips(1695), Twips(5415));
    List->viewport()->installEventFilter(this);
    List->setAccessibleName(QStringLiteral("类别列表"));
    lbl->setBuddy(List);

    records = new RecordList(this, {false, [this] { Refresh(); }});
    lvw = records->lvw;
    mnuBar = records->mnuBar;
    lvw->setGeometry(Twips(1920), Twips(240), Twips(8175), Twips(5415));

    t = new QMenu(this);
    t->setObjectName(QStringLiteral("t"));
    tRename = t->addAction(QStringLiteral("修改类别"));
    tRename->setObjectName(QStringLiteral("tRename"));
    tDelete = t->addAction(QStringLiteral("删除类别"));
    tDelete->setObjectName(QStringLiteral("tDelete"));

    // Load: this window's caption and kind are kept from here on.
    setWindowTitle(gCaption);
    lvw->setProperty("tag", QString::number(gKind));
    follower_ = new CatalogueFollower(this, [this] { Refresh(); });
    // Files dropped anywhere on the window are imported.
    for (QWidget *target :
         {static_cast<QWidget *>(this), List->viewport(), lvw->viewport(), records->views->lvwThumbnails->viewport()}) {
        target->setAcceptDrops(true);
        if (target != List->viewport()) // watched already, for its menu
            target->installEventFilter(this);
    }

    connect(List, &QListWidget::itemClicked, this, [this] { ReportErrors(this, [this] { List_Click(); }); });
    connect(tRename, &QAction::triggered, this, [this] { ReportErrors(this, [this] { RenameCategory(); }); });
    connect(tDelete, &QAction::triggered, this, [this] { ReportErrors(this, [this] { DeleteCategory(); }); });

    ReportErrors(this, [this] {
        FillCategories();
        follower_->listed();
    });
}

int frmBrowse::kind() const
{
    return lvw->property("tag").toString().toInt();
}

void frmBrowse::FillCategories()
{
    // The chosen entry stays chosen when it is still there.
    const QListWidgetItem *chosen = List->currentItem();
    const bool wasAll = chosen && List->row(chosen) == 0;
    const QString chosenKey = chosen ? chosen->data(Qt::UserRole).toString() : QString();
    List->clear();
    auto *all = new QListWidgetItem(kAll, List);
    all->setData(Qt::UserRole, QStringLiteral("*"));
    QListWidgetItem *again = chosen && wasAll ? all : nullptr;
    for (const QString &key : Categories::of(kind())) {
        auto *item = new QListWidgetItem(LastPathPart(key), List);
        item->setData(Qt::UserRole, key);
        item->setToolTip(key);
        if (chosen && !wasAll && key == chosenKey)
            again = item;
    }
    // The listed category, when nothing chosen is left, such as after it was gone for a while:
    // what is listed is what is chosen.
    if (!again && listed_) {
        for (int i = listed_->all ? 0 : 1; i < List->count() && !again; ++i)
            if (listed_->all || List->item(i)->data(Qt::UserRole).toString() == listed_->key)
                again = List->item(i);
    }
    if (again)
        List->setCurrentItem(again);
}

void frmBrowse::Refresh()
{
    FillCategories();
    if (listed_)
        listRecords(listed_->key, true);
    follower_->listed();
}

QString frmBrowse::selectedKey() const
{
    // "全部类别" is the first entry whatever its key: a category may be called "*" too.
    const QListWidgetItem *item = List->currentItem();
    return item && item->isSelected() && List->row(item) > 0 ? item->data(Qt::UserRole).toString() : QString();
}

void frmBrowse::List_Click()
{
    const QListWidgetItem *item = List->currentItem();
    if (!item)
        return;
    listed_ = Listed{item->data(Qt::UserRole).toString(), List->row(item) == 0};
    listRecords(listed_->key, false);
}

void frmBrowse::listRecords(const QString &key, bool keepPlace)
{
    records->fill(Categories::listing(key, kind()), keepPlace);
}

void frmBrowse::RenameCategory()
{
    const QString key = selectedKey();
    if (!key.isEmpty()) {
        const QString answer =
            dialogs().prompt(QStringLiteral("请输入修改的新类别名!"), QStringLiteral("类别名称修改"), key);
        if (!answer.isEmpty()) {
            Categories::rename(key, kind(), answer);
            // The records listed follow their category to its new name.
            if (listed_ && !listed_->all && listed_->key == key) {
                listed_->key = answer;
                if (QListWidgetItem *item = List->currentItem())
                    item->setData(Qt::UserRole, answer);
            }
        }
    }
    Refresh();
}

void frmBrowse::DeleteCategory()
{
    const QString key = selectedKey();
    if (!key.isEmpty()) {
        if (ShowMsg(QStringLiteral("您确定要删除该类别吗,该类别下面的附件也将被删除?"),
                    Msg::YesNo | Msg::Question | Msg::DefaultSecond) == Msg::IdNo)
            return;
        const GroupRunner::Outcome outcome = Categories::remove(key, kind());
        if (outcome.cancelled || !outcome.error.isEmpty()) {
            Refresh();
            ShowMsg(outcome.cancelled ? QStringLiteral("已取消:该类别中已删除 %1 个记录,其余记录仍在.").arg(outcome.done)
                                      : QStringLiteral("该类别中已删除 %1 个记录,其余记录未能删除:\n").arg(outcome.done) +
                                            SystemErrorText::explain(outcome.error),
                    Msg::OkOnly | Msg::Information);
            return;
        }
    }
    Refresh();
}

void frmBrowse::importDropped(const QList<QUrl> &urls)
{
    if (RecordWindows *windows = RecordWindows::installed())
        windows->importDropped(this, urls, filter_, kind());
}

void frmBrowse::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // In twips, as the window was designed: both lists end 150 above the bottom, the
    // record list 150 short of the right edge.
    const int listHeight = Twips(height() * 15 - 240 - 150);
    const int lvwWidth = Twips(width() * 15 - 1920 - 150);
    // A tiny or minimised window would give negative sizes: keep the last layout then.
    if (listHeight <= 0 || lvwWidth <= 0)
        return;
    List->resize(List->width(), listHeight);
    lvw->resize(lvwWidth, listHeight);
    records->placeStatus();
}

bool frmBrowse::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == List->viewport() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
        t->popup(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
        return true;
    }
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDropEvent *>(event);
        if (!drag->mimeData()->hasUrls())
            break;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        if (!drop->mimeData()->hasUrls())
            break;
        const QList<QUrl> urls = drop->mimeData()->urls();
        drop->acceptProposedAction();
        // After the drop has ended: the questions must not hold the other program's drag.
        QTimer::singleShot(0, this, [this, urls] { ReportErrors(this, [this, urls] { importDropped(urls); }); });
        return true;
    }
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}
