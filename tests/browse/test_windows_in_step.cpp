#include "CatalogueFixture.h"
#include "CatalogueTest.h"
#include "browse/RecordList.h"
#include "browse/frmBrowse.h"
#include "browse/frmFind.h"
#include "browse/frmRecycleBin.h"
#include "import/ImportEngine.h"
#include "import/frmtblAttachmentEdit.h"
#include "store/CatalogueNotice.h"
#include "store/Engine.h"
#include "store/RecycleBin.h"
#include "ui/SharedState.h"

#include <QtWidgets>

// The open browse, search and bin windows show what the catalogue holds: after this
// program's changes at once, after another program's on F5 and when a window is activated.
// Files dropped onto a browse window are imported as its kind.
class TestWindowsInStep : public QObject, private CatalogueFixture {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void changesReachEveryWindow();
    void otherProgramsOnF5AndActivation();
    void dropImportsAsTheWindowsKind();

private:
    std::unique_ptr<frmBrowse> browse(int kind = 3)
    {
        gCaption = QStringLiteral("浏览图片");
        gKind = kind;
        return std::make_unique<frmBrowse>();
    }
    void import(const QString &relative, const QByteArray &bytes, int kind = 3)
    {
        QVERIFY(ImportEngine::ImportFile(tf_->write("src/" + relative, bytes), kind));
    }
};

namespace {
QStringList categories(const frmBrowse &w)
{
    QStringList out;
    for (int i = 0; i < w.List->count(); ++i)
        out << w.List->item(i)->text();
    return out;
}

// The records a list shows, "name/category", sorted.
QStringList listed(RecordList *list)
{
    QStringList out;
    for (int r = 0; r < list->model()->rowCount(); ++r)
        out << list->model()->row(r).fileName + "/" + list->model()->row(r).category;
    out.sort();
    return out;
}

QStringList binned(const frmRecycleBin &bin)
{
    QStringList out;
    for (int r = 0; r < bin.lvw->rowCount(); ++r)
        out << bin.lvw->item(r, 0)->text();
    out.sort();
    return out;
}

// Lets the windows hear the notices of the changes made so far.
void settle()
{
    CatalogueNotice::instance().deliver();
    QCoreApplication::processEvents();
}

void selectNamed(RecordList *list, const QString &name)
{
    for (int r = 0; r < list->model()->rowCount(); ++r)
        if (list->model()->row(r).fileName == name)
            list->selectRow(r);
}
} // namespace

void TestWindowsInStep::init()
{
    openCatalogue();
}

void TestWindowsInStep::cleanup()
{
    QVERIFY(d_->allAnswered());
    closeCatalogue();
}

