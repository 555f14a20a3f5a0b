#include "CatalogueTest.h"
#include "browse/RecordList.h"
#include "browse/RecordListViews.h"
#include "import/frmtblAttachmentEdit.h"
#include "store/CopyOut.h"
#include "store/Engine.h"
#include "store/RecordChanged.h"
#include "store/RecordQuery.h"
#include "ui/FileIcons.h"

#include <QtWidgets>

class TestRecordList : public QObject {
    Q_OBJECT
private slots:
    void fallbackIcons(); // first: before any theme icon is cached
    void addRecordRowAndSort();
    void openAndSaveAs();
    void deletes_data();
    void deletes();
    void deletesTwinsListedByTheSecond();
    void keyboardAndMouseRoutes_data();
    void keyboardAndMouseRoutes();
    void viewSwitchKeepsSelectionAndCommands();
    void gridPlacesKeysAndRubberBand();
};

namespace {
constexpr int kDestroys = Msg::YesNo | Msg::Question | Msg::DefaultSecond;

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
    // A record named `name`, in category "f" unless given, with a copy unless `withCopy` is false.
    void add(const QString &stored, const QString &name, bool withCopy = true, const QString &folder = "f",
             const QString &date = "2010")
    {
        CurrentDb().OpenRecordset(
            QStringLiteral("insert into tblAttachment (Currentinfo,[Date],FileName,FolderName,SaveFileName,tblFileKind) "
                           "values ('d','%1','%2','%3','%4',3)")
                .arg(date, SqlQuote(name), SqlQuote(folder), SqlQuote(stored)));
        if (withCopy)
            tf.write("Attachment/" + stored, name.toUtf8());
    }
    void reload()
    {
        Recordset rs = CurrentDb().OpenRecordset("Select * From tblAttachment");
        list->fill(rs);
    }
    QStringList column(int c, bool sorted = false) const
    {
        QStringList out;
        for (int r = 0; r < list->model()->rowCount(); ++r)
            out << list->model()->row(r).column(c);
        if (sorted)
            out.sort();
        return out;
    }
    void pick(const QString &name) { list->selectRow(column(0).indexOf(name)); }
};
} // namespace

void TestRecordList::fallbackIcons()
{
    // A bare desktop: no icon theme at all. Each kind of file gets the shipped icon.
    QIcon::setThemeSearchPaths({});
    QIcon::setThemeName(QStringLiteral("none"));
    for (const auto &[name, kind] : {std::pair{"a.txt", "text"},
                                     {"b.JPEG", "image"},
                                     {"c.mkv", "video"},
                                     {"d.flac", "audio"},
                                     {"e.docx", "office"},
                                     {"g.zzq", "file"}}) {
        const QImage shipped = QIcon(QStringLiteral(":/icons/%1.png").arg(kind)).pixmap(16).toImage();
        QVERIFY2(!shipped.isNull() && FileIcons::forFileName(name).pixmap(16).toImage() == shipped, name);
    }
}

