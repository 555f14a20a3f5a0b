#include "CatalogueTest.h"
#include "browse/RecordList.h"
#include "browse/frmBrowse.h"
#include "browse/frmRecycleBin.h"
#include "import/ImportEngine.h"
#include "store/CatalogueLocation.h"
#include "store/Engine.h"
#include "store/ProgressWindow.h"
#include "store/RecordChanged.h"
#include "store/RecycleBin.h"
#include "store/RowTable.h"
#include "ui/QtProgressWindow.h"
#include "ui/SharedState.h"

#include <QtWidgets>
#include <sys/stat.h>
#include <unistd.h>

// "删除" keeps what it takes in a recycle bin until the bin is emptied.
class TestRecycleBin : public QObject {
    Q_OBJECT
private slots:
    void deleteRestoreAndEmpty();
    void categoryAndClashes();
    void restoreWithoutCopy();
    void emptyingThatCannotDelete();
    void hashFollowsRestoredName();
    void keepsWhatItShows();
    void inGroups();
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
    // Deletes every listed record through the window: records and copies go to the bin.
    void deleteAll()
    {
        browse->List->setCurrentRow(0); // every category
        browse->List_Click();
        browse->records->lvw->selectAll();
        d.answerMessage(Msg::IdYes);
        browse->records->mnuDel->trigger();
    }
};

// A folder nobody can write, root included (chattr +i); false where that cannot be made.
bool lockFolder(const QString &path, bool locked)
{
    if (::geteuid() != 0)
        return QFile::setPermissions(path, locked ? QFile::ReadOwner | QFile::ExeOwner
                                                  : QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return QProcess::execute(QStringLiteral("chattr"), {locked ? QStringLiteral("+i") : QStringLiteral("-i"), path}) == 0;
}
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

// A category's records go to the bin with their copies left in place. A record whose copy
// is gone (another record's file stands under its stored name) is not restored, and the
// newer record keeps its copy. An entry another program restored meanwhile is not restored twice.
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
    QFile::remove(AttachmentPath() + a.storedName);
    f.tf.write("Attachment/" + a.storedName, "newer");
    CurrentDb().OpenRecordset(QStringLiteral("insert into tblAttachment (FileName,FolderName,SaveFileName,tblFileKind) "
                                             "values ('newer.jpg','n','%1',3)")
                                  .arg(a.storedName));
    QVERIFY_THROWS_EXCEPTION(AppError, RecycleBin::restore(a));
    QCOMPARE(Corpus::read(AttachmentPath() + a.storedName), QByteArray("newer"));
    QCOMPARE(namesIn("FileName='a.jpg'"), QStringList());
    QCOMPARE(RecycleBin::restore(b), b.storedName);
    QCOMPARE(Corpus::read(AttachmentPath() + b.storedName), QByteArray("b"));
    QVERIFY_THROWS_EXCEPTION(RecordChanged, RecycleBin::restore(b)); // restored already
    QCOMPARE(RecycleBin::entries().size(), 1);
}

