#include "CatalogueTest.h"
#include "app/SharedState.h"
#include "browse/RecordList.h"
#include "browse/frmBrowse.h"
#include "browse/frmRecycleBin.h"
#include "import/ImportEngine.h"
#include "store/RecordChanged.h"
#include "store/RecycleBin.h"

#include <QtWidgets>
#include <sys/stat.h>

// "删除" keeps what it takes in a recycle bin until the bin is emptied.
class TestRecycleBin : public QObject {
    Q_OBJECT
private slots:
    void deleteRestoreAndEmpty();
    void categoryAndClashes();
};

namespace {
QStringList namesIn(const QString &where = "1=1")
{
    QStringList out;
    for (Recordset rs = CurrentDb().OpenRecordset("Select * From tblAttachment Where " + where); !rs.isEOF(); rs.MoveNext())
        out << rs.text(QStringLiteral("SaveFileName"));
    return out;
}

// A catalogue with the given pictures imported, one per folder of src/, and a browse window on it.
struct Fixture {
    TestFolder tf;
    ScriptedDialogs d;
    std::unique_ptr<frmBrowse> browse;
    explicit Fixture(const QStringList &pictures)
    {
        tf.createCatalogue();
        for (const QString &p : pictures)
            ImportEngine::ImportFile(tf.write("src/" + p, QFileInfo(p).baseName().toUtf8()), 3);
        gCaption = QStringLiteral("浏览图片");
        gKind = 3;
        browse = std::make_unique<frmBrowse>();
        browse->List->setCurrentRow(1);
    }
};
} // namespace

void TestRecycleBin::deleteRestoreAndEmpty()
{
    Fixture f({"f/a.jpg"});
    const QString stored = namesIn().value(0);
    // A folder shared by a group: its bin is the group's too, whatever this account's umask.
    QVERIFY(::chmod(QFile::encodeName(AttachmentPath()).constData(), 02770) == 0);
    const mode_t mask = ::umask(022);
    f.browse->List_Click();
    f.browse->records->selectRow(0);
    f.d.answerMessage(Msg::IdYes);
    f.browse->records->mnuDel->trigger();
    QCOMPARE(f.d.asked.last().text, QStringLiteral("您确定要删除a.jpg?")); // the questions stay as they are
    QVERIFY(namesIn().isEmpty() && TestFolder::storedCopies().isEmpty());
    ::umask(mask);
    QCOMPARE(Corpus::read(RecycleBin::folder() + stored), QByteArray("a"));
    struct stat made {};
    QVERIFY(::stat(QFile::encodeName(RecycleBin::folder()).constData(), &made) == 0 && (made.st_mode & 07777) == 02770);
    // Binned contents are not a duplicate: importing them again asks nothing.
    QVERIFY(ImportEngine::ImportFile(f.tf.write("src/g/again.jpg", "a"), 3));
    QCOMPARE(f.d.asked.size(), 1);

    frmRecycleBin bin;
    QCOMPARE(bin.lvw->rowCount(), 1);
    QCOMPARE(bin.lvw->item(0, 0)->text(), QStringLiteral("a.jpg"));
    bin.lvw->selectAll();
    bin.cmdRestore->click();
    // again.jpg may have taken the free stored name meanwhile: then a.jpg comes back under a new one.
    const QStringList back = namesIn("FileName='a.jpg'");
    QCOMPARE(back.size(), 1);
    QCOMPARE(Corpus::read(AttachmentPath() + back.first()), QByteArray("a"));
    QCOMPARE(bin.lvw->rowCount(), 0);

    // Emptying asks (No by default) and then removes rows and copies for good.
    f.browse->Refresh(); // its category is back
    f.browse->List->setCurrentRow(1);
    f.browse->List_Click();
    f.browse->records->selectRow(f.browse->records->model()->rowOf(AttachmentPath() + back.first()));
    f.d.answerMessage(Msg::IdYes);
    f.browse->records->mnuDel->trigger();
    bin.Refresh();
    f.d.answerMessage(Msg::IdNo);
    bin.cmdEmpty->click();
    QCOMPARE(f.d.asked.last().buttons, Msg::YesNo | Msg::Question | Msg::DefaultSecond);
    QCOMPARE(RecycleBin::entries().size(), 1);
    f.d.answerMessage(Msg::IdYes);
    bin.cmdEmpty->click();
    QVERIFY(RecycleBin::entries().isEmpty());
    QVERIFY(QDir(RecycleBin::folder()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    QVERIFY(f.d.allAnswered());
}

// A category's records go to the bin with their copies left in place. A record restored
// after a newer one took its stored name gets a new name; the newer record keeps its copy.
// An entry another program restored meanwhile is not restored twice.
void TestRecycleBin::categoryAndClashes()
{
    Fixture f({"trip/a.jpg", "trip/b.jpg"});
    f.d.answerMessage(Msg::IdYes);
    f.browse->DeleteCategory();
    QVERIFY(namesIn().isEmpty());
    QCOMPARE(TestFolder::storedCopies().size(), 2); // copies stay where they are
    const QVector<RecycleBin::Entry> entries = RecycleBin::entries();
    QCOMPARE(entries.size(), 2);
    const bool aFirst = entries[0].fileName == QLatin1String("a.jpg");
    const RecycleBin::Entry a = entries[aFirst ? 0 : 1], b = entries[aFirst ? 1 : 0];
    // A newer record with a's stored name and a copy of its own.
    QFile::remove(AttachmentPath() + a.storedName);
    f.tf.write("Attachment/" + a.storedName, "newer");
    CurrentDb().OpenRecordset(QStringLiteral("insert into tblAttachment (FileName,FolderName,SaveFileName,tblFileKind) "
                                             "values ('newer.jpg','n','%1',3)").arg(a.storedName));
    const QString restored = RecycleBin::restore(a);
    QVERIFY(restored != a.storedName);
    QCOMPARE(Corpus::read(AttachmentPath() + a.storedName), QByteArray("newer"));
    QCOMPARE(namesIn("FileName='a.jpg'"), QStringList(restored));
    QCOMPARE(RecycleBin::restore(b), b.storedName);
    QCOMPARE(Corpus::read(AttachmentPath() + b.storedName), QByteArray("b"));
    QVERIFY_THROWS_EXCEPTION(RecordChanged, RecycleBin::restore(b)); // restored already
}

QTEST_MAIN(TestRecycleBin)
#include "test_recycle_bin.moc"
