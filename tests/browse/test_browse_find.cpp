#include "CatalogueFixture.h"
#include "CatalogueTest.h"
#include "browse/RecordList.h"
#include "browse/frmBrowse.h"
#include "browse/frmFind.h"
#include "import/frmFile.h"
#include "import/frmtblAttachmentEdit.h"
#include "ui/SharedState.h"

#include <QtWidgets>

class TestBrowseFind : public QObject, private CatalogueFixture {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void categoryListAndListing();
    void renameAndDeleteCategory();
    void search_data();
    void search();
    void searchWindow();
    void layoutAndNames();
};

namespace {
void add(int kind, const QString &name, const QVariant &folder, const QString &info = "新导入文件",
         const QString &date = "2010-01-15 10:00:00")
{
    static int serial = 0;
    const QString category = folder.isNull() ? "NULL" : "'" + SqlQuote(folder.toString()) + "'";
    CurrentDb().OpenRecordset(
        QStringLiteral("insert into tblAttachment (Currentinfo,[Date],FileName,FolderName,SaveFileName,tblFileKind) "
                       "values ('%1','%2','%3',%4,'%5.x',%6)")
            .arg(SqlQuote(info), date, SqlQuote(name), category)
            .arg(++serial)
            .arg(kind));
}

QStringList listed(RecordList *list)
{
    QStringList out;
    for (int r = 0; r < list->model()->rowCount(); ++r)
        out << list->model()->row(r).fileName;
    out.sort();
    return out;
}

// A browse window of one kind, its category list and its record list.
struct Browse : std::unique_ptr<frmBrowse> {
    explicit Browse(int kind, const QString &caption = "浏览图片")
    {
        gCaption = caption;
        gKind = kind;
        reset(new frmBrowse);
    }
    QStringList categories() const
    {
        QStringList out;
        for (int i = 0; i < get()->List->count(); ++i)
            out << get()->List->item(i)->text();
        return out;
    }
    void pick(const QString &text) const { get()->List->setCurrentRow(categories().indexOf(text)); }
    // Clicks a category; returns the records it lists.
    QStringList click(const QString &text) const
    {
        pick(text);
        get()->List_Click();
        return listed(get()->records);
    }
    // Picks `from` and renames it to `to` (empty: the prompt cancelled).
    void rename(ScriptedDialogs &d, const QString &from, const QString &to) const
    {
        pick(from);
        d.answerPrompt(to);
        get()->RenameCategory();
    }
    void remove(ScriptedDialogs &d) const
    {
        d.answerMessage(Msg::IdYes);
        get()->DeleteCategory();
    }
};

int count(const QString &where)
{
    return int(CurrentDb().OpenRecordset("Select * From tblAttachment Where " + where).RecordCount());
}
} // namespace

void TestBrowseFind::init()
{
    openCatalogue();
    add(3, "a.jpg", "2008", "海边; 日落", "2010-01-01 00:00:00");
    add(3, "b.jpg", "2008", "山", "2010-01-31 23:59:59");
    add(3, "c.png", "旅行", "家人", "2010-02-01 00:00:00");
    add(3, "empty.gif", "");
    add(3, "null.bmp", QVariant());
    add(3, "pct.jpg", "a%b");
    add(3, "axb.jpg", "axb");
    add(2, "notes.txt", "2008", "日记", "2009-12-31 23:59:59");
}

void TestBrowseFind::cleanup()
{
    QVERIFY(d_->unexpected.isEmpty());
    closeCatalogue();
}

// Each window keeps the caption and kind it was opened with, also after a rebuild.
void TestBrowseFind::categoryListAndListing()
{
    Browse w(3);
    Browse texts(2, "浏览文本");
    QCOMPARE(w.categories(), QStringList({"全部类别", "", "2008", "a%b", "axb", "旅行"}));
    QCOMPARE(texts.click("全部类别"), QStringList({"notes.txt"}));
    w->List->setCurrentRow(0);
    w->RenameCategory();
    QCOMPARE(w->windowTitle(), QStringLiteral("浏览图片"));
    // Every record of the kind with a category, the empty one included, the Null one not.
    QCOMPARE(w.click("全部类别"), QStringList({"a.jpg", "axb.jpg", "b.jpg", "c.png", "empty.gif", "pct.jpg"}));
    QCOMPARE(w->records->lblStatus->text(), QStringLiteral("共 6 个记录"));
    QCOMPARE(w.click("2008"), QStringList({"a.jpg", "b.jpg"}));
    QCOMPARE(w.click("a%b"), QStringList({"axb.jpg", "pct.jpg"})); // a "%" in a category is a pattern to the engine
}