// One row per stored copy; the first click on a header sorts descending, the next click
// (on any header) ascending, only the sorted header marked; refills and added rows keep
// the order the mark shows. Dates sort as text.
void TestRecordList::addRecordRowAndSort()
{
    Fixture f(false);
    RecordListModel *m = f.list->model();
    QVERIFY(f.list->AddRecordRow(AttachmentPath() + "1.jpg", "a.jpg", "c", "d", "2010-01-01 00:00:00"));
    QVERIFY(f.list->AddRecordRow(AttachmentPath() + "1.jpg", "other", {}, {}, {}));
    QVERIFY(f.column(0) == QStringList({"a.jpg"}) && m->row(0).storedName == "1.jpg");
    f.add("x.a", "b", true, "z", "2010-9-30");
    f.add("x.a", "twin", true, "z", "2010-9-30"); // the same stored name: listed once
    f.add("2.a", "a", true, "y", "2010-10-1");
    f.add("3.a", "C", true, "x", "2010-9-1");
    f.reload();
    QCOMPARE(f.column(0), QStringList({"b", "a", "C"}));
    m->headerClicked(0);
    QCOMPARE(f.column(0) << m->headerText(0), QStringList({"C", "b", "a", "文件名▼"}));
    m->headerClicked(1);
    QCOMPARE(f.column(1) << m->headerText(0) + m->headerText(1), QStringList({"x", "y", "z", "文件名类别▲"}));
    f.add("4.a", "d", true, "xa", "2011-1-1");
    f.reload();
    QCOMPARE(f.column(1), QStringList({"x", "xa", "y", "z"}));
    f.list->AddRecordRow(AttachmentPath() + "5.a", "e", "a", {}, {});
    QCOMPARE(f.column(1).first(), QStringLiteral("a"));
    m->headerClicked(3);
    QCOMPARE(m->headerText(3), QStringLiteral("日期▼"));
    m->headerClicked(3);
    QCOMPARE(f.column(3), QStringList({"", "2010-10-1", "2010-9-1", "2010-9-30", "2011-1-1"}));
}

void TestRecordList::openAndSaveAs()
{
    Fixture f(true);
    f.add("1.txt", "报告.txt");
    f.add("2.txt", "gone.txt", false);
    f.add("../Data.mdb", "evil.txt", false);
    f.reload();
    // A stored name leading out of the attachment folder is never opened or played.
    f.pick("evil.txt");
    f.list->mnuFileOpen->trigger();
    f.list->mnuPlay->trigger();
    QVERIFY(f.d.opened.isEmpty() && f.d.messages().size() == 2);
    f.d.asked.clear();
    f.pick("gone.txt");
    f.list->mnuFileOpen->trigger();
    f.list->mnuFileSave->trigger();
    QCOMPARE(f.d.messages(), QStringList({"附件库中不存在原文件,打开失败!", "附件库中不存在原文件,复制失败!"}));
    f.pick("报告.txt");
    f.list->mnuFileOpen->trigger();
    QCOMPARE(f.d.opened, QStringList(AttachmentPath() + "1.txt"));
    f.d.openSucceeds = false; // no desktop program for the type: the user is told
    f.list->mnuFileOpen->trigger();
    QVERIFY(f.d.messages().size() == 3 && f.d.messages().last().contains("报告.txt"));

    f.d.answerSave(QString()); // cancelled: nothing
    f.list->mnuFileSave->trigger();
    QCOMPARE(f.d.asked.last().defaultAnswer, QStringLiteral("报告.txt"));
    // Onto an existing file: asked first; No copies nothing, Yes replaces. A file of the
    // user's beside the target is never taken for a temporary one, and none is left.
    const QString target = f.tf.write("out/报告.txt", "old");
    const QString users = f.tf.write("out/报告.txt.mc-part", "mine");
    for (int answer : {Msg::IdNo, Msg::IdYes}) {
        f.d.answerSave(target);
        f.d.answerMessage(answer);
        f.list->mnuFileSave->trigger();
        QCOMPARE(Corpus::read(target), answer == Msg::IdNo ? QByteArray("old") : QByteArray("报告.txt"));
    }
    const auto &overwrite = f.d.asked[f.d.asked.size() - 2];
    QVERIFY(overwrite.text == target + "文件存在,是否覆盖原文件?" && overwrite.buttons == kDestroys);
    QCOMPARE(f.d.asked.last().text, "复制完成,成功将文件复制到" + target);
    // Cancelled after its first block, a copy leaves the target as it was.
    const QString other = f.tf.write("other.bin", QByteArray(3 << 20, 'x'));
    qint64 told = 0;
    QVERIFY(!CopyOut::replace(other, target, [&](qint64 done, qint64) {
        told = done;
        return false;
    }));
    QVERIFY(told == 1 << 20 && Corpus::read(target) == "报告.txt");
    QVERIFY(Corpus::read(users) == "mine" && QDir(f.tf.file("out")).entryList(QDir::Files | QDir::Hidden).size() == 2);
    QVERIFY(f.d.allAnswered());
}

