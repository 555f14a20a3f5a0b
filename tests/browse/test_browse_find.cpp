#include "ScriptedDialogs.h"
#include "TestFolder.h"
#include "app/SharedState.h"
#include "browse/RecordList.h"
#include "browse/frmBrowse.h"
#include "browse/frmFind.h"
#include "import/frmFile.h"
#include "import/frmtblAttachmentEdit.h"
#include "store/Services.h"
#include "store/SqlQuote.h"
#include "store/clsCurrentDb.h"

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

class TestBrowseFind : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void categoryList();
    void listingByCategory();
    void renameCategory();
    void deleteCategory();
    void separatorInCategory();
    void categoriesByCaseAndStar();
    void windowsKeepTheirKind();
    void searchConditions();
    void searchByDate();
    void listAllAndRefresh();
    void unknownConditionRefused();
    void inputGroups();
    void resizeRules();
    void everyControlHasAName();

private:
    std::unique_ptr<TestFolder> tf_;
    std::unique_ptr<ScriptedDialogs> d_;
};

namespace {
void add(int kind, const QString &name, const QVariant &folder, const QString &info = QStringLiteral("新导入文件"),
         const QString &date = QStringLiteral("2010-01-15 10:00:00"))
{
    static int serial = 0;
    CurrentDb().OpenRecordset(
        QStringLiteral("insert into tblAttachment (Currentinfo,[Date],FileName,FolderName,SaveFileName,tblFileKind) "
                       "values ('%1','%2','%3',%4,'%5.x',%6)")
            .arg(SqlQuote(info), date, SqlQuote(name),
                 folder.isNull() ? QStringLiteral("NULL") : QLatin1Char('\'') + SqlQuote(folder.toString()) + QLatin1Char('\''))
            .arg(++serial)
            .arg(kind));
}

frmBrowse *browse(int kind, const QString &caption = QStringLiteral("浏览图片"))
{
    gCaption = caption;
    gKind = kind;
    return new frmBrowse;
}

QStringList categories(frmBrowse *w)
{
    QStringList out;
    for (int i = 0; i < w->List->count(); ++i)
        out << w->List->item(i)->text();
    return out;
}

void click(frmBrowse *w, const QString &text)
{
    const auto items = w->List->findItems(text, Qt::MatchExactly);
    w->List->setCurrentItem(items.first());
    w->List_Click();
}

QStringList listed(RecordList *list)
{
    QStringList out;
    for (int r = 0; r < list->model()->rowCount(); ++r)
        out << list->model()->row(r).fileName;
    out.sort();
    return out;
}

int count(const QString &where)
{
    return int(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment Where ") + where).RecordCount());
}
} // namespace

void TestBrowseFind::init()
{
    tf_ = std::make_unique<TestFolder>();
    tf_->createCatalogue();
    d_ = std::make_unique<ScriptedDialogs>();
    add(3, QStringLiteral("a.jpg"), QStringLiteral("2008"), QStringLiteral("海边; 日落"), QStringLiteral("2010-01-01 00:00:00"));
    add(3, QStringLiteral("b.jpg"), QStringLiteral("2008"), QStringLiteral("山"), QStringLiteral("2010-01-31 23:59:59"));
    add(3, QStringLiteral("c.png"), QStringLiteral("旅行"), QStringLiteral("家人"), QStringLiteral("2010-02-01 00:00:00"));
    add(3, QStringLiteral("empty.gif"), QStringLiteral(""));
    add(3, QStringLiteral("null.bmp"), QVariant());
    add(3, QStringLiteral("pct.jpg"), QStringLiteral("a%b"));
    add(3, QStringLiteral("axb.jpg"), QStringLiteral("axb"));
    add(2, QStringLiteral("notes.txt"), QStringLiteral("2008"), QStringLiteral("日记"), QStringLiteral("2009-12-31 23:59:59"));
}

void TestBrowseFind::cleanup()
{
    QVERIFY(d_->unexpected.isEmpty());
    d_.reset();
    tf_.reset();
}

void TestBrowseFind::categoryList()
{
    std::unique_ptr<frmBrowse> w(browse(3));
    QCOMPARE(categories(w.get()), QStringList({"全部类别", "", "2008", "a%b", "axb", "旅行"}));
    QCOMPARE(w->List->item(0)->data(Qt::UserRole).toString(), QStringLiteral("*"));
    QCOMPARE(w->windowTitle(), QStringLiteral("浏览图片"));
    QCOMPARE(w->lvw->property("tag").toString(), QStringLiteral("3"));
    QCOMPARE(w->lbl->text(), QStringLiteral("浏览对应的类别-右键类别配置信息"));
    QCOMPARE(w->t->actions().size(), 2);
    QCOMPARE(w->t->actions()[0]->text(), QStringLiteral("修改类别"));
    QCOMPARE(w->mnuBar->actions().size(), 4);
}

void TestBrowseFind::listingByCategory()
{
    std::unique_ptr<frmBrowse> w(browse(3));
    click(w.get(), QStringLiteral("全部类别"));
    // Every record of the kind with a category, the empty one included, the Null one not.
    QCOMPARE(listed(w->records), QStringList({"a.jpg", "axb.jpg", "b.jpg", "c.png", "empty.gif", "pct.jpg"}));
    QCOMPARE(w->records->lblStatus->text(), QStringLiteral("共 6 个记录"));
    click(w.get(), QStringLiteral("2008"));
    QCOMPARE(listed(w->records), QStringList({"a.jpg", "b.jpg"}));
    // A "%" in a category is a pattern to the engine.
    click(w.get(), QStringLiteral("a%b"));
    QCOMPARE(listed(w->records), QStringList({"axb.jpg", "pct.jpg"}));
}

void TestBrowseFind::renameCategory()
{
    std::unique_ptr<frmBrowse> w(browse(3));
    w->List->setCurrentRow(categories(w.get()).indexOf(QStringLiteral("2008")));
    d_->answerPrompt(QString()); // cancelled
    w->RenameCategory();
    QCOMPARE(d_->asked.last().text, QStringLiteral("请输入修改的新类别名!"));
    QCOMPARE(d_->asked.last().title, QStringLiteral("类别名称修改"));
    QCOMPARE(d_->asked.last().defaultAnswer, QStringLiteral("2008"));
    QCOMPARE(count(QStringLiteral("FolderName='2008'")), 3);

    w->List->setCurrentRow(categories(w.get()).indexOf(QStringLiteral("2008")));
    d_->answerPrompt(QStringLiteral("旅行")); // merge into an existing one
    w->RenameCategory();
    QCOMPARE(categories(w.get()), QStringList({"全部类别", "", "a%b", "axb", "旅行"}));
    QCOMPARE(count(QStringLiteral("FolderName='旅行' And tblFileKind=3")), 3);
    // The text record of the same category is another kind's and stays.
    QCOMPARE(count(QStringLiteral("FolderName='2008' And tblFileKind=2")), 1);

    // "全部类别" only rebuilds the list.
    w->List->setCurrentRow(0);
    w->RenameCategory();
    QCOMPARE(categories(w.get()).size(), 5);
}

void TestBrowseFind::deleteCategory()
{
    std::unique_ptr<frmBrowse> w(browse(3));
    click(w.get(), QStringLiteral("2008"));
    d_->answerMessage(7);
    w->tDelete->trigger();
    QCOMPARE(d_->asked.last().text, QStringLiteral("您确定要删除该类别吗,该类别下面的附件也将被删除?"));
    QCOMPARE(d_->asked.last().buttons, Msg::YesNo | Msg::Question | Msg::DefaultSecond);
    QCOMPARE(d_->asked.last().owner, QStringLiteral("frmBrowse"));
    QCOMPARE(count(QStringLiteral("FolderName='2008'")), 3);
    d_->answerMessage(6);
    w->DeleteCategory();
    QCOMPARE(count(QStringLiteral("FolderName='2008' And tblFileKind=3")), 0);
    QCOMPARE(count(QStringLiteral("FolderName='2008' And tblFileKind=2")), 1);
    QVERIFY(!categories(w.get()).contains(QStringLiteral("2008")));
    // The record list keeps its rows until the next click.
    QCOMPARE(w->records->model()->rowCount(), 2);
}

// One rule of letter case for the list, a category's records, its rename and its delete.
// A category named "*" is a category like any other; "全部类别" is the first entry.
void TestBrowseFind::categoriesByCaseAndStar()
{
    add(3, QStringLiteral("upper.jpg"), QStringLiteral("Trip"));
    add(3, QStringLiteral("lower.jpg"), QStringLiteral("trip"));
    add(3, QStringLiteral("star.jpg"), QStringLiteral("*"));
    std::unique_ptr<frmBrowse> w(browse(3));
    QVERIFY(categories(w.get()).contains(QStringLiteral("Trip")) && categories(w.get()).contains(QStringLiteral("trip")));
    click(w.get(), QStringLiteral("trip"));
    QCOMPARE(listed(w->records), QStringList({"lower.jpg"}));
    d_->answerMessage(Msg::IdYes);
    w->DeleteCategory();
    QCOMPARE(count(QStringLiteral("FolderName='Trip'")), 1);
    QCOMPARE(count(QStringLiteral("FolderName='trip'")), 0);
    w->List->setCurrentRow(categories(w.get()).indexOf(QStringLiteral("*")));
    d_->answerPrompt(QStringLiteral("星"));
    w->RenameCategory();
    QCOMPARE(count(QStringLiteral("FolderName='星'")), 1);
    w->List->setCurrentRow(categories(w.get()).indexOf(QStringLiteral("星")));
    d_->answerMessage(Msg::IdYes);
    w->DeleteCategory();
    QCOMPARE(count(QStringLiteral("FolderName='星'")), 0);
}

void TestBrowseFind::separatorInCategory()
{
    add(3, QStringLiteral("deep.jpg"), QStringLiteral("x/年份"));
    std::unique_ptr<frmBrowse> w(browse(3));
    QVERIFY(categories(w.get()).contains(QStringLiteral("年份")));
    click(w.get(), QStringLiteral("年份"));
    QCOMPARE(listed(w->records), QStringList({"deep.jpg"}));
    d_->answerPrompt(QStringLiteral("平的"));
    w->RenameCategory();
    QCOMPARE(count(QStringLiteral("FolderName='平的'")), 1);
}

void TestBrowseFind::windowsKeepTheirKind()
{
    std::unique_ptr<frmBrowse> pictures(browse(3, QStringLiteral("浏览图片")));
    std::unique_ptr<frmBrowse> texts(browse(2, QStringLiteral("浏览文本")));
    click(pictures.get(), QStringLiteral("全部类别"));
    QCOMPARE(pictures->records->model()->rowCount(), 6);
    click(texts.get(), QStringLiteral("全部类别"));
    QCOMPARE(listed(texts->records), QStringList({"notes.txt"}));
    // A rebuild in the older window keeps its own caption and kind.
    pictures->List->setCurrentRow(0);
    pictures->RenameCategory();
    QCOMPARE(pictures->windowTitle(), QStringLiteral("浏览图片"));
    QVERIFY(categories(pictures.get()).contains(QStringLiteral("旅行")));
}

void TestBrowseFind::searchConditions()
{
    frmFind f;
    QCOMPARE(f.ComCondition->currentText(), QStringLiteral("文件名"));
    QCOMPARE(f.ComCondition->currentIndex(), -1);
    QCOMPARE(f.ComKid->currentText(), QStringLiteral("全部"));
    f.txtContent->setText(QStringLiteral("b"));
    f.cmdFind_Click();
    QCOMPARE(listed(f.records), QStringList({"axb.jpg", "b.jpg", "null.bmp"}));
    f.ComKid->setEditText(QStringLiteral("文本"));
    f.txtContent->setText(QStringLiteral("note"));
    QTest::keyClick(f.txtContent, Qt::Key_Return); // Enter in the search text runs the search
    QCOMPARE(listed(f.records), QStringList({"notes.txt"}));
    f.ComKid->setEditText(QStringLiteral("图片"));
    f.cmdFind_Click();
    QCOMPARE(listed(f.records), QStringList());

    f.ComKid->setEditText(QStringLiteral("no such kind")); // searches every kind
    f.ComCondition->setEditText(QStringLiteral("类别"));
    f.txtContent->setText(QStringLiteral("00"));
    f.cmdFind_Click();
    QCOMPARE(listed(f.records), QStringList({"a.jpg", "b.jpg", "notes.txt"}));
    f.ComCondition->setEditText(QStringLiteral("简介"));
    f.txtContent->setText(QStringLiteral("; 日"));
    f.cmdFind_Click();
    QCOMPARE(listed(f.records), QStringList({"a.jpg"}));
    f.txtContent->setText(QStringLiteral("it's"));
    f.cmdFind_Click(); // a quote is a plain character
    QCOMPARE(listed(f.records), QStringList());
}

void TestBrowseFind::searchByDate()
{
    frmFind f;
    QCOMPARE(f.DTPicker1->date(), QDate(2009, 12, 3));
    f.ComCondition->setEditText(QStringLiteral("时间"));
    f.DTPicker1->setDate(QDate(2010, 1, 1));
    f.DTPicker2->setDate(QDate(2010, 1, 31));
    f.cmdFind_Click();
    QCOMPARE(listed(f.records), QStringList({"a.jpg", "axb.jpg", "b.jpg", "empty.gif", "null.bmp", "pct.jpg"}));
    QVERIFY(listed(f.records).contains(QStringLiteral("a.jpg")));
    QVERIFY(listed(f.records).contains(QStringLiteral("b.jpg")));
    QVERIFY(!listed(f.records).contains(QStringLiteral("c.png")));
    QVERIFY(!listed(f.records).contains(QStringLiteral("notes.txt")));
    f.DTPicker1->setDate(QDate(2010, 2, 2)); // first after last: nothing
    f.cmdFind_Click();
    QCOMPARE(f.records->model()->rowCount(), 0);
}

void TestBrowseFind::listAllAndRefresh()
{
    frmFind f;
    f.Command1_Click();
    QCOMPARE(f.records->model()->rowCount(), 8);
    f.ComKid->setEditText(QStringLiteral("文本"));
    f.Command1_Click();
    QCOMPARE(listed(f.records), QStringList({"notes.txt"}));
    // An edit refreshes with the search inputs, not with "返回".
    f.txtContent->setText(QStringLiteral("notes"));
    f.ComKid->setEditText(QStringLiteral("全部"));
    f.records->selectRow(0);
    d_->onModal([](QDialog *dialog) {
        auto *editor = qobject_cast<frmtblAttachmentEdit *>(dialog);
        editor->Text3->setText(QStringLiteral("notes-2.txt"));
        editor->cmdSave->click();
        return 1;
    });
    f.records->mnuEdit->trigger();
    QCOMPARE(listed(f.records), QStringList({"notes-2.txt"}));
    // Delete: the row goes, the list is searched again, and the search window says so.
    f.records->selectRow(0);
    d_->answerMessage(6);
    f.records->mnuDel->trigger();
    QCOMPARE(d_->messages().last(), QStringLiteral("删除成功!"));
    QCOMPARE(f.records->model()->rowCount(), 0);
}

void TestBrowseFind::unknownConditionRefused()
{
    frmFind f;
    f.Command1_Click();
    f.ComCondition->setEditText(QStringLiteral("大小"));
    f.cmdFind_Click();
    QCOMPARE(d_->messages().size(), 1);
    QVERIFY(d_->messages().first().contains(QStringLiteral("文件名、类别、简介、时间")));
    QCOMPARE(f.records->model()->rowCount(), 8); // nothing was sent, the list stays
}

void TestBrowseFind::inputGroups()
{
    frmFind f;
    QVERIFY(!f.DTPicker1->isVisibleTo(&f) && f.txtContent->isVisibleTo(&f));
    f.ComCondition->setEditText(QStringLiteral("时间"));
    QVERIFY(f.DTPicker1->isVisibleTo(&f) && f.Label2->isVisibleTo(&f));
    QVERIFY(!f.txtContent->isVisibleTo(&f) && !f.lbl[1]->isVisibleTo(&f));
    f.ComCondition->setEditText(QStringLiteral("时"));
    QVERIFY(!f.DTPicker1->isVisibleTo(&f) && f.txtContent->isVisibleTo(&f));
    // Typed text and Enter never add an entry: the lists hold exactly their fixed entries.
    for (QComboBox *box : {f.ComCondition, f.ComKid}) {
        const int entries = box->count();
        box->setEditText(QStringLiteral("typed"));
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        QCOMPARE(box->count(), entries);
    }
}

// The lists take the size the windows' rules give, in twips: the search window's list is
// the inner size less 100 wide and 400 high; the browse window's lists end 150 twips from
// the bottom and the record list 150 from the right.
void TestBrowseFind::resizeRules()
{
    frmFind f;
    f.resize(1000, 700);
    f.show();
    QCOMPARE(f.lvw->geometry(), QRect(8, 24, 993, 673));
    std::unique_ptr<frmBrowse> w(browse(3));
    w->resize(1000, 700);
    w->show();
    QCOMPARE(w->List->geometry(), QRect(8, 16, 113, 674));
    QCOMPARE(w->lvw->geometry(), QRect(128, 16, 862, 674));
    // At their own sizes too, the status lines and view switches take free room only:
    // beside the other controls, or in a header row right of every column title.
    f.resize(f.sizeHint().expandedTo(QSize(884, 513)));
    w->resize(684, 426);
    for (QWidget *window : std::initializer_list<QWidget *>{&f, w.get()}) {
        RecordList *list = window == &f ? f.records : w->records;
        const QRect status = list->lblStatus->geometry();
        QVERIFY(list->lblStatus->isVisible());
        for (QWidget *other : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (other != list->lblStatus && other->isVisible())
                QVERIFY2(!other->geometry().intersects(status) ||
                             (other == list->lvw && status.x() > other->x() + list->lvw->horizontalHeader()->length()),
                         qPrintable(other->objectName()));
    }
}

void TestBrowseFind::everyControlHasAName()
{
    // A screen reader names each control a user can reach, from its label where it has one.
    std::unique_ptr<frmBrowse> browsing(browse(3));
    frmFind finding;
    frmFile importing;
    for (QWidget *window : std::initializer_list<QWidget *>{browsing.get(), &finding, &importing}) {
        for (QWidget *control : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            // Plain labels name other controls; clickable ones are controls themselves.
            const bool clickable = control->cursor().shape() == Qt::PointingHandCursor;
            if (qobject_cast<QLabel *>(control) ? !clickable : control->focusPolicy() == Qt::NoFocus)
                continue;
            QAccessibleInterface *face = QAccessible::queryAccessibleInterface(control);
            QVERIFY2(face && !face->text(QAccessible::Name).isEmpty(),
                     qPrintable(window->objectName() + QLatin1Char('.') + control->objectName()));
        }
    }
    // A combo box is named by its text; its label comes as the label relation.
    const auto labels = QAccessible::queryAccessibleInterface(finding.ComKid)->relations(QAccessible::Label);
    QVERIFY(!labels.isEmpty() && labels.first().first->text(QAccessible::Name) == QStringLiteral("类型"));
}

QTEST_MAIN(TestBrowseFind)
#include "test_browse_find.moc"