// An edit that types a new category, deletes, a restore, an import and a category rename
// reach both browse windows (category lists too), the search window and the bin window; the
// chosen category and the selected record stay chosen.
void TestWindowsInStep::changesReachEveryWindow()
{
    import("2008/a.jpg", "a");
    import("2008/b.jpg", "b");
    import("2008/c.jpg", "c");
    auto first = browse();
    auto second = browse();
    first->List->setCurrentRow(0); // 全部类别
    first->List_Click();
    second->List->setCurrentRow(1); // 2008
    second->List_Click();
    frmFind find;
    find.Command1_Click();
    frmRecycleBin bin;

    selectNamed(first->records, "a.jpg");
    d_->onModal([](QDialog *dialog) {
        auto *editor = qobject_cast<frmtblAttachmentEdit *>(dialog);
        editor->Text4->setText("风景");
        editor->cmdSave->click();
        return 1;
    });
    first->records->mnuEdit->trigger();
    settle();
    for (frmBrowse *w : {first.get(), second.get()})
        QCOMPARE(categories(*w), QStringList({"全部类别", "2008", "风景"}));
    QCOMPARE(listed(second->records), QStringList({"b.jpg/2008", "c.jpg/2008"}));
    QCOMPARE(listed(find.records), QStringList({"a.jpg/风景", "b.jpg/2008", "c.jpg/2008"}));
    QCOMPARE(second->List->currentItem()->text(), QStringLiteral("2008"));
    QCOMPARE(first->records->model()->row(first->records->selectedRow()).fileName, QStringLiteral("a.jpg"));

    // Two deletes, one after the other: the bin lists both and asks about both.
    for (const char *name : {"b.jpg", "c.jpg"}) {
        selectNamed(second->records, name);
        d_->answerMessage(Msg::IdYes);
        second->records->mnuDel->trigger();
        settle();
    }
    QCOMPARE(binned(bin), QStringList({"b.jpg", "c.jpg"}));
    QCOMPARE(bin.lblStatus->text(), QStringLiteral("共 2 个记录"));
    QCOMPARE(listed(first->records), QStringList({"a.jpg/风景"}));
    QCOMPARE(listed(find.records), QStringList({"a.jpg/风景"}));
    d_->answerMessage(Msg::IdNo);
    bin.cmdEmpty->click();
    QCOMPARE(d_->asked.last().text, QStringLiteral("您确定要清空回收站吗?其中的 2 个记录和它们的附件副本将被永久删除."));

    // A restore shows without a click; so do an import and a rename.
    for (int r = 0; r < bin.lvw->rowCount(); ++r)
        if (bin.lvw->item(r, 0)->text() == "b.jpg")
            bin.lvw->selectRow(r);
    bin.cmdRestore->click();
    import("新/d.jpg", "d");
    settle();
    QCOMPARE(listed(first->records), QStringList({"a.jpg/风景", "b.jpg/2008", "d.jpg/新"}));
    QCOMPARE(listed(second->records), QStringList({"b.jpg/2008"}));
    QCOMPARE(binned(bin), QStringList({"c.jpg"}));
    second->List->setCurrentRow(categories(*second).indexOf("风景"));
    d_->answerPrompt("山水");
    second->RenameCategory();
    settle();
    QCOMPARE(categories(*first), QStringList({"全部类别", "2008", "山水", "新"}));
    QCOMPARE(listed(find.records), QStringList({"a.jpg/山水", "b.jpg/2008", "d.jpg/新"}));
    // Listing the same records again keeps the window where it was.
    QCOMPARE(first->List->currentRow(), 0);
    QCOMPARE(first->records->model()->row(first->records->selectedRow()).fileName, QStringLiteral("a.jpg"));

    // A category listed in one window and renamed in another: nothing stays chosen or listed there.
    auto third = browse();
    third->List->setCurrentRow(categories(*third).indexOf("2008"));
    third->List_Click();
    QCOMPARE(listed(third->records), QStringList({"b.jpg/2008"}));
    first->List->setCurrentRow(categories(*first).indexOf("2008"));
    d_->answerPrompt("旧");
    first->RenameCategory();
    settle();
    QCOMPARE(categories(*third), QStringList({"全部类别", "山水", "新", "旧"}));
    QVERIFY(third->List->selectedItems().isEmpty());
    QCOMPARE(listed(third->records), QStringList());
    // When the old name comes back it is listed and chosen again.
    import("2008/e.jpg", "e");
    settle();
    QCOMPARE(third->List->selectedItems().size(), 1);
    QCOMPARE(third->List->selectedItems().at(0)->text(), QStringLiteral("2008"));
    QCOMPARE(listed(third->records), QStringList({"e.jpg/2008"}));
}

// Another program's changes come with F5, and when a window is activated; an activation
// after no change lists nothing again.
void TestWindowsInStep::otherProgramsOnF5AndActivation()
{
    import("2008/a.jpg", "a");
    auto w = browse();
    w->List->setCurrentRow(0);
    w->List_Click();
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    QSignalSpy listings(w->records->model(), &QAbstractItemModel::modelReset);
    auto otherProgram = [this](const QString &name) {
        QProcess driver;
        driver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        driver.start(
            QStringLiteral(MC_IMPORTDRIVER),
            {tf_->path(), "3", Corpus::writeList(tf_->file("list.txt"), {tf_->write("other/" + name, name.toUtf8())})});
        QVERIFY(driver.waitForFinished(30000) && driver.exitCode() == 0);
    };
    otherProgram("x.jpg");
    QCoreApplication::processEvents();
    QCOMPARE(listed(w->records), QStringList({"a.jpg/2008"})); // nothing told this program yet
    QTest::keyClick(w->lvw, Qt::Key_F5);
    QCOMPARE(listed(w->records), QStringList({"a.jpg/2008", "x.jpg/other"}));
    QCOMPARE(categories(*w), QStringList({"全部类别", "2008", "other"}));
    // Every record selected stays selected as one range, not one per row.
    w->records->lvw->selectAll();
    QTest::keyClick(w->lvw, Qt::Key_F5);
    QCOMPARE(w->records->selectedRows(), QList<int>({0, 1}));
    QCOMPARE(w->records->lvw->selectionModel()->selection().size(), 1);

    otherProgram("y.jpg");
    CurrentDb().OpenRecordset("Select * From tblAttachment"); // a read alone tells nothing
    QEvent activate(QEvent::WindowActivate);
    const qsizetype before = listings.size();
    QCoreApplication::sendEvent(w.get(), &activate);
    QCOMPARE(listed(w->records), QStringList({"a.jpg/2008", "x.jpg/other", "y.jpg/other"}));
    const qsizetype after = listings.size();
    QVERIFY(after > before);
    QCoreApplication::sendEvent(w.get(), &activate);
    if (!TestFolder::onServer()) // a server's stamp also moves with other databases' work
        QCOMPARE(listings.size(), after);

    if (TestFolder::onServer()) {
        // A writing transaction that has its number at the listing but commits after it,
        // behind a later one that committed before.
        QProcess psql;
        psql.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        psql.start(QStringLiteral("psql"), {"-qAt", "-v", "ON_ERROR_STOP=1", tf_->catalogue()});
        psql.write("BEGIN; SELECT txid_current();\n");
        QVERIFY(psql.waitForReadyRead(10000));
        QCOMPARE(QProcess::execute(QStringLiteral("psql"), {"-qAt", "-c", "SELECT txid_current()", tf_->catalogue()}), 0);
        QTest::keyClick(w->lvw, Qt::Key_F5);
        const qsizetype listedThen = listings.size();
        psql.write("COMMIT;\n");
        psql.closeWriteChannel();
        QVERIFY(psql.waitForFinished(10000) && psql.exitCode() == 0);
        QCoreApplication::sendEvent(w.get(), &activate);
        QVERIFY(listings.size() > listedThen);
    }

    // A listing that fails is reported once: the activation that closing the box brings
    // does not try again until the catalogue changes once more.
    otherProgram("z.jpg");
    CurrentDb().engine()->execute(QStringLiteral("ALTER TABLE tblAttachment RENAME TO tblGone"), {}, nullptr);
    d_->answerMessage(Msg::IdOk);
    QCoreApplication::sendEvent(w.get(), &activate);
    QCOMPARE(d_->messages().size(), 1);
    QCoreApplication::sendEvent(w.get(), &activate);
    QCOMPARE(d_->messages().size(), 1);
}