// "还原" of a record whose copy is gone from the bin and from its place: it stays in the
// bin and the user is told which and why; the others are restored.
void TestRecycleBin::restoreWithoutCopy()
{
    Fixture f({"f/a.jpg", "g/b.jpg"});
    f.deleteAll();
    const QVector<RecycleBin::Entry> entries = RecycleBin::entries();
    QCOMPARE(entries.size(), 2);
    const RecycleBin::Entry a = entries[entries[0].fileName == QLatin1String("a.jpg") ? 0 : 1];
    QVERIFY(QFile::remove(RecycleBin::folder() + a.binFile));
    frmRecycleBin bin;
    bin.lvw->selectAll();
    bin.cmdRestore->click();
    QCOMPARE(
        f.d.messages().constLast(),
        QStringLiteral("1 个记录未能还原:\na.jpg: 附件副本已不存在(回收站文件夹和附件文件夹中都找不到),记录仍留在回收站中"));
    QCOMPARE(namesIn().size(), 1);
    QCOMPARE(namesIn("FileName='a.jpg'"), QStringList());
    QCOMPARE(bin.lvw->rowCount(), 1);
    QCOMPARE(bin.lvw->item(0, 0)->text(), QStringLiteral("a.jpg"));
    // A trigger that removes each new row: b, with its copy, stays in the bin too.
    CurrentDb().OpenRecordset("Delete * From tblAttachment");
    TestFolder::dropNewRows();
    f.tf.write("Attachment/.recycle/" + a.binFile, "a again");
    const QStringList copies = QDir(RecycleBin::folder()).entryList(QDir::Files);
    QVERIFY_THROWS_EXCEPTION(AppError, RecycleBin::restore(RecycleBin::entries().value(0)));
    QCOMPARE(RecycleBin::entries().size(), 1);
    QCOMPARE(QDir(RecycleBin::folder()).entryList(QDir::Files), copies);
    QVERIFY(f.d.allAnswered());
}