// Rename and delete act on the window's kind only; "全部类别" only rebuilds the list.
void TestBrowseFind::renameAndDeleteCategory()
{
    Browse w(3);
    w.rename(*d_, "2008", QString());
    QCOMPARE(d_->asked.last().text + d_->asked.last().title + d_->asked.last().defaultAnswer,
             QStringLiteral("请输入修改的新类别名!类别名称修改2008"));
    QCOMPARE(count("FolderName='2008'"), 3);
    w.rename(*d_, "2008", "旅行"); // merge into an existing one
    QCOMPARE(w.categories(), QStringList({"全部类别", "", "a%b", "axb", "旅行"}));
    QCOMPARE(QList<int>({count("FolderName='旅行' And tblFileKind=3"), count("FolderName='2008' And tblFileKind=2")}),
             QList<int>({3, 1}));

    w.click("旅行");
    d_->answerMessage(Msg::IdNo);
    w->tDelete->trigger();
    QCOMPARE(d_->asked.last().text + d_->asked.last().owner,
             QStringLiteral("您确定要删除该类别吗,该类别下面的附件也将被删除?frmBrowse"));
    QCOMPARE(d_->asked.last().buttons, Msg::YesNo | Msg::Question | Msg::DefaultSecond);
    QCOMPARE(count("FolderName='旅行'"), 3);
    w.remove(*d_);
    QCOMPARE(QList<int>({count("FolderName='旅行'"), count("FolderName='2008' And tblFileKind=2")}), QList<int>({0, 1}));
    QCOMPARE(w.categories(), QStringList({"全部类别", "", "a%b", "axb"}));
    QCOMPARE(w->records->model()->rowCount(), 0); // the list shows the catalogue as it is now

    // One rule of letter case for the list, a category's records, its rename and its delete.
    // A category named "*" is a category like any other; "全部类别" is the first entry. A
    // category holding a separator is listed by its last part.
    add(3, "upper.jpg", "Trip");
    add(3, "lower.jpg", "trip");
    add(3, "star.jpg", "*");
    add(3, "deep.jpg", "x/年份");
    Browse v(3);
    QVERIFY(v.categories().contains("Trip") && v.categories().contains("trip"));
    QCOMPARE(v.click("trip"), QStringList({"lower.jpg"}));
    v.remove(*d_);
    QCOMPARE(QList<int>({count("FolderName='Trip'"), count("FolderName='trip'")}), QList<int>({1, 0}));
    v.rename(*d_, "*", "星");
    QCOMPARE(count("FolderName='星'"), 1);
    v.pick("星");
    v.remove(*d_);
    QCOMPARE(count("FolderName='星'"), 0);
    QCOMPARE(v.click("年份"), QStringList({"deep.jpg"}));
    v.rename(*d_, "年份", "平的");
    QCOMPARE(count("FolderName='平的'"), 1);
}

void TestBrowseFind::search_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text"); // for "时间": first and last day
    QTest::addColumn<QStringList>("found");
    QTest::newRow("name") << "文件名"
                          << "全部"
                          << "b" << QStringList({"axb.jpg", "b.jpg", "null.bmp"});
    QTest::newRow("name, texts") << "文件名"
                                 << "文本"
                                 << "note" << QStringList({"notes.txt"});
    QTest::newRow("name, pictures") << "文件名"
                                    << "图片"
                                    << "note" << QStringList();
    QTest::newRow("category, any kind") << "类别"
                                        << "no such kind"
                                        << "00" << QStringList({"a.jpg", "b.jpg", "notes.txt"});
    QTest::newRow("description") << "简介"
                                 << "全部"
                                 << "; 日" << QStringList({"a.jpg"});
    QTest::newRow("a quote is plain") << "简介"
                                      << "全部"
                                      << "it's" << QStringList();
    QTest::newRow("dates, days whole") << "时间"
                                       << "全部"
                                       << "2010-01-01 2010-01-31"
                                       << QStringList({"a.jpg", "axb.jpg", "b.jpg", "empty.gif", "null.bmp", "pct.jpg"});
    QTest::newRow("dates, first after last") << "时间"
                                             << "全部"
                                             << "2010-02-02 2010-01-31" << QStringList();
    // Refused: nothing is sent, the list stays.
    QTest::newRow("unknown condition") << "大小"
                                       << "全部"
                                       << "x"
                                       << QStringList({"a.jpg", "axb.jpg", "b.jpg", "c.png", "empty.gif", "notes.txt",
                                                       "null.bmp", "pct.jpg"});
}

