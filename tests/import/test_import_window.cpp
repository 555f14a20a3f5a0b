#include "CatalogueFixture.h"
#include "CatalogueTest.h"
#include "app/mdiFrm.h"
#include "import/ImportEngine.h"
#include "import/ImportRun.h"
#include "import/frmFile.h"
#include "store/AttachmentMarker.h"
#include "store/CatalogueSchema.h"
#include "store/IniFile.h"
#include "store/PostgresEngine.h"
#include "ui/QtDialogs.h"
#include "ui/SharedState.h"

#include <QtWidgets>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

class TestImportWindow : public QObject, private CatalogueFixture {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void loadAndFilter();
    void chosenListRules();
    void inUseQuestion();
    void runWithFailureGoesOn();
    void runStopsWhenTheServerGoes();
    void lostGroupTakesBackItsRename();
    void longSummaryScrolls();
    void cancelStopsTheCopyInProgress();
    void listingsAndDrops();
    void cancelClosesFrame();
    void folderTree();

private:
    // An import window on pics/, which holds a.jpg and b.jpg.
    std::unique_ptr<frmFile> open(const QString &filter = "*.jpg", int kind = 3)
    {
        gFilter = filter;
        gCaption = QStringLiteral("导入图片");
        gKind = kind;
        auto w = std::make_unique<frmFile>();
        w->setFolder(tf_->file("pics"));
        return w;
    }
    QString pic(const QString &name) const { return tf_->file("pics/" + name); }
};

void TestImportWindow::init()
{
    openCatalogue();
    tf_->write("pics/a.jpg", "a");
    tf_->write("pics/b.jpg", "b");
}

void TestImportWindow::cleanup()
{
    QVERIFY(d_->allAnswered());
    closeCatalogue();
}

// The first window starts at the home folder, the next at the last folder shown. The
// caption, kind and filter are read once, when the window opens.
void TestImportWindow::loadAndFilter()
{
    tf_->write("pics/C.PNG", "c");
    tf_->write("pics/d.txt", "d");
    tf_->write("empty/x.txt", "x");
    QCOMPARE(frmFile().txtPath->toolTip(), QDir::toNativeSeparators(QDir::homePath()));
    auto w = open("*.bmp;*.jpg; *.png");
    gCaption = QStringLiteral("later");
    gKind = 5;
    gFilter = "*.*"; // the folder kind lists everything
    QCOMPARE(w->windowTitle(), QStringLiteral("导入图片"));
    QCOMPARE(w->kind(), 3);
    QCOMPARE(w->lvw->toolTip(), QStringLiteral("双击,取消文件的选择"));
    QCOMPARE(w->File1->count(), 3);
    QCOMPARE(w->File1->item(2)->text(), QStringLiteral("C.PNG"));
    // ">>" on a folder without matching files adds nothing and asks nothing.
    w->setFolder(tf_->file("empty"));
    w->lblRight_Click();
    QCOMPARE(w->lvw->count(), 0);
    QVERIFY(d_->asked.isEmpty());
    frmFile next;
    QCOMPARE(next.txtPath->toolTip(), QDir::toNativeSeparators(tf_->file("empty")));
    next.setFolder(tf_->file("pics"));
    QCOMPARE(next.File1->count(), 4);
}

void TestImportWindow::chosenListRules()
{
    auto w = open();
    w->lblRight_Click();
    w->lblRight_Click();
    QCOMPARE(w->chosenFiles(), QStringList({pic("a.jpg"), pic("b.jpg")}));
    QCOMPARE(w->lvw->item(0)->text(), QStringLiteral("a.jpg"));
    w->File1_Click("a.jpg");
    QCOMPARE(w->lvw->count(), 2);
    // Keys are compared exactly: a differently written path is another entry.
    QVERIFY(w->AddFileToList(tf_->path() + "pics//a.jpg"));
    QCOMPARE(w->lvw->count(), 3);
    QCOMPARE(w->imageList.size(), 3);
    w->lvw->setCurrentRow(0);
    w->lvw_DblClick();
    QCOMPARE(w->lvw->count(), 2);
    w->File1_Click("a.jpg"); // can come back after removal
    QCOMPARE(w->lvw->count(), 3);
    w->lblLeft_Click();
    QCOMPARE(w->lvw->count(), 0);
    QCOMPARE(w->imageList.size(), 3); // icons stay
    w->lvw_DblClick();                // nothing selected: nothing happens
}

