#include "ScriptedDialogs.h"
#include "TestFolder.h"
#include "app/SharedState.h"
#include "app/mdiFrm.h"
#include "import/frmFile.h"
#include "store/DatabaseLocator.h"
#include "store/clsCurrentDb.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QProgressDialog>
#include <QTimer>
#include <QPushButton>
#include <QtTest>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

class TestImportWindow : public QObject {
    Q_OBJECT
private slots:
    void loadAndFilter();
    void chosenListRules();
    void inUseQuestion();
    void emptyRunStillConfirms();
    void runWithFailureGoesOn();
    void droppedFolder();
    void cancelStopsTheCopyInProgress();
    void onlyRegularFilesAndReadableNames();
    void startsAtLastFolder();
    void cancelClosesFrame();
};

namespace {
frmFile *openWindow(const QString &filter, int kind)
{
    gFilter = filter;
    gCaption = QStringLiteral("导入图片");
    gKind = kind;
    return new frmFile;
}

QString confirmText()
{
    return QStringLiteral("您确定要将以下的文件导入文件系统中?\r\n\r\n若您导入的程序的很大,需要的时间将很长..");
}
} // namespace

void TestImportWindow::loadAndFilter()
{
    TestFolder tf;
    ScriptedDialogs d;
    tf.write(QStringLiteral("pics/A.JPG"), "a");
    tf.write(QStringLiteral("pics/b.png"), "b");
    tf.write(QStringLiteral("pics/c.txt"), "c");
    tf.write(QStringLiteral("empty/x.txt"), "x");
    std::unique_ptr<frmFile> w(openWindow(QStringLiteral("*.bmp;*.jpg; *.png"), 3));
    gCaption = QStringLiteral("later");
    gKind = 5;
    QCOMPARE(w->windowTitle(), QStringLiteral("导入图片"));
    QCOMPARE(w->kind(), 3);
    QCOMPARE(w->lvw->toolTip(), QStringLiteral("双击,取消文件的选择"));
    QCOMPARE(w->lblRight->cursor().shape(), Qt::PointingHandCursor);
    w->setFolder(tf.file(QStringLiteral("pics")));
    QCOMPARE(w->File1->count(), 2);
    QCOMPARE(w->File1->item(0)->text(), QStringLiteral("A.JPG"));
    // ">>" on a folder without matching files adds nothing and asks nothing.
    w->setFolder(tf.file(QStringLiteral("empty")));
    w->lblRight_Click();
    QCOMPARE(w->lvw->count(), 0);
    QVERIFY(d.asked.isEmpty());
    // The folder kind lists everything.
    std::unique_ptr<frmFile> all(openWindow(QStringLiteral("*.*"), 1));
    all->setFolder(tf.file(QStringLiteral("pics")));
    QCOMPARE(all->File1->count(), 3);
}

void TestImportWindow::chosenListRules()
{
    TestFolder tf;
    ScriptedDialogs d;
    tf.write(QStringLiteral("pics/a.jpg"), "a");
    tf.write(QStringLiteral("pics/b.jpg"), "b");
    std::unique_ptr<frmFile> w(openWindow(QStringLiteral("*.jpg"), 3));
    w->setFolder(tf.file(QStringLiteral("pics")));
    w->lblRight_Click();
    w->lblRight_Click();
    QCOMPARE(w->chosenFiles(), QStringList({tf.file(QStringLiteral("pics/a.jpg")), tf.file(QStringLiteral("pics/b.jpg"))}));
    QCOMPARE(w->lvw->item(0)->text(), QStringLiteral("a.jpg"));
    w->File1_Click(QStringLiteral("a.jpg"));
    QCOMPARE(w->lvw->count(), 2);
    // Keys are compared exactly: a differently written path is another entry.
    QVERIFY(w->AddFileToList(tf.path() + QStringLiteral("pics//a.jpg")));
    QCOMPARE(w->lvw->count(), 3);
    QCOMPARE(w->imageList.size(), 3);
    w->lvw->setCurrentRow(0);
    w->lvw_DblClick();
    QCOMPARE(w->lvw->count(), 2);
    w->File1_Click(QStringLiteral("a.jpg")); // can come back after removal
    QCOMPARE(w->lvw->count(), 3);
    w->lblLeft_Click();
    QCOMPARE(w->lvw->count(), 0);
    QCOMPARE(w->imageList.size(), 3); // icons stay
    w->lvw_DblClick(); // nothing selected: nothing happens
}