void TestRecordList::deletes_data()
{
    QTest::addColumn<bool>("search");
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("gone");
    QTest::addColumn<QString>("told"); // the message after the delete, if any
    QTest::newRow("No keeps it") << false << QStringList("a.txt") << int(Msg::IdNo) << QStringList() << "";
    QTest::newRow("with its copy") << false << QStringList("a.txt") << int(Msg::IdYes) << QStringList("a.txt") << "";
    QTest::newRow("search window") << true << QStringList("a.txt") << int(Msg::IdYes) << QStringList("a.txt") << "删除成功!";
    QTest::newRow("copy already gone") << true << QStringList("gone.txt") << int(Msg::IdYes) << QStringList("gone.txt")
                                       << "删除成功!";
    // A stored name leading out of the attachment folder: the row goes, never that file.
    QTest::newRow("stored name outside") << true << QStringList("evil.txt") << int(Msg::IdYes) << QStringList("evil.txt")
                                         << "删除成功!";
    // Records without a stored name share no copy: only the chosen one goes.
    QTest::newRow("no stored name") << true << QStringList("second.txt") << int(Msg::IdYes) << QStringList("second.txt")
                                    << "删除成功!";
    // Another program changed one record after it was listed: that one is kept.
    QTest::newRow("several, one changed") << true << QStringList({"a.txt", "locked.txt", "gone.txt"}) << int(Msg::IdYes)
                                          << QStringList({"a.txt", "gone.txt"})
                                          << "已删除 2 个记录,1 个记录删除失败:\nlocked.txt: " + RecordChanged::text();
    // The catalogue refuses the delete after the record went to the bin: its copy stays with it.
    QTest::newRow("refused") << true << QStringList("a.txt") << int(Msg::IdYes) << QStringList()
                             << "已删除 0 个记录,1 个记录删除失败:\na.txt: ";
}