void TestImportWindow::inUseQuestion()
{
    QFile holder(pic("a.jpg"));
    QVERIFY(holder.open(QIODevice::ReadOnly) && ::flock(holder.handle(), LOCK_EX) == 0);
    auto w = open();
    d_->answerMessage(Msg::IdNo);
    w->lblRight_Click(); // the No stops ">>" before b.jpg
    QCOMPARE(w->lvw->count(), 0);
    QCOMPARE(d_->asked[0].text, QStringLiteral("a.jpg文件正处于打开状态,是否继续导入?"));
    for (int asked = 0; asked < 2; ++asked) { // asked every time
        d_->answerMessage(Msg::IdYes);
        QVERIFY(w->AddFileToList(pic("a.jpg")));
    }
    QCOMPARE(w->lvw->count(), 1);
    QCOMPARE(d_->asked.size(), 3);
}

void TestImportWindow::runWithFailureGoesOn()
{
    tf_->write("pics/c.jpg", "c");
    auto w = open();
    d_->answerMessage(Msg::IdNo);
    w->cmdStart_Click(); // asked even with nothing chosen
    QCOMPARE(d_->asked[0].text,
             QStringLiteral("您确定要将以下的文件导入文件系统中?\r\n\r\n若您导入的程序的很大,需要的时间将很长.."));
    QCOMPARE(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment")).RecordCount(), 0);
    w->lblRight_Click();
    QFile::remove(pic("b.jpg")); // gone before the run
    d_->answerMessage(Msg::IdYes);
    w->cmdStart_Click();
    const QString summary = d_->asked.last().text;
    QVERIFY2(summary.contains("已导入 2 个文件") && summary.contains("b.jpg") && !summary.contains("导入成功"),
             qPrintable(summary));
    QCOMPARE(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment")).RecordCount(), 2);
    QCOMPARE(TestFolder::storedCopies().size(), 2);

    // A repeat run: a.jpg takes the name offered, b.jpg is new again, the rename of c.jpg
    // is cancelled, which stops the run; the summary says so and is no success. The list stays.
    tf_->write("pics/b.jpg", "b2");
    d_->answerMessage(Msg::IdYes); // confirm
    d_->answerMessage(Msg::IdNo);  // a.jpg is in the catalogue: rename
    d_->acceptPrompt();
    d_->answerMessage(Msg::IdNo); // c.jpg too
    d_->answerPrompt(QString());
    const qsizetype before = d_->asked.size();
    w->cmdStart->click();
    QCOMPARE(d_->asked[before + 2].defaultAnswer, QStringLiteral("a (2)"));
    QCOMPARE(d_->asked.last().text, QStringLiteral("已导入 2 个文件,其中 1 个改名导入,改名已取消,1 个文件未导入"));
    QCOMPARE(d_->asked.last().buttons, Msg::OkOnly | Msg::Information);
    // The window asks first; during the run its progress dialog owns the questions.
    QCOMPARE(d_->asked[before].owner + d_->asked[before + 1].owner + d_->asked[before + 2].owner,
             QStringLiteral("frmFileimportProgressimportProgress"));
    QCOMPARE(w->lvw->count(), 3);

    // Every file replaces its record's copy: the old words, and the count beside them.
    for (int answer : {Msg::IdYes, Msg::IdYes, Msg::IdYes, Msg::IdYes})
        d_->answerMessage(answer);
    w->cmdStart_Click();
    QCOMPARE(d_->asked.last().text, QStringLiteral("导入成功! :) \n已导入 3 个文件,3 个覆盖了库里的同名文件"));
    QCOMPARE(d_->asked.last().buttons, 112);

    // Nothing imported is no success: the one file held what the catalogue holds already.
    tf_->write("copy/x.jpg", "c");
    gFilter = "*.jpg";
    auto other = std::make_unique<frmFile>();
    other->setFolder(tf_->file("copy"));
    other->lblRight_Click();
    d_->answerMessage(Msg::IdYes);
    d_->answerMessage(Msg::IdNo);
    other->cmdStart_Click();
    QCOMPARE(d_->asked.last().text, QStringLiteral("已导入 0 个文件,1 个内容相同的文件未导入"));
}

// A server that goes away in the middle of a run stops it at the first file that fails;
// the files after it are counted, not tried one by one.
void TestImportWindow::runStopsWhenTheServerGoes()
{
    if (!TestFolder::onServer())
        QSKIP("needs a server");
    // A database of its own, so that connections to it can be refused without touching others'.
    const QString name = "mc_stop_" + QUuid::createUuid().toString(QUuid::Id128).left(12);
    PostgresEngine admin("postgresql:///");
    admin.openForSetup();
    admin.execute("CREATE DATABASE " + name);
    const QString catalogue = "postgresql:///" + name;
    CatalogueSchema::create(catalogue);
    WriteIni("DataBaseFilePath", catalogue);
    QDir().mkpath(tf_->file("shared"));
    WriteIni("AttachmentPath", tf_->file("shared"));
    AttachmentMarker::mark(catalogue, tf_->file("shared"));
    clsCurrentDb::release();
    SetAttachmentPath(QString());
    QVERIFY(ImportEngine::ImportFile(tf_->write("old/f/dup.txt", "old"), 2));
    QStringList files;
    for (int i = 0; i < 40; ++i)
        files << (i == 2 ? tf_->write("f/dup.txt", "new")
                         : tf_->write(QStringLiteral("f/%1.txt").arg(i), QByteArray::number(i)));
    d_->answerMessage(Msg::IdNo); // dup.txt is there: rename it, and the server goes meanwhile
    d_->answerPrompt("renamed");
    d_->duringPrompt = [&] {
        admin.execute("ALTER DATABASE " + name + " ALLOW_CONNECTIONS false");
        admin.execute("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = ?", {name});
    };
    ImportRun run(files, 2, nullptr);
    run.exec();
    const QString summary = run.summary();
    admin.execute("ALTER DATABASE " + name + " ALLOW_CONNECTIONS true");
    QCOMPARE(run.failures().size(), 1);
    QVERIFY2(run.failures().first().contains("dup.txt") && summary.contains("已导入 2 个文件") &&
                 summary.contains("其余 37 个文件没有导入"),
             qPrintable(summary));
    QCOMPARE(TestFolder::storedCopies().size(), 3);
    QCOMPARE(CurrentDb().OpenRecordset("Select * From tblAttachment").RecordCount(), 3);
    clsCurrentDb::release();
    admin.execute("DROP DATABASE " + name + " WITH (FORCE)");
}

// A summary longer than the screen scrolls, and its OK button stays within reach.
void TestImportWindow::longSummaryScrolls()
{
    QString text = "已导入 0 个文件,40 个文件导入失败:";
    for (int i = 0; i < 20; ++i)
        text += QStringLiteral("\n/home/user/图片/一个很长的文件夹名称/%1.jpg: 数据库错误: 与数据库服务器的连接中断\n语句: "
                               "Select * from tblAttachment Where FileName='%1.jpg'")
                    .arg(i);
    text += "\n... 另有 20 个";
    QtDialogs real;
    QRect box, ok, screen;
    int scrolls = 0;
    QTimer::singleShot(0, [&] {
        QWidget *w = QApplication::activeModalWidget();
        QVERIFY(w);
        screen = w->screen()->availableGeometry();
        box = w->frameGeometry();
        for (auto *b : w->findChildren<QPushButton *>())
            if (b->isVisible())
                ok = QRect(b->mapToGlobal(QPoint(0, 0)), b->size());
        if (auto *edit = w->findChild<QPlainTextEdit *>())
            scrolls = edit->verticalScrollBar()->maximum();
        QTest::keyClick(w, Qt::Key_Escape);
    });
    QCOMPARE(real.message(text, Msg::Information, "文件系统-"), 1);
    QVERIFY2(screen.contains(box) && screen.contains(ok) && scrolls > 0,
             qPrintable(QStringLiteral("%1x%2 in %3x%4, scroll %5")
                            .arg(box.width())
                            .arg(box.height())
                            .arg(screen.width())
                            .arg(screen.height())
                            .arg(scrolls)));
}

// Cancel stops the copy in progress within a second, keeps nothing of it, and the report
// says so with the count of files imported before it.
void TestImportWindow::cancelStopsTheCopyInProgress()
{
    QFile big(pic("big.jpg"));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64(1) << 30));
    big.close();
    tf_->write("pics/c.jpg", "c");
    auto w = open();
    w->lblRight_Click();
    QElapsedTimer sinceCancel;
    // Cancel once the big copy is under way, however long the small files took first.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, w.get(), [&] {
        auto *progress = w->findChild<QProgressDialog *>(QStringLiteral("importProgress"));
        if (!progress || !progress->labelText().contains(QStringLiteral("big.jpg\n已复制")))
            return;
        poll.stop();
        progress->cancel();
        sinceCancel.start();
    });
    poll.start(20);
    d_->answerMessage(Msg::IdYes);
    w->cmdStart_Click();
    QVERIFY(sinceCancel.isValid());
    QVERIFY2(sinceCancel.elapsed() < 1000, qPrintable(QString::number(sinceCancel.elapsed())));
    const QString summary = d_->asked.last().text;
    QVERIFY2(summary.contains("导入已取消") && summary.contains("已导入 2 个文件"), qPrintable(summary));
    QCOMPARE(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment")).RecordCount(), 2);
    QCOMPARE(TestFolder::storedCopies().size(), 2);
}

