#include "Corpus.h"
#include "ScriptedDialogs.h"
#include "TestFolder.h"
#include "browse/RecordList.h"
#include "browse/RecordListViews.h"
#include "import/frmtblAttachmentEdit.h"
#include "store/DatabaseLocator.h"
#include "store/FileIcons.h"
#include "store/Services.h"
#include "store/RecordChanged.h"
#include "store/SqlQuote.h"
#include "store/clsCurrentDb.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QDateTimeEdit>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTableView>
#include <QtTest>

class TestRecordList : public QObject {
    Q_OBJECT
private slots:
    void fallbackIcons_data();
    void fallbackIcons(); // first: before any theme icon is cached
    void addRecordRow();
    void sortStateMachine();
    void openAndSaveAs();
    void editRefreshes();
    void deleteRowAndCopy();
    void tamperedStoredName();
    void recordsWithoutStoredName();
    void keyboardAndMouseRoutes_data();
    void keyboardAndMouseRoutes();
    void deleteSeveral();
    void viewSwitchKeepsSelectionAndCommands();
};

namespace {
struct Fixture {
    TestFolder tf;
    ScriptedDialogs d;
    QWidget owner;
    int refreshes = 0;
    std::unique_ptr<RecordList> list;

    explicit Fixture(bool search)
    {
        tf.createCatalogue();
        CurrentDb(); // locates the catalogue and the attachment folder
        list = std::make_unique<RecordList>(&owner, RecordList::Options{search, [this] {
                                                                            ++refreshes;
                                                                            reload();
                                                                        }});
    }
    void add(const QString &stored, const QString &name, const QString &folder, const QString &date,
             bool withCopy = true)
    {
        CurrentDb().OpenRecordset(
            QStringLiteral("insert into tblAttachment (Currentinfo,[Date],FileName,FolderName,SaveFileName,tblFileKind) "
                           "values ('d','%1','%2','%3','%4',3)")
                .arg(date, SqlQuote(name), SqlQuote(folder), SqlQuote(stored)));
        if (withCopy)
            tf.write(QStringLiteral("Attachment/") + stored, name.toUtf8());
    }
    void reload()
    {
        Recordset rs = CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment"));
        list->fill(rs);
    }
    QStringList column(int c) const
    {
        QStringList out;
        for (int r = 0; r < list->model()->rowCount(); ++r)
            out << list->model()->row(r).column(c);
        return out;
    }
    int rowNamed(const QString &name) const
    {
        for (int r = 0; r < list->model()->rowCount(); ++r)
            if (list->model()->row(r).fileName == name)
                return r;
        return -1;
    }
};
constexpr int kDestroys = Msg::YesNo | Msg::Question | Msg::DefaultSecond;
} // namespace

void TestRecordList::fallbackIcons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::newRow("text") << "a.txt" << "text";
    QTest::newRow("picture") << "b.JPEG" << "image";
    QTest::newRow("video") << "c.mkv" << "video";
    QTest::newRow("sound") << "d.flac" << "audio";
    QTest::newRow("office") << "e.docx" << "office";
    QTest::newRow("unknown") << "g.zzq" << "file";
}

void TestRecordList::fallbackIcons()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    // A bare desktop: no icon theme at all.
    QIcon::setThemeSearchPaths({});
    QIcon::setThemeName(QStringLiteral("none"));
    const QImage shipped = QIcon(QStringLiteral(":/icons/%1.png").arg(kind)).pixmap(16).toImage();
    QVERIFY(!shipped.isNull());
    QCOMPARE(FileIcons::forFileName(name).pixmap(16).toImage(), shipped);
}

