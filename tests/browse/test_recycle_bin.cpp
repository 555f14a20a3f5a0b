#include "Corpus.h"
#include "ScriptedDialogs.h"
#include "TestFolder.h"
#include "app/SharedState.h"
#include "browse/RecordList.h"
#include "browse/frmBrowse.h"
#include "browse/frmRecycleBin.h"
#include "import/ImportEngine.h"
#include "store/DatabaseLocator.h"
#include "store/RecordChanged.h"
#include "store/RecycleBin.h"
#include "store/Services.h"
#include "store/clsCurrentDb.h"

#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

// "删除" keeps what it takes in a recycle bin until the bin is emptied.
class TestRecycleBin : public QObject {
    Q_OBJECT
private slots:
    void deleteRestoreAndEmpty();
    void categoryAndClashes();
};

namespace {
QStringList namesIn(const QString &where = QStringLiteral("1=1"))
{
    QStringList out;
    Recordset rs = CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment Where ") + where);
    while (!rs.isEOF()) {
        out << rs.text(QStringLiteral("SaveFileName"));
        rs.MoveNext();
    }
    return out;
}

void selectAll(frmRecycleBin &bin)
{
    bin.lvw->selectAll();
}
} // namespace

void TestRecycleBin::deleteRestoreAndEmpty()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    QVERIFY(ImportEngine::ImportFile(tf.write(QStringLiteral("src/f/a.jpg"), "a"), 3));
    const QString stored = namesIn().value(0);
    gCaption = QStringLiteral("浏览图片");
    gKind = 3;
    frmBrowse browse;
    browse.List->setCurrentRow(1);
    browse.List_Click();
    browse.records->selectRow(0);
    d.answerMessage(Msg::IdYes);
    browse.records->mnuDel->trigger();
    QCOMPARE(d.asked.last().text, QStringLiteral("您确定要删除a.jpg?")); // the questions stay as they are
    QVERIFY(namesIn().isEmpty());
    QVERIFY(TestFolder::storedCopies().isEmpty());
    QCOMPARE(Corpus::read(RecycleBin::folder() + stored), QByteArray("a"));
    // Binned contents are not a duplicate: importing them again asks nothing.
    QVERIFY(ImportEngine::ImportFile(tf.write(QStringLiteral("src/g/again.jpg"), "a"), 3));
    QCOMPARE(d.asked.size(), 1);

    frmRecycleBin bin;
    QCOMPARE(bin.lvw->rowCount(), 1);
    QCOMPARE(bin.lvw->item(0, 0)->text(), QStringLiteral("a.jpg"));
    selectAll(bin);
    bin.cmdRestore->click();
    // again.jpg may have taken the free stored name meanwhile: then a.jpg comes back under a new one.
    const QStringList back = namesIn(QStringLiteral("FileName='a.jpg'"));
    QCOMPARE(back.size(), 1);
    QCOMPARE(Corpus::read(AttachmentPath() + back.first()), QByteArray("a"));
    QCOMPARE(bin.lvw->rowCount(), 0);

    // Emptying asks (No by default) and then removes rows and copies for good.
    browse.List_Click();
    browse.records->selectRow(browse.records->model()->rowOf(AttachmentPath() + back.first()));
    d.answerMessage(Msg::IdYes);
    browse.records->mnuDel->trigger();
    bin.Refresh();
    d.answerMessage(Msg::IdNo);
    bin.cmdEmpty->click();
    QCOMPARE(d.asked.last().buttons, Msg::YesNo | Msg::Question | Msg::DefaultSecond);
    QCOMPARE(RecycleBin::entries().size(), 1);
    d.answerMessage(Msg::IdYes);
    bin.cmdEmpty->click();
    QVERIFY(RecycleBin::entries().isEmpty());
    QVERIFY(QDir(RecycleBin::folder()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    QVERIFY(d.allAnswered());
}

// A category's records go to the bin with their copies left in place. A record restored
// after a newer one took its stored name gets a new name; the newer record keeps its copy.
// An entry another program restored meanwhile is not restored twice.
void TestRecycleBin::categoryAndClashes()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    QVERIFY(ImportEngine::ImportFile(tf.write(QStringLiteral("src/trip/a.jpg"), "a"), 3));
    QVERIFY(ImportEngine::ImportFile(tf.write(QStringLiteral("src/trip/b.jpg"), "b"), 3));
    const QStringList stored = namesIn();
    gCaption = QStringLiteral("浏览图片");
    gKind = 3;
    frmBrowse browse;
    browse.List->setCurrentRow(1);
    d.answerMessage(Msg::IdYes);
    browse.DeleteCategory();
    QVERIFY(namesIn().isEmpty());
    QCOMPARE(TestFolder::storedCopies().size(), 2); // copies stay where they are
    QVector<RecycleBin::Entry> entries = RecycleBin::entries();
    QCOMPARE(entries.size(), 2);

    // A newer record with a's stored name and a copy of its own.
    const RecycleBin::Entry a = entries[0].fileName == QLatin1String("a.jpg") ? entries[0] : entries[1];
    const RecycleBin::Entry b = entries[0].fileName == QLatin1String("a.jpg") ? entries[1] : entries[0];
    QFile::remove(AttachmentPath() + a.storedName);
    tf.write(QStringLiteral("Attachment/") + a.storedName, "newer");
    CurrentDb().OpenRecordset(QStringLiteral("insert into tblAttachment (FileName,FolderName,SaveFileName,tblFileKind) "
                                             "values ('newer.jpg','n','%1',3)")
                                  .arg(a.storedName));
    const QString restored = RecycleBin::restore(a);
    QVERIFY(restored != a.storedName);
    QCOMPARE(Corpus::read(AttachmentPath() + a.storedName), QByteArray("newer"));
    QCOMPARE(namesIn(QStringLiteral("FileName='a.jpg'")), QStringList(restored));

    QCOMPARE(RecycleBin::restore(b), b.storedName);
    QCOMPARE(Corpus::read(AttachmentPath() + b.storedName), QByteArray("b"));
    QVERIFY_THROWS_EXCEPTION(RecordChanged, RecycleBin::restore(b)); // restored already
    QVERIFY(stored.contains(b.storedName));
}

QTEST_MAIN(TestRecycleBin)
#include "test_recycle_bin.moc"