// Only regular files are listed or taken from a dropped folder: a pipe is skipped, and
// names that are not UTF-8 (GBK bytes from a Chinese Windows archive, "啊") are told, once
// per listing. A dropped single file is held to the filter as a folder's files are:
// refused, and told once.
void TestImportWindow::listingsAndDrops()
{
    const QByteArray folder = QFile::encodeName(tf_->file("pics/"));
    QCOMPARE(::mkfifo(folder + "pipe.jpg", 0600), 0);
    for (const char *name : {"\xB0\xA1.jpg", "x\xB0\xA1.jpg"}) {
        const int fd = ::open(folder + name, O_CREAT | O_WRONLY, 0600);
        QVERIFY(fd >= 0);
        ::close(fd);
    }
    tf_->write("pics/b.txt", "b");
    auto w = open();
    QCOMPARE(w->File1->count(), 2);
    QCOMPARE(d_->messages().size(), 1);
    const QString told = d_->messages().first();
    QVERIFY2(told.contains("\\xB0\\xA1.jpg (按 GBK 读作 啊.jpg)") && told.contains("x\\xB0\\xA1.jpg"), qPrintable(told));
    const QString single = tf_->write("one.jpg", "o");
    w->show();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(tf_->file("pics")), QUrl::fromLocalFile(single)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w->lvw->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w->lvw->viewport(), &drop);
    QCOMPARE(w->chosenFiles(), QStringList({pic("a.jpg"), pic("b.jpg"), single}));
    QCOMPARE(d_->messages().size(), 2);
    w->addDropped({QUrl::fromLocalFile(pic("b.txt")), QUrl::fromLocalFile(tf_->write("c.txt", "c"))});
    QCOMPARE(w->chosenFiles().size(), 3);
    QCOMPARE(d_->messages().size(), 3);
    QVERIFY(d_->messages().last().contains("\nb.txt\nc.txt"));
}