// A drop takes the files the window's kind takes, with the import window's questions:
// files in use, the start, a name the catalogue has, then the summary. The window lists them.
void TestWindowsInStep::dropImportsAsTheWindowsKind()
{
    auto w = browse(3);
    w->setDropFilter("*.jpg;*.png");
    w->List->setCurrentRow(0);
    w->List_Click();
    const QString single = tf_->write("drop/one.jpg", "1");
    tf_->write("drop/many/two.png", "2");
    tf_->write("drop/many/notes.txt", "n");
    const QString text = tf_->write("drop/readme.txt", "r");
    auto send = [&](const QStringList &paths) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString &p : paths)
            urls << QUrl::fromLocalFile(p);
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w->lvw->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w->lvw->viewport(), &event);
        QVERIFY(event.isAccepted());
    };
    auto drop = [&](const QStringList &paths) {
        send(paths);
        QCoreApplication::processEvents(); // the import runs once the drop has ended
        settle();
    };
    d_->answerMessage(Msg::IdOk);  // readme.txt is not of the kind
    d_->answerMessage(Msg::IdYes); // start
    drop({single, tf_->file("drop/many"), text});
    QStringList texts = d_->messages();
    QVERIFY2(texts.value(0).contains("readme.txt") && !texts.value(0).contains("notes.txt"), qPrintable(texts.value(0)));
    QCOMPARE(texts.value(1),
             QStringLiteral("您确定要将以下的文件导入文件系统中?\r\n\r\n若您导入的程序的很大,需要的时间将很长.."));
    QCOMPARE(texts.value(2), QStringLiteral("导入成功! :) "));
    QCOMPARE(listed(w->records), QStringList({"one.jpg/drop", "two.png/many"}));
    QCOMPARE(CurrentDb().OpenRecordset("Select * From tblAttachment Where tblFileKind=3").RecordCount(), 2);

    d_->answerMessage(Msg::IdYes); // start
    d_->answerMessage(Msg::IdNo);  // one.jpg is there already: rename
    d_->acceptPrompt();
    drop({single});
    QCOMPARE(d_->asked.last().text, QStringLiteral("导入成功! :) \n已导入 1 个文件,其中 1 个改名导入"));
    QCOMPARE(listed(w->records), QStringList({"one (2).jpg/drop", "one.jpg/drop", "two.png/many"}));

    // A drop while an import runs (its progress lets the window take it) waits for none of
    // the first import's questions: it is refused.
    const QString three = tf_->write("drop/three.jpg", "3");
    d_->answerMessage(Msg::IdYes); // start
    d_->answerMessage(Msg::IdOk);  // the second drop refused
    send({three});
    drop({tf_->file("drop/many/two.png")});
    texts = d_->messages();
    QCOMPARE(texts.value(texts.size() - 2), QStringLiteral("正在导入文件,请等这次导入结束后再导入其他文件."));
    QCOMPARE(texts.last(), QStringLiteral("导入成功! :) "));
    QCOMPARE(listed(w->records), QStringList({"one (2).jpg/drop", "one.jpg/drop", "three.jpg/drop", "two.png/many"}));
}

QTEST_MAIN(TestWindowsInStep)
#include "test_windows_in_step.moc"