void TestImportWindow::inUseQuestion()
{
    TestFolder tf;
    ScriptedDialogs d;
    const QString a = tf.write(QStringLiteral("pics/a.jpg"), "a");
    tf.write(QStringLiteral("pics/b.jpg"), "b");
    QFile holder(a);
    QVERIFY(holder.open(QIODevice::ReadOnly));
    QVERIFY(::flock(holder.handle(), LOCK_EX) == 0);
    std::unique_ptr<frmFile> w(openWindow(QStringLiteral("*.jpg"), 3));
    w->setFolder(tf.file(QStringLiteral("pics")));
    d.answerMessage(7);
    w->lblRight_Click(); // the No stops ">>" before b.jpg
    QCOMPARE(w->lvw->count(), 0);
    QCOMPARE(d.asked[0].text, QStringLiteral("a.jpg文件正处于打开状态,是否继续导入?"));
    d.answerMessage(6);
    QVERIFY(w->AddFileToList(a));
    d.answerMessage(6);
    QVERIFY(w->AddFileToList(a)); // asked every time
    QCOMPARE(w->lvw->count(), 1);
    QCOMPARE(d.asked.size(), 3);
    QVERIFY(d.allAnswered());
}

void TestImportWindow::emptyRunStillConfirms()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    std::unique_ptr<frmFile> w(openWindow(QStringLiteral("*.jpg"), 3));
    d.answerMessage(7);
    w->cmdStart_Click();
    QCOMPARE(d.asked.size(), 1);
    QCOMPARE(d.asked[0].text, confirmText());
    d.answerMessage(6);
    w->cmdStart_Click();
    QCOMPARE(d.asked.last().text, QStringLiteral("导入成功! :) "));
    QCOMPARE(d.asked.last().buttons, 112);
}

void TestImportWindow::runWithFailureGoesOn()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    const QString a = tf.write(QStringLiteral("pics/a.jpg"), "a");
    const QString b = tf.write(QStringLiteral("pics/b.jpg"), "b");
    const QString c = tf.write(QStringLiteral("pics/c.jpg"), "c");
    std::unique_ptr<frmFile> w(openWindow(QStringLiteral("*.jpg"), 3));
    w->setFolder(tf.file(QStringLiteral("pics")));
    w->lblRight_Click();
    QFile::remove(b); // gone before the run
    d.answerMessage(6);
    w->cmdStart_Click();
    const QString summary = d.asked.last().text;
    QVERIFY2(summary.contains(QStringLiteral("已导入 2 个文件")), qPrintable(summary));
    QVERIFY(summary.contains(QStringLiteral("b.jpg")));
    QVERIFY(!summary.contains(QStringLiteral("导入成功")));
    QCOMPARE(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment")).RecordCount(), 2);
    QCOMPARE(TestFolder::storedCopies().size(), 2);

    // A cancelled rename stops the run and still ends with success; the list stays.
    d.answerMessage(6); // confirm
    d.answerMessage(7); // a.jpg is in the catalogue: rename
    d.answerPrompt(QString());
    const qsizetype before = d.asked.size();
    w->cmdStart->click();
    QCOMPARE(d.asked.last().text, QStringLiteral("导入成功! :) "));
    // The window asks first; during the run its progress dialog owns the questions.
    QCOMPARE(d.asked[before].owner, QStringLiteral("frmFile"));
    QCOMPARE(d.asked[before + 1].owner, QStringLiteral("importProgress"));
    QCOMPARE(d.asked[before + 2].owner, QStringLiteral("importProgress"));
    QCOMPARE(w->lvw->count(), 3);
    QVERIFY(d.allAnswered());
}

void TestImportWindow::droppedFolder()
{
    TestFolder tf;
    ScriptedDialogs d;
    tf.write(QStringLiteral("drop/a.jpg"), "a");
    tf.write(QStringLiteral("drop/b.txt"), "b");
    const QString single = tf.write(QStringLiteral("one.jpg"), "o");
    QCOMPARE(::mkfifo(QFile::encodeName(tf.file(QStringLiteral("drop/pipe.jpg"))).constData(), 0600), 0);
    std::unique_ptr<frmFile> w(openWindow(QStringLiteral("*.jpg"), 3));
    w->show();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(tf.file(QStringLiteral("drop"))), QUrl::fromLocalFile(single)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w->lvw->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w->lvw->viewport(), &drop);
    QCOMPARE(w->chosenFiles(), QStringList({tf.file(QStringLiteral("drop/a.jpg")), single}));
    QVERIFY(d.asked.isEmpty());
    // A single file is held to the filter as a folder's files are: refused, and told once.
    w->addDropped({QUrl::fromLocalFile(tf.file(QStringLiteral("drop/b.txt"))),
                   QUrl::fromLocalFile(tf.write(QStringLiteral("c.txt"), "c"))});
    QCOMPARE(w->chosenFiles().size(), 2);
    QCOMPARE(d.messages().size(), 1);
    QVERIFY(d.messages().first().contains(QStringLiteral("\nb.txt\nc.txt")));
}