void TestImportWindow::cancelClosesFrame()
{
    mdiFrm main;
    main.mnu_AddImage->trigger();
    QCOMPARE(main.mdiArea()->subWindowList().size(), 1);
    qobject_cast<frmFile *>(main.mdiArea()->subWindowList().first()->widget())->cmdCancel->click();
    QTRY_COMPARE(main.mdiArea()->subWindowList().size(), 0);
}

// The tree opens at the start folder at once, stays as it is under the user's clicks and
// while folders come and go, and the path box goes to a typed folder.
void TestImportWindow::folderTree()
{
    for (const char *folder : {"deep/a/b/c", "deep/a/b/d", "deep/0/x", "deep/a/e"})
        QVERIFY(QDir().mkpath(tf_->file(folder)));
    tf_->write("deep/a/b/c/clip.jpg", "c");
    open()->setFolder(tf_->file("deep/a/b/c")); // remembered for the next window
    frmFile w;
    const auto shown = [&] { return w.Dir1->currentIndex().data(Qt::ToolTipRole).toString(); };
    QCOMPARE(shown(), QDir::toNativeSeparators(tf_->file("deep/a/b/c"))); // before any event
    QCOMPARE(w.File1->count(), 1);
    w.resize(600, 400);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QModelIndex b = w.Dir1->currentIndex().parent();
    QVERIFY(w.Dir1->isExpanded(b) && w.Dir1->isExpanded(b.parent()));
    const QRect bAt = w.Dir1->visualRect(b);
    QVERIFY(w.Dir1->viewport()->rect().contains(bAt));
    QTest::mouseClick(w.Dir1->viewport(), Qt::LeftButton, {}, bAt.center());
    QCOMPARE(shown(), QDir::toNativeSeparators(tf_->file("deep/a/b")));
    const int scrolled = w.Dir1->verticalScrollBar()->value();
    QVERIFY(QDir().mkpath(tf_->file("deep/a/aa")) && QDir(tf_->file("deep/0")).removeRecursively());
    QTest::qWait(500);
    QCOMPARE(w.Dir1->visualRect(b), bAt);
    QCOMPARE(w.Dir1->verticalScrollBar()->value(), scrolled);
    // Typed, with Enter; a folder that is not there is named.
    w.txtPath->setText(QDir::toNativeSeparators(tf_->file("pics")));
    QTest::keyClick(w.txtPath, Qt::Key_Return);
    QCOMPARE(shown(), QDir::toNativeSeparators(tf_->file("pics")));
    QCOMPARE(w.File1->count(), 2);
    d_->answerMessage(Msg::IdOk);
    w.txtPath->setText(tf_->file("nowhere"));
    QTest::keyClick(w.txtPath, Qt::Key_Return);
    QCOMPARE(d_->messages(), QStringList("找不到文件夹 " + QDir::toNativeSeparators(tf_->file("nowhere"))));
    QCOMPARE(w.File1->count(), 2);
}