void TestBrowseFind::search()
{
    QFETCH(QString, condition);
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QStringList, found);
    frmFind f;
    f.Command1_Click();
    f.ComCondition->setEditText(condition);
    f.ComKid->setEditText(kind);
    f.txtContent->setText(text);
    f.DTPicker1->setDate(QDate::fromString(text.section(' ', 0, 0), Qt::ISODate));
    f.DTPicker2->setDate(QDate::fromString(text.section(' ', 1, 1), Qt::ISODate));
    f.cmdFind_Click();
    QCOMPARE(listed(f.records), found);
    QCOMPARE(d_->messages().join('|').contains("文件名、类别、简介、时间"), condition == "大小");
}

// The search window's inputs: a date range for "时间", a text otherwise; lists that hold
// exactly their fixed entries; "返回" lists the kind's records; Enter in the text runs the
// search, and an edit refreshes with the search inputs, not with "返回".
void TestBrowseFind::searchWindow()
{
    frmFind f;
    QCOMPARE(f.ComCondition->currentText() + f.ComKid->currentText(), QStringLiteral("文件名全部"));
    QVERIFY(!f.DTPicker1->isVisibleTo(&f) && f.txtContent->isVisibleTo(&f));
    f.ComCondition->setEditText("时间");
    QVERIFY(f.DTPicker1->isVisibleTo(&f) && f.Label2->isVisibleTo(&f));
    QVERIFY(!f.txtContent->isVisibleTo(&f) && !f.lbl[1]->isVisibleTo(&f));
    f.ComCondition->setEditText("时");
    QVERIFY(!f.DTPicker1->isVisibleTo(&f) && f.txtContent->isVisibleTo(&f));
    for (QComboBox *box : {f.ComCondition, f.ComKid}) {
        const int entries = box->count();
        box->setEditText("typed");
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        QCOMPARE(box->count(), entries);
    }
    f.ComKid->setEditText("图片");
    f.Command1_Click();
    QCOMPARE(f.records->model()->rowCount(), 7);
    f.ComCondition->setEditText("文件名");
    f.ComKid->setEditText("全部");
    f.txtContent->setText("note");
    QTest::keyClick(f.txtContent, Qt::Key_Return);
    QCOMPARE(listed(f.records), QStringList({"notes.txt"}));
    f.records->selectRow(0);
    d_->onModal([](QDialog *dialog) {
        auto *editor = qobject_cast<frmtblAttachmentEdit *>(dialog);
        editor->Text3->setText("notes-2.txt");
        editor->cmdSave->click();
        return 1;
    });
    f.records->mnuEdit->trigger();
    QCOMPARE(listed(f.records), QStringList({"notes-2.txt"}));
}

// The lists take the size the windows' rules give, in twips: the search window's list is
// the inner size less 100 wide and 400 high; the browse window's lists end 150 twips from
// the bottom and the record list 150 from the right. The status lines sit in the header
// rows or beside the controls, clear of them all. A screen reader names each control a user can reach,
// from its label where it has one.
void TestBrowseFind::layoutAndNames()
{
    frmFind f;
    f.resize(1000, 700);
    f.show();
    QCOMPARE(f.lvw->geometry(), QRect(8, 24, 993, 673));
    Browse w(3);
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
    frmFile importing;
    for (QWidget *window : std::initializer_list<QWidget *>{w.get(), &f, &importing}) {
        for (QWidget *control : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            // Plain labels name other controls; clickable ones are controls themselves.
            const bool clickable = control->cursor().shape() == Qt::PointingHandCursor;
            if (qobject_cast<QLabel *>(control) ? !clickable : control->focusPolicy() == Qt::NoFocus)
                continue;
            QAccessibleInterface *face = QAccessible::queryAccessibleInterface(control);
            QVERIFY2(face && !face->text(QAccessible::Name).isEmpty(),
                     qPrintable(window->objectName() + '.' + control->objectName()));
        }
    }
    // A combo box is named by its text; its label comes as the label relation.
    const auto labels = QAccessible::queryAccessibleInterface(f.ComKid)->relations(QAccessible::Label);
    QVERIFY(!labels.isEmpty() && labels.first().first->text(QAccessible::Name) == QStringLiteral("类型"));
}

QTEST_MAIN(TestBrowseFind)
#include "test_browse_find.moc"