void TestImportWindow::onlyRegularFilesAndReadableNames()
{
    TestFolder tf;
    ScriptedDialogs d;
    tf.write(QStringLiteral("pics/a.jpg"), "a");
    const QByteArray folder = QFile::encodeName(tf.file(QStringLiteral("pics/")));
    QCOMPARE(::mkfifo(folder + "pipe.jpg", 0600), 0);
    // Names from a Chinese Windows archive: GBK bytes, not UTF-8 ("啊").
    for (const QByteArray name : {QByteArray("\xB0\xA1.jpg"), QByteArray("x\xB0\xA1.jpg")}) {
        const int fd = ::open(folder + name, O_CREAT | O_WRONLY, 0600);
        QVERIFY(fd >= 0);
        ::close(fd);
    }
    std::unique_ptr<frmFile> w(openWindow(QStringLiteral("*.jpg"), 3));
    w->setFolder(tf.file(QStringLiteral("pics")));
    QCOMPARE(w->File1->count(), 1);
    QCOMPARE(d.messages().size(), 1); // one message for the listing, naming both
    const QString told = d.messages().first();
    QVERIFY2(told.contains(QStringLiteral("\\xB0\\xA1.jpg (按 GBK 读作 啊.jpg)")) && told.contains(QStringLiteral("x\\xB0\\xA1.jpg")),
             qPrintable(told));
    w->lblRight_Click();
    QCOMPARE(w->chosenFiles(), QStringList(tf.file(QStringLiteral("pics/a.jpg"))));
}

void TestImportWindow::startsAtLastFolder()
{
    TestFolder tf;
    ScriptedDialogs d;
    tf.write(QStringLiteral("pics/a.jpg"), "a");
    {
        std::unique_ptr<frmFile> first(openWindow(QStringLiteral("*.jpg"), 3));
        QCOMPARE(first->lblPath->toolTip(), QDir::toNativeSeparators(QDir::homePath()));
        first->setFolder(tf.file(QStringLiteral("pics")));
    }
    std::unique_ptr<frmFile> next(openWindow(QStringLiteral("*.jpg"), 3));
    QCOMPARE(next->lblPath->toolTip(), QDir::toNativeSeparators(tf.file(QStringLiteral("pics"))));
    QCOMPARE(next->File1->count(), 1);
}

void TestImportWindow::cancelClosesFrame()
{
    TestFolder tf;
    ScriptedDialogs d;
    mdiFrm main;
    main.mnu_AddImage->trigger();
    QCOMPARE(main.mdiArea()->subWindowList().size(), 1);
    qobject_cast<frmFile *>(main.mdiArea()->subWindowList().first()->widget())->cmdCancel->click();
    QTRY_COMPARE(main.mdiArea()->subWindowList().size(), 0);
}

// Cancel stops the copy in progress within a second, keeps nothing of it, and the report
// says so with the count of files imported before it.
void TestImportWindow::cancelStopsTheCopyInProgress()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    tf.write(QStringLiteral("pics/a.jpg"), "a");
    QFile big(tf.file(QStringLiteral("pics/big.jpg")));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64(1) << 30));
    big.close();
    tf.write(QStringLiteral("pics/c.jpg"), "c");
    std::unique_ptr<frmFile> w(openWindow(QStringLiteral("*.jpg"), 3));
    w->setFolder(tf.file(QStringLiteral("pics")));
    w->lblRight_Click();
    QElapsedTimer sinceCancel;
    QTimer::singleShot(150, w.get(), [&] {
        auto *progress = w->findChild<QProgressDialog *>(QStringLiteral("importProgress"));
        QVERIFY(progress);
        progress->cancel();
        sinceCancel.start();
    });
    d.answerMessage(6);
    w->cmdStart_Click();
    QVERIFY(sinceCancel.isValid());
    QVERIFY2(sinceCancel.elapsed() < 1000, qPrintable(QString::number(sinceCancel.elapsed())));
    const QString summary = d.asked.last().text;
    QVERIFY2(summary.contains(QStringLiteral("导入已取消")) && summary.contains(QStringLiteral("已导入 1 个文件")),
             qPrintable(summary));
    Recordset rs = CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment"));
    QCOMPARE(rs.RecordCount(), 1);
    QCOMPARE(rs.text(QStringLiteral("FileName")), QStringLiteral("a.jpg"));
    QCOMPARE(TestFolder::storedCopies().size(), 1);
}

QTEST_MAIN(TestImportWindow)
#include "test_import_window.moc"