// A group that cannot commit takes back the rename made in it: the summary counts none.
void TestImportWindow::lostGroupTakesBackItsRename()
{
    QVERIFY(ImportEngine::ImportFile(tf_->write("old/p/x.jpg", "old"), 3));
    const QStringList before = TestFolder::storedCopies();
    // Once x.jpg is copied under its new name, before its group commits, that copy vanishes;
    // the next file is not there either.
    const QStringList files = {tf_->write("new/p/x.jpg", "new"), tf_->file("new/p/gone.jpg")};
    d_->duringPrompt = [&] {
        d_->duringPrompt = nullptr;
        QTimer::singleShot(0, [&] {
            for (const QString &copy : TestFolder::storedCopies())
                if (!before.contains(copy))
                    QFile::remove(AttachmentPath() + copy);
        });
    };
    d_->answerMessage(Msg::IdNo); // x.jpg is there: rename
    d_->acceptPrompt();
    ImportRun run(files, 3, nullptr);
    run.exec();
    QCOMPARE(run.imported(), 0);
    QCOMPARE(run.renamed(), 0);
    QVERIFY2(run.summary().startsWith(QStringLiteral("已导入 0 个文件,2 个文件导入失败:")), qPrintable(run.summary()));
    QCOMPARE(TestFolder::storedCopies(), before);
}

QTEST_MAIN(TestImportWindow)
#include "test_import_window.moc"