// A bin row goes only with its copy, or when its copy is gone already: with the bin folder
// not writable, emptying names what stayed in one message and keeps it listed.
void TestRecycleBin::emptyingThatCannotDelete()
{
    Fixture f({"f/a.jpg", "g/b.jpg"});
    f.deleteAll();
    QVector<RecycleBin::Entry> entries = RecycleBin::entries();
    QCOMPARE(entries.size(), 2);
    const RecycleBin::Entry b = entries[entries[0].fileName == QLatin1String("b.jpg") ? 0 : 1];
    QVERIFY(QFile::remove(RecycleBin::folder() + b.binFile));
    if (!lockFolder(RecycleBin::folder(), true))
        QSKIP("cannot make a folder unwritable here (chattr)");
    frmRecycleBin bin;
    f.d.answerMessage(Msg::IdYes);
    bin.cmdEmpty->click();
    const QStringList files = QDir(RecycleBin::folder()).entryList(QDir::Files | QDir::Hidden);
    lockFolder(RecycleBin::folder(), false);
    const QString message = f.d.messages().constLast();
    QVERIFY2(message.startsWith(QStringLiteral("1 个记录的附件副本无法删除,它们仍留在回收站中:\na.jpg: ")),
             qPrintable(message));
    QCOMPARE(files.size(), 1);
    entries = RecycleBin::entries();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries[0].binFile, files[0]);
    QCOMPARE(bin.lvw->rowCount(), 1);
    f.d.answerMessage(Msg::IdYes);
    bin.cmdEmpty->click();
    QVERIFY(RecycleBin::entries().isEmpty());
    QVERIFY(QDir(RecycleBin::folder()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    QVERIFY(f.d.allAnswered());
}

// A record restored under a new name because another program's newer record took its old
// one keeps its contents' hash: importing the same bytes again asks about it.
void TestRecycleBin::hashFollowsRestoredName()
{
    Fixture f({});
    const QDateTime now(QDate(2021, 3, 4), QTime(5, 6, 7));
    QVERIFY(ImportEngine::ImportFile(f.tf.write("src/f/a.jpg", "a"), 3, now));
    const QString old = namesIn().value(0);
    f.deleteAll();
    // Another program imports in the same second and takes the freed name.
    QVERIFY(f.tf.importElsewhere({f.tf.write("src/n/newer.jpg", "newer")}, 3, now));
    QCOMPARE(namesIn("FileName='newer.jpg'"), QStringList(old)); // the freed name, taken
    const QString restored = RecycleBin::restore(RecycleBin::entries().value(0));
    QVERIFY(restored != old);
    QCOMPARE(Corpus::read(AttachmentPath() + restored), QByteArray("a"));
    for (const QByteArray &bytes : {QByteArray("a"), QByteArray("newer")}) {
        f.d.answerMessage(Msg::IdNo);
        QVERIFY(ImportEngine::ImportFile(f.tf.write("src/h/again.jpg", bytes), 3));
    }
    QCOMPARE(f.d.messages(), QStringList({"您确定要删除a.jpg?", "库里已有内容相同的文件 a.jpg (类别 f),是否仍然导入?",
                                          "库里已有内容相同的文件 newer.jpg (类别 n),是否仍然导入?"}));
    QVERIFY(f.d.allAnswered());
}

// Listing again keeps a large selection as one range, in one change. Emptying removes the
// entries the question counted, not those a listing meanwhile added.
void TestRecycleBin::keepsWhatItShows()
{
    Fixture f({"f/a.jpg", "f/b.jpg", "f/c.jpg"});
    f.deleteAll();
    frmRecycleBin bin;
    QCOMPARE(bin.lvw->rowCount(), 3);
    bin.lvw->selectAll();
    QSignalSpy changes(bin.lvw, &QTableWidget::itemSelectionChanged);
    bin.Refresh();
    QCOMPARE(bin.lvw->selectionModel()->selectedRows().size(), 3);
    QCOMPARE(bin.lvw->selectionModel()->selection().size(), 1);
    QVERIFY2(changes.size() <= 2, qPrintable(QString::number(changes.size())));

    ImportEngine::ImportFile(f.tf.write("src/g/d.jpg", "d"), 3);
    f.d.duringMessage = [&] {
        f.browse->List->setCurrentRow(0);
        f.browse->Refresh();
        f.browse->records->selectRow(0);
        f.browse->records->mnuDel->trigger(); // takes the first answer
        bin.Refresh();
    };
    f.d.answerMessage(Msg::IdYes); // delete d.jpg
    f.d.answerMessage(Msg::IdYes); // empty the three
    bin.cmdEmpty->click();
    QCOMPARE(f.d.asked.at(f.d.asked.size() - 2).text,
             QStringLiteral("您确定要清空回收站吗?其中的 3 个记录和它们的附件副本将被永久删除."));
    const QVector<RecycleBin::Entry> left = RecycleBin::entries();
    QCOMPARE(left.size(), 1);
    QCOMPARE(left[0].fileName, QStringLiteral("d.jpg"));
    QCOMPARE(bin.lvw->rowCount(), 1);
    QVERIFY(f.d.allAnswered());
}

namespace {
// A progress window that answers Cancel at its `cancelAt`th step and checks at each step
// that the groups before it are committed: another connection sees them.
struct ScriptedProgress : ProgressWindow {
    std::function<bool(int step)> onStep;
    int steps = 0;
    bool step(const QString &, int) override { return onStep(++steps); }
};

qint64 countIn(Engine &e, const QString &table)
{
    RowTable rows;
    e.execute(QStringLiteral("SELECT COUNT(*) FROM ") + table, {}, &rows);
    return rows.row(0)[0].toLongLong();
}
} // namespace

// Deleting, restoring and binning a category of many records goes in groups that each
// commit alone: Cancel keeps what the committed groups did, and every record, row and copy
// is in exactly one place. A record another program changed meanwhile stays and is named.
void TestRecycleBin::inGroups()
{
    Fixture f({});
    constexpr int kRecords = 1500;
    Engine &e = *CurrentDb().engine();
    e.begin();
    for (int i = 0; i < kRecords; ++i) {
        e.execute(QStringLiteral("INSERT INTO tblAttachment (FileName, FolderName, SaveFileName, tblFileKind) "
                                 "VALUES (?, ?, ?, 3)"),
                  {QStringLiteral("p%1.jpg").arg(i), QStringLiteral("big"), QStringLiteral("%1.jpg").arg(i)});
        f.tf.write(QStringLiteral("Attachment/%1.jpg").arg(i), QByteArray::number(i));
    }
    e.commit();
    std::shared_ptr<Engine> other = CatalogueLocation::engineFor(f.tf.catalogue());
    other->open();
    int cancelAt = 0;
    QList<qint64> seen; // live rows the other connection counts at each step
    ProgressWindow::setMaker([&](const QString &objectName, const QString &, int) {
        auto window = std::make_unique<ScriptedProgress>();
        window->onStep = [&, objectName](int step) {
            seen << countIn(*other, QStringLiteral("tblAttachment"));
            // Between groups nobody holds the write lock.
            other->execute(QStringLiteral("UPDATE tblAttachment SET Currentinfo = Currentinfo WHERE 1 = 0"));
            return step != cancelAt;
        };
        return window;
    });
    auto check = [&](qint64 live, qint64 binned) {
        QCOMPARE(countIn(e, QStringLiteral("tblAttachment")), live);
        QCOMPARE(countIn(e, QStringLiteral("tblRecycleBin")), binned);
    };

    // Delete through the window; one record changed since it was listed stays.
    f.browse->List->setCurrentRow(0);
    f.browse->List_Click();
    f.browse->records->lvw->selectAll();
    f.d.duringMessage = [&] {
        other->execute(QStringLiteral("UPDATE tblAttachment SET Currentinfo = 'changed' WHERE SaveFileName = '7.jpg'"));
        f.d.duringMessage = nullptr;
    };
    cancelAt = 3;
    f.d.answerMessage(Msg::IdYes);
    f.browse->records->mnuDel->trigger();
    QCOMPARE(seen.size(), 3);
    QVERIFY(seen[0] > seen[1] && seen[1] > seen[2] && seen[0] < kRecords);
    const qint64 deleted = kRecords - seen[2]; // 7.jpg stays, as a live row
    check(seen[2], deleted);
    QCOMPARE(f.d.messages().constLast(),
             QStringLiteral("已取消:已删除 %1 个记录,其余 %2 个记录未删除.\np7.jpg: ").arg(deleted).arg(kRecords - deleted) +
                 RecordChanged::text());
    QCOMPARE(QDir(RecycleBin::folder()).entryList(QDir::Files).size(), deleted);
    QCOMPARE(TestFolder::storedCopies().size(), kRecords - deleted);

    // Restore in groups, cancelled after the first, then the rest.
    frmRecycleBin bin;
    bin.lvw->selectAll();
    seen.clear();
    cancelAt = 1;
    bin.cmdRestore->click();
    QCOMPARE(seen.size(), 1);
    check(seen[0], kRecords - seen[0]);
    QCOMPARE(f.d.messages().constLast(), QStringLiteral("已取消:已还原 %1 个记录,其余 %2 个记录仍留在回收站中.")
                                             .arg(seen[0] - (kRecords - deleted))
                                             .arg(kRecords - seen[0]));
    bin.lvw->selectAll();
    cancelAt = 0;
    const int asked = f.d.asked.size();
    bin.cmdRestore->click();
    QCOMPARE(f.d.asked.size(), asked); // nothing to tell
    check(kRecords, 0);
    QCOMPARE(TestFolder::storedCopies().size(), kRecords);
    QCOMPARE(namesIn("FileName='p1499.jpg'"), QStringList("1499.jpg"));

    // The category goes in groups; its copies stay where they are.
    f.browse->Refresh();
    f.browse->List->setCurrentRow(1);
    seen.clear();
    cancelAt = 2;
    f.d.answerMessage(Msg::IdYes);
    f.browse->DeleteCategory();
    QCOMPARE(seen.size(), 2);
    check(seen[1], kRecords - seen[1]);
    QCOMPARE(f.d.messages().constLast(),
             QStringLiteral("已取消:该类别中已删除 %1 个记录,其余记录仍在.").arg(kRecords - seen[1]));
    cancelAt = 0;
    f.d.answerMessage(Msg::IdYes);
    f.browse->List->setCurrentRow(1);
    f.browse->DeleteCategory();
    check(0, kRecords);
    QCOMPARE(TestFolder::storedCopies().size(), kRecords);
    QVERIFY(f.d.allAnswered());
    ProgressWindow::setMaker(&QtProgressWindow::make);
}

QTEST_MAIN(TestRecycleBin)
#include "test_recycle_bin.moc"