void TestRecordList::addRecordRow()
{
    Fixture f(false);
    RecordListModel *m = f.list->model();
    QVERIFY(f.list->AddRecordRow(AttachmentPath() + QStringLiteral("1.jpg"), QStringLiteral("a.jpg"), QStringLiteral("c"),
                                 QStringLiteral("d"), QStringLiteral("2010-01-01 00:00:00")));
    QVERIFY(f.list->AddRecordRow(AttachmentPath() + QStringLiteral("1.jpg"), QStringLiteral("other"), {}, {}, {}));
    QCOMPARE(m->rowCount(), 1);
    QCOMPARE(m->row(0).fileName, QStringLiteral("a.jpg"));
    QCOMPARE(m->row(0).storedName, QStringLiteral("1.jpg"));
    QCOMPARE(m->rowOf(AttachmentPath() + QStringLiteral("1.jpg")), 0);
    QCOMPARE(m->headerText(0), QStringLiteral("文件名"));
    QCOMPARE(f.list->lvw->columnWidth(0), 162);
    QCOMPARE(f.list->lvw->columnWidth(1), 96);
    // Two records with the same stored name are listed once.
    f.add(QStringLiteral("x.jpg"), QStringLiteral("one"), QStringLiteral("f"), QStringLiteral("2010-01-01 00:00:00"));
    f.add(QStringLiteral("x.jpg"), QStringLiteral("two"), QStringLiteral("f"), QStringLiteral("2010-01-01 00:00:00"));
    f.reload();
    QCOMPARE(m->rowCount(), 1);
    QCOMPARE(f.list->mnuBar->actions().size(), 4);
}

void TestRecordList::sortStateMachine()
{
    Fixture f(false);
    f.add(QStringLiteral("1.a"), QStringLiteral("b"), QStringLiteral("z"), QStringLiteral("2010-9-30"));
    f.add(QStringLiteral("2.a"), QStringLiteral("a"), QStringLiteral("y"), QStringLiteral("2010-10-1"));
    f.add(QStringLiteral("3.a"), QStringLiteral("C"), QStringLiteral("x"), QStringLiteral("2010-9-1"));
    f.reload();
    RecordListModel *m = f.list->model();
    QCOMPARE(f.column(0), QStringList({"b", "a", "C"}));
    m->headerClicked(0);
    QCOMPARE(f.column(0), QStringList({"C", "b", "a"}));
    QCOMPARE(m->headerText(0), QStringLiteral("文件名▼"));
    m->headerClicked(1); // another header: ascending, only it marked
    QCOMPARE(f.column(1), QStringList({"x", "y", "z"}));
    QCOMPARE(m->headerText(0), QStringLiteral("文件名"));
    QCOMPARE(m->headerText(1), QStringLiteral("类别▲"));
    // A refill keeps the order the mark shows, and a row added later takes its place.
    f.add(QStringLiteral("4.a"), QStringLiteral("d"), QStringLiteral("xa"), QStringLiteral("2011-1-1"));
    f.reload();
    QCOMPARE(f.column(1), QStringList({"x", "xa", "y", "z"}));
    f.list->AddRecordRow(AttachmentPath() + QStringLiteral("5.a"), QStringLiteral("e"), QStringLiteral("a"), {}, {});
    QCOMPARE(f.column(1).first(), QStringLiteral("a"));
    m->headerClicked(3);
    QCOMPARE(m->headerText(3), QStringLiteral("日期▼"));
    m->headerClicked(3);
    // Dates sort as text.
    QCOMPARE(f.column(3), QStringList({"", "2010-10-1", "2010-9-1", "2010-9-30", "2011-1-1"}));
}