void TestRecordList::deletes()
{
    QFETCH(bool, search);
    QFETCH(QStringList, chosen);
    QFETCH(int, answer);
    QFETCH(QStringList, gone);
    QFETCH(QString, told);
    Fixture f(search);
    const QString outside = f.tf.write("precious.txt", "keep");
    f.add("1.txt", "a.txt");
    f.add("2.txt", "gone.txt", false);
    f.add("3.txt", "locked.txt");
    f.add("../precious.txt", "evil.txt", false);
    f.add(QString(), "first.txt", false);
    f.add(QString(), "second.txt", false);
    CurrentDb().OpenRecordset(
        QStringLiteral("insert into tblAttachment (FileName,FolderName,tblFileKind) values ('null.txt','f',3)"));
    f.reload();
    QStringList all = f.column(0, true);
    CurrentDb().OpenRecordset(QStringLiteral("Update tblAttachment set Currentinfo='changed' where FileName='locked.txt'"));
    if (QTest::currentDataTag() == QByteArray("refused")) {
        std::shared_ptr<Engine> e = CurrentDb().engine();
        if (TestFolder::onServer())
            e->execute(
                "CREATE FUNCTION refuse() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION 'refused'; END $$ LANGUAGE plpgsql");
        e->execute(TestFolder::onServer()
                       ? "CREATE TRIGGER refuse BEFORE DELETE ON tblAttachment FOR EACH ROW EXECUTE FUNCTION refuse()"
                       : "CREATE TRIGGER refuse BEFORE DELETE ON tblAttachment BEGIN SELECT RAISE(ABORT, 'refused'); END");
    }
    for (const QString &name : chosen)
        f.list->lvw->selectionModel()->select(f.list->model()->index(f.column(0).indexOf(name), 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (chosen.size() > 1)
        QCOMPARE(f.list->lblStatus->text(), QStringLiteral("共 7 个记录,已选中 %1 个").arg(chosen.size()));
    f.d.answerMessage(answer);
    f.list->mnuDel->trigger();
    QCOMPARE(f.d.asked[0].text, chosen.size() > 1 ? QStringLiteral("您确定要删除选中的 %1 个记录?").arg(chosen.size())
                                                  : "您确定要删除" + chosen[0] + "?");
    QCOMPARE(f.d.asked[0].buttons, kDestroys);
    for (const QString &name : gone)
        all.removeOne(name);
    QCOMPARE(f.column(0, true), all);
    QCOMPARE(f.list->lblStatus->text(), QStringLiteral("共 %1 个记录").arg(all.size()));
    QCOMPARE(f.refreshes, answer == Msg::IdYes ? 1 : 0);
    QVERIFY(QFile::exists(AttachmentPath() + "1.txt") != gone.contains("a.txt") && QFile::exists(outside));
    QCOMPARE(f.d.asked.size(), told.isEmpty() ? 1 : 2);
    QVERIFY2(f.d.messages().last().startsWith(told), qPrintable(f.d.messages().last()));
    QCOMPARE(f.list->mnuPlay != nullptr, search);
}

// Records that share a stored name are listed once; the one a search lists may be any of
// them, and it is the one checked before they go together.
void TestRecordList::deletesTwinsListedByTheSecond()
{
    Fixture f(true);
    f.add("x.a", "zzz");
    f.add("x.a", "twin_aaa", false);
    f.list->fill(RecordQuery("Select * From tblAttachment Where  FileName Like '%twin%'"));
    QTRY_VERIFY(f.list->model()->isSettled());
    QCOMPARE(f.column(0), QStringList({"twin_aaa"}));
    f.list->selectRow(0);
    f.d.answerMessage(Msg::IdYes);
    f.list->mnuDel->trigger();
    QCOMPARE(f.d.messages().value(1), QStringLiteral("删除成功!"));
    QCOMPARE(CurrentDb().OpenRecordset("Select * From tblAttachment Where SaveFileName='x.a'").isEOF(), true);
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
    QTest::newRow("F2 on a record deleted meanwhile") << int(Qt::Key_F2) << 0 << "gone";
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
    f.add("1.txt", "a.txt");
    f.add("2.txt", "b.txt");
    f.reload();
    f.owner.show();
    f.list->selectRow(1);
    if (route == "gone")
        CurrentDb().engine()->execute("DELETE FROM tblAttachment WHERE SaveFileName='2.txt'");
    f.d.answerMessage(Msg::IdNo);
    QString edited; // the editor comes loaded with the chosen row
    f.d.onModal([&](QDialog *dialog) {
        edited = qobject_cast<frmtblAttachmentEdit *>(dialog)->Text3->text();
        return 0;
    });
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
    QCOMPARE(menu, route == "menu");
    QCOMPARE(f.d.opened.size(), route == "open" ? 1 : 0);
    QCOMPARE(f.d.asked.size() == 1 && f.d.asked[0].buttons == kDestroys, route == "delete");
    QCOMPARE(f.refreshes, route == "edit" ? 1 : 0);
    QCOMPARE(edited, route == "edit" ? "b.txt" : "");
    if (route == "gone")
        QCOMPARE(f.d.messages().value(0), RecordChanged::text());
}

void TestRecordList::viewSwitchKeepsSelectionAndCommands()
{
    Fixture f(true);
    for (const QString name : {"a.txt", "b.txt", "c.txt"})
        f.add(name, name);
    f.reload();
    f.list->lvw->setGeometry(0, 30, 640, 400);
    f.owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.owner));
    ThumbnailGrid *grid = f.list->views->lvwThumbnails;
    auto click = [&](int row) { // in the grid: picks the row and brings up the menu
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(f.list->model()->index(row, 0)).center());
        QTRY_VERIFY(f.list->mnuBar->isVisible());
        f.list->mnuBar->hide();
    };
    f.list->selectRow(1);
    f.list->views->cmdThumbnails->click();
    QVERIFY(grid->isVisible() && grid->currentIndex().row() == 1);
    // The headers stay and sort both views; the menu acts on the row picked in the grid.
    QTest::mouseClick(f.list->lvw->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
    QCOMPARE(f.column(0), QStringList({"c.txt", "b.txt", "a.txt"}));
    click(2);
    f.d.answerMessage(Msg::IdYes);
    f.list->mnuDel->trigger(); // c.txt, b.txt, a.txt: a.txt goes
    QCOMPARE(f.column(0), QStringList({"c.txt", "b.txt"}));
    click(1);
    f.list->views->cmdDetails->click();
    QVERIFY(!grid->isVisible());
    QVERIFY(f.list->selectedRow() == 1 && f.d.allAnswered());
}