void TestRecordList::openAndSaveAs()
{
    Fixture f(false);
    f.add(QStringLiteral("1.txt"), QStringLiteral("报告.txt"), QStringLiteral("f"), QStringLiteral("2010-01-01"));
    f.add(QStringLiteral("2.txt"), QStringLiteral("gone.txt"), QStringLiteral("f"), QStringLiteral("2010-01-01"), false);
    f.reload();
    const int present = f.rowNamed(QStringLiteral("报告.txt"));
    const int missing = f.rowNamed(QStringLiteral("gone.txt"));

    f.list->selectRow(missing);
    f.list->mnuFileOpen->trigger();
    f.list->mnuFileSave->trigger();
    QCOMPARE(f.d.messages(), QStringList({QStringLiteral("附件库中不存在原文件,打开失败!"),
                                          QStringLiteral("附件库中不存在原文件,复制失败!")}));
    f.list->selectRow(present);
    f.list->mnuFileOpen->trigger();
    QCOMPARE(f.d.opened, QStringList(AttachmentPath() + QStringLiteral("1.txt")));
    QCOMPARE(f.d.messages().size(), 2);
    f.d.openSucceeds = false; // no desktop program for the type: the user is told
    f.list->mnuFileOpen->trigger();
    QVERIFY(f.d.messages().last().contains(QStringLiteral("报告.txt")));

    // Cancelled dialog: nothing.
    f.d.answerSave(QString());
    f.list->mnuFileSave->trigger();
    QCOMPARE(f.d.asked.last().defaultAnswer, QStringLiteral("报告.txt"));
    // Onto an existing file: asked first; No copies nothing, Yes replaces.
    const QString target = f.tf.write(QStringLiteral("out/报告.txt"), "old");
    f.d.answerSave(target);
    f.d.answerMessage(7);
    f.list->mnuFileSave->trigger();
    QCOMPARE(f.d.asked.last().text, target + QStringLiteral("文件存在,是否覆盖原文件?"));
    QCOMPARE(f.d.asked.last().buttons, kDestroys);
    QFile t(target);
    QVERIFY(t.open(QIODevice::ReadOnly));
    QCOMPARE(t.readAll(), QByteArray("old"));
    t.close();
    f.d.answerSave(target);
    f.d.answerMessage(6);
    f.list->mnuFileSave->trigger();
    QCOMPARE(f.d.asked.last().text, QStringLiteral("复制完成,成功将文件复制到") + target);
    QVERIFY(t.open(QIODevice::ReadOnly));
    QCOMPARE(t.readAll(), QString(QStringLiteral("报告.txt")).toUtf8());
    // A file of the user's beside the target is never taken for a temporary one, and none is left.
    const QString users = f.tf.write(QStringLiteral("out/报告.txt.mc-part"), "mine");
    f.d.answerSave(target);
    f.d.answerMessage(6);
    f.list->mnuFileSave->trigger();
    QCOMPARE(Corpus::read(users), QByteArray("mine"));
    QCOMPARE(QDir(f.tf.file(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden).size(), 2);
    QVERIFY(f.d.allAnswered());
}

void TestRecordList::editRefreshes()
{
    Fixture f(false);
    f.add(QStringLiteral("1.txt"), QStringLiteral("a.txt"), QStringLiteral("f"), QStringLiteral("2010-01-02 03:04:05"));
    f.reload();
    f.list->selectRow(0);
    f.d.onModal([](QDialog *dialog) {
        auto *editor = qobject_cast<frmtblAttachmentEdit *>(dialog);
        // Loaded before it is shown.
        if (editor->Text3->text() != QStringLiteral("a.txt") || editor->strWhere != QStringLiteral(" SaveFileName='1.txt'"))
            return -1;
        editor->Text1->setPlainText(QStringLiteral("  it's new; 描述  "));
        editor->cmdSave->click();
        return editor->result();
    });
    f.list->mnuEdit->trigger();
    QCOMPARE(f.refreshes, 1);
    QCOMPARE(f.list->model()->row(0).description, QStringLiteral("it's new; 描述"));
    QCOMPARE(f.list->model()->row(0).date, QStringLiteral("2010-01-02 03:04:05"));
    QVERIFY(f.d.allAnswered());
}

void TestRecordList::deleteRowAndCopy()
{
    for (bool search : {false, true}) {
        Fixture f(search);
        f.add(QStringLiteral("1.txt"), QStringLiteral("a.txt"), QStringLiteral("f"), QStringLiteral("2010"));
        f.add(QStringLiteral("2.txt"), QStringLiteral("b.txt"), QStringLiteral("f"), QStringLiteral("2010"), false);
        f.reload();
        f.list->selectRow(f.rowNamed(QStringLiteral("a.txt")));
        f.d.answerMessage(7);
        f.list->mnuDel->trigger();
        QCOMPARE(f.list->model()->rowCount(), 2);
        QCOMPARE(f.d.asked.last().text, QStringLiteral("您确定要删除a.txt?"));
        QCOMPARE(f.d.asked.last().buttons, kDestroys);
        f.d.answerMessage(6);
        f.list->mnuDel->trigger();
        QVERIFY(!QFile::exists(AttachmentPath() + QStringLiteral("1.txt")));
        // The copy already gone: the row still goes without complaint.
        f.list->selectRow(f.rowNamed(QStringLiteral("b.txt")));
        f.d.answerMessage(6);
        f.list->mnuDel->trigger();
        QCOMPARE(f.list->model()->rowCount(), 0);
        QCOMPARE(f.refreshes, 2);
        QCOMPARE(f.d.messages().count(QStringLiteral("删除成功!")), search ? 2 : 0);
        QCOMPARE(f.list->mnuPlay != nullptr, search);
        QVERIFY(f.d.allAnswered());
    }
}

void TestRecordList::tamperedStoredName()
{
    Fixture f(true);
    const QString outside = f.tf.write(QStringLiteral("precious.txt"), "keep");
    f.add(QStringLiteral("../precious.txt"), QStringLiteral("evil.txt"), QStringLiteral("f"), QStringLiteral("2010"), false);
    f.reload();
    f.list->selectRow(0);
    f.list->mnuFileOpen->trigger();
    f.list->mnuPlay->trigger();
    QVERIFY(f.d.opened.isEmpty());
    f.d.answerMessage(6);
    f.list->mnuDel->trigger();
    QVERIFY(QFile::exists(outside));
    QCOMPARE(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment")).RecordCount(), 0);
}

// Records without a stored name (tampered or foreign catalogues) share no copy: each is
// listed, and "删除" removes only the one chosen.
void TestRecordList::recordsWithoutStoredName()
{
    Fixture f(false);
    f.add(QString(), QStringLiteral("first.txt"), QStringLiteral("f"), QStringLiteral("2010"), false);
    f.add(QString(), QStringLiteral("second.txt"), QStringLiteral("f"), QStringLiteral("2010"), false);
    CurrentDb().OpenRecordset(QStringLiteral("insert into tblAttachment (FileName,FolderName,tblFileKind) values ('null.txt','f',3)"));
    f.reload();
    QCOMPARE(f.list->model()->rowCount(), 3);
    f.list->selectRow(f.rowNamed(QStringLiteral("second.txt")));
    f.d.answerMessage(Msg::IdYes);
    f.list->mnuDel->trigger();
    QStringList left = f.column(0);
    left.sort();
    QCOMPARE(left, QStringList({"first.txt", "null.txt"}));
}

void TestRecordList::keyboardAndMouseRoutes_data()
{
    QTest::addColumn<int>("key"); // 0: a right click
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("route");
    QTest::newRow("Enter") << int(Qt::Key_Return) << 0 << "open";
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "open";
    QTest::newRow("Delete") << int(Qt::Key_Delete) << 0 << "delete";
    QTest::newRow("F2") << int(Qt::Key_F2) << 0 << "edit";
    QTest::newRow("Menu key") << int(Qt::Key_Menu) << 0 << "menu";
    QTest::newRow("Shift+F10") << int(Qt::Key_F10) << int(Qt::ShiftModifier) << "menu";
    QTest::newRow("right click") << 0 << 0 << "menu";
}

void TestRecordList::keyboardAndMouseRoutes()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, route);
    Fixture f(false);
    f.add(QStringLiteral("1.txt"), QStringLiteral("a.txt"), QStringLiteral("f"), QStringLiteral("2010"));
    f.add(QStringLiteral("2.txt"), QStringLiteral("b.txt"), QStringLiteral("f"), QStringLiteral("2010"));
    f.reload();
    f.owner.show();
    f.list->selectRow(1);
    f.d.answerMessage(Msg::IdNo);
    f.d.onModal([](QDialog *) { return 0; });
    if (key) {
        QTest::keyClick(f.list->lvw, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    } else {
        const QPoint at = f.list->lvw->visualRect(f.list->model()->index(0, 0)).center();
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, f.list->lvw->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(f.list->lvw->viewport(), &click);
        QCOMPARE(f.list->selectedRow(), 0); // the clicked row is the one acted on
    }
    const bool menu = f.list->mnuBar->isVisible();
    f.list->mnuBar->hide();
    QCOMPARE(menu, route == QLatin1String("menu"));
    QCOMPARE(f.d.opened.size(), route == QLatin1String("open") ? 1 : 0);
    QCOMPARE(f.d.asked.size() == 1 && f.d.asked[0].buttons == kDestroys, route == QLatin1String("delete"));
    QCOMPARE(f.refreshes, route == QLatin1String("edit") ? 1 : 0);
}

void TestRecordList::deleteSeveral()
{
    Fixture f(true);
    for (const char *name : {"a.txt", "locked.txt", "c.txt", "d.txt"})
        f.add(QString::fromLatin1(name) + QStringLiteral(".x"), QString::fromLatin1(name), QStringLiteral("f"), QStringLiteral("2010"));
    f.reload();
    // Another program changes one record after it was listed: that one is kept.
    CurrentDb().OpenRecordset(QStringLiteral("Update tblAttachment set Currentinfo='changed' where FileName='locked.txt'"));
    QCOMPARE(f.list->lblStatus->text(), QStringLiteral("共 4 个记录"));
    for (int r = 0; r < 3; ++r)
        f.list->lvw->selectionModel()->select(f.list->model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCOMPARE(f.list->lblStatus->text(), QStringLiteral("共 4 个记录,已选中 3 个"));
    f.d.answerMessage(Msg::IdYes);
    f.list->mnuDel->trigger();
    QCOMPARE(f.d.asked[0].text, QStringLiteral("您确定要删除选中的 3 个记录?"));
    QCOMPARE(f.d.asked[0].buttons, kDestroys);
    QStringList left = f.column(0);
    left.sort();
    QCOMPARE(left, QStringList({"d.txt", "locked.txt"}));
    QVERIFY(!QFile::exists(AttachmentPath() + QStringLiteral("a.txt.x")));
    QCOMPARE(f.d.messages().size(), 2);
    QVERIFY2(f.d.messages().last().startsWith(QStringLiteral("已删除 2 个记录,1 个记录删除失败:\nlocked.txt: ")) &&
                 f.d.messages().last().contains(RecordChanged::text()),
             qPrintable(f.d.messages().last()));
    QCOMPARE(f.list->lblStatus->text(), QStringLiteral("共 2 个记录"));
}

void TestRecordList::viewSwitchKeepsSelectionAndCommands()
{
    Fixture f(true);
    for (const QString name : {"a.txt", "b.txt", "c.txt"})
        f.add(name, name, QStringLiteral("f"), QStringLiteral("2010"));
    f.reload();
    f.list->lvw->setGeometry(0, 30, 640, 400);
    f.owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.owner));
    QListView *grid = f.list->views->lvwThumbnails;
    auto click = [&](int row) { // in the grid: picks the row and brings up the menu
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(f.list->model()->index(row, 0)).center());
        QTRY_VERIFY(f.list->mnuBar->isVisible());
        f.list->mnuBar->hide();
    };
    f.list->selectRow(1);
    f.list->views->cmdThumbnails->click();
    QVERIFY(grid->isVisible());
    QCOMPARE(grid->currentIndex().row(), 1);
    // The headers stay and sort both views; the menu acts on the row picked in the grid.
    QTest::mouseClick(f.list->lvw->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
    QCOMPARE(f.column(0), QStringList({"c.txt", "b.txt", "a.txt"}));
    click(2);
    f.d.answerMessage(6);
    f.list->mnuDel->trigger();
    QCOMPARE(f.column(0), QStringList({"c.txt", "b.txt"}));
    click(1);
    f.list->views->cmdDetails->click();
    QVERIFY(!grid->isVisible());
    QCOMPARE(f.list->selectedRow(), 1);
    QVERIFY(f.d.allAnswered());
}

QTEST_MAIN(TestRecordList)
#include "test_record_list.moc"