void TestRecordList::gridPlacesKeysAndRubberBand()
{
    Fixture f(false);
    for (int i = 0; i < 7; ++i)
        f.add(QString::number(i), QStringLiteral("%1.txt").arg(i));
    f.reload();
    f.list->lvw->setGeometry(0, 30, 640, 400);
    f.list->views->showThumbnails(true);
    f.owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.owner));
    ThumbnailGrid *grid = f.list->views->lvwThumbnails;
    QAbstractItemModel *model = f.list->model();
    auto at = [&](int row) { return grid->visualRect(model->index(row, 0)); };
    int across = 1;
    while (across < 7 && at(across).top() == at(0).top())
        ++across;
    QVERIFY2(across >= 4 && across < 7, "two lines, the second one short");
    for (int r = 0; r < 7; ++r) {
        QCOMPARE(grid->indexAt(at(r).center()).row(), r);
        QVERIFY(!at(r).intersects(at(r == 6 ? 0 : r + 1)));
    }
    QVERIFY(!grid->indexAt(QPoint(at(0).right() + 3, at(0).center().y())).isValid()); // the gap
    QVERIFY(!grid->indexAt(at(6).center() + QPoint(at(0).width() * 2, 0)).isValid()); // past the last

    // Keys move by cells and by lines; Down from a line over the short last one ends on the last.
    grid->setFocus();
    f.list->selectRow(0);
    auto key = [&](Qt::Key k) {
        QTest::keyClick(grid, k);
        return grid->currentIndex().row();
    };
    QCOMPARE(key(Qt::Key_Right), 1);
    QCOMPARE(key(Qt::Key_Down), 1 + across);
    QCOMPARE(key(Qt::Key_Down), 1 + across); // no line below
    QCOMPARE(key(Qt::Key_Up), 1);
    QCOMPARE(key(Qt::Key_Up), 1);
    QCOMPARE(key(Qt::Key_End), 6);
    QCOMPARE(key(Qt::Key_Home), 0);
    f.list->selectRow(across - 1);
    QCOMPARE(key(Qt::Key_Down), 6);

    auto picked = [&] {
        QList<int> rows;
        for (const QModelIndex &i : f.list->lvw->selectionModel()->selectedRows())
            rows << i.row();
        std::sort(rows.begin(), rows.end());
        return rows;
    };
    // Shift with a click takes the rows between, in the list's order, as the details list does.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at(across + 2).center());
    QTRY_VERIFY(f.list->mnuBar->isVisible()); // a plain click brings up the menu
    f.list->mnuBar->hide();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, at(1).center());
    QList<int> between;
    for (int r = 1; r <= across + 2; ++r)
        between << r;
    QCOMPARE(picked(), between);

    // A band dragged from the first cell to the second line's second cell takes four rows.
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, at(0).topLeft() - QPoint(2, 2));
    QTest::mouseMove(grid->viewport(), at(across + 1).center());
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, at(across + 1).center());
    QCOMPARE(picked(), QList<int>({0, 1, across, across + 1}));
}

QTEST_MAIN(TestRecordList)
#include "test_record_list.moc"
