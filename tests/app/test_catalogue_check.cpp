#include "CatalogueTest.h"
#include "app/frmCheck.h"
#include "import/ImportEngine.h"
#include "store/AtomicCopy.h"
#include "store/CheckRepair.h"
#include "store/CheckRunner.h"
#include "store/ContentHashes.h"
#include "store/RecycleBin.h"
#include "store/StoredName.h"

#include <QtWidgets>

// The catalogue check: each kind of finding and its repair, a record changed between the
// check and its repair, another program importing while the check runs, and Cancel.
class TestCatalogueCheck : public QObject {
    Q_OBJECT
private slots:
    void findingsAndRepairs();
    void changedBeforeRepair_data();
    void changedBeforeRepair();
    void anotherProgramImporting_data();
    void anotherProgramImporting();
    void questionHeldOpen();
    void cancelStops();
    void pointedCopyNeverTakesOldName();
};

namespace {
QString sha(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

struct Fixture {
    TestFolder tf;
    ScriptedDialogs d;
    std::unique_ptr<frmCheck> w;

    Fixture()
    {
        tf.createCatalogue();
        CurrentDb(); // locates the catalogue and the attachment folder
        w = std::make_unique<frmCheck>();
        w->setAttribute(Qt::WA_DeleteOnClose, false); // owned here
    }
    void record(const QString &stored, const QString &name)
    {
        CurrentDb().OpenRecordset(
            QStringLiteral("insert into tblAttachment (Currentinfo,[Date],FileName,FolderName,SaveFileName,tblFileKind) "
                           "values ('d','2020-01-01 10:00:00','%1','c','%2',3)")
                .arg(SqlQuote(name), SqlQuote(stored)));
    }
    // A file in the attachment folder, last written two hours ago unless `fresh`.
    QString file(const QString &name, const QByteArray &bytes, bool fresh = false)
    {
        const QString path = tf.write("Attachment/" + name, bytes);
        QFile f(path);
        if (!fresh && f.open(QIODevice::ReadWrite))
            f.setFileTime(QDateTime::currentDateTime().addSecs(-7200), QFileDevice::FileModificationTime);
        return path;
    }
    void hash(const QString &stored, const QString &value)
    {
        ContentHashes::record(*CurrentDb().engine(), stored, value.toLatin1());
    }
    void run(bool hashing)
    {
        w->chkHash->setChecked(hashing);
        w->cmdStart->click();
        QTRY_VERIFY_WITH_TIMEOUT(!w->running(), 20000);
    }
    // The stored names the window lists for a kind.
    QStringList names(CheckReport::Kind kind) const
    {
        const QAbstractItemModel *m = view(kind)->model();
        const int column =
            kind == CheckReport::Missing || kind == CheckReport::Unsafe || kind == CheckReport::BinMissing ? 4 : 0;
        QStringList out;
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, column).data().toString();
        return out;
    }
    // The first column of every row.
    QStringList values(const QString &sql)
    {
        QStringList out;
        for (Recordset rs = CurrentDb().OpenRecordset(sql); !rs.isEOF(); rs.MoveNext())
            out << rs.field(rs.columns().constFirst()).toString();
        return out;
    }
    QString value(const QString &sql) { return values(sql).value(0, QStringLiteral("<none>")); }
    // The record, its hash, the copies and the bin, as one text.
    QString state()
    {
        return value("select Currentinfo from tblAttachment") + '|' + value("select Sha256 from tblContentHash") + '|' +
               TestFolder::storedCopies().join(',') + '|' + value("select count(*) from tblRecycleBin");
    }
    QString hashOf(const QString &stored)
    {
        return value("select Sha256 from tblContentHash where SaveFileName='" + stored + "'");
    }
    QTableView *view(CheckReport::Kind kind) const { return w->tabFindings->widget(kind)->findChild<QTableView *>(); }
    // Answers Yes to the repair's question and runs it.
    void repair(QPushButton *button)
    {
        d.answerMessage(Msg::IdYes);
        button->click();
    }
};
} // namespace

void TestCatalogueCheck::findingsAndRepairs()
{
    Fixture f;
    f.record("20200101100000110.jpg", "good.jpg");
    f.file("20200101100000110.jpg", "good");
    f.hash("20200101100000110.jpg", sha("good"));
    f.record("20200101100001111.jpg", "lost.jpg"); // no copy
    f.record("../Data.mdb", "outside.jpg");        // names a file that exists
    f.record(QString(), "nameless.jpg");
    f.record("20200101100002112.txt", "edited.txt");
    f.file("20200101100002112.txt", "edited later");
    f.hash("20200101100002112.txt", sha("as imported"));
    f.record("20200101100003113.png", "old.png"); // from before hashes
    f.file("20200101100003113.png", "old catalogue");
    f.file("stray.doc", "nobody's");
    f.file("fresh.doc", "being imported", true);
    f.file("20200101100004114.jpg", "binned, copy left in place");
    CurrentDb().OpenRecordset(
        "insert into tblRecycleBin (FileName, SaveFileName, BinFile) values ('kept.jpg', '20200101100004114.jpg', '')");
    // Binned records whose copies are gone from the bin and from their place, and a file in
    // the bin folder that no binned record names.
    CurrentDb().OpenRecordset("insert into tblRecycleBin (FileName, SaveFileName, BinFile) values ('gone.jpg', "
                              "'20200101100007117.jpg', '20200101100007117.jpg')");
    CurrentDb().OpenRecordset(
        "insert into tblRecycleBin (FileName, SaveFileName, BinFile) values ('gone.txt', '20200101100008118.txt', '')");
    f.tf.write("Attachment/.recycle/20200101100009119.jpg", "left by an emptying");
    const QString temporary = AtomicCopy::temporaryPrefix() + "a1B2c3";
    f.file(temporary, "half a copy");
    f.file("20200101100005115.jpg", QByteArray());       // reservation of an ended import
    f.file("20200101100006116.jpg", QByteArray(), true); // reservation in flight
    if (!TestFolder::onServer())                         // a server catalogue marks its folder itself
        f.file(".mc-catalogue", "marker");

    f.run(true);
    QCOMPARE(
        QList<QStringList>({f.names(CheckReport::Missing), f.names(CheckReport::Unsafe), f.names(CheckReport::Orphan),
                            f.names(CheckReport::Leftover), f.names(CheckReport::Changed), f.names(CheckReport::Unhashed),
                            f.names(CheckReport::BinMissing), f.names(CheckReport::BinStray)}),
        QList<QStringList>({{"20200101100001111.jpg"},
                            {"", "../Data.mdb"},
                            {"stray.doc"},
                            {temporary, "20200101100005115.jpg"},
                            {"20200101100002112.txt"},
                            {"20200101100003113.png"},
                            {"20200101100007117.jpg", "20200101100008118.txt"},
                            {"20200101100009119.jpg"}}));
    QCOMPARE(f.w->report().recent, qint64(2));
    QCOMPARE(f.w->tabFindings->tabText(CheckReport::Leftover), QStringLiteral("残留的临时文件 (2)"));

    // Each kind's repair, on all its rows (nothing selected) or on the chosen one.
    f.repair(f.w->cmdBinOrphans);
    QCOMPARE(f.d.asked.at(f.d.asked.size() - 2).buttons, Msg::YesNo | Msg::Question | Msg::DefaultSecond);
    QVERIFY(!QFile::exists(AttachmentPath() + "stray.doc") && QFile::exists(RecycleBin::folder() + "stray.doc"));
    QCOMPARE(f.value("select BinFile from tblRecycleBin where SaveFileName='stray.doc'"), QStringLiteral("stray.doc"));
    f.repair(f.w->cmdRemoveLeftovers);
    QCOMPARE(TestFolder::storedCopies().filter("mc-import") + TestFolder::storedCopies().filter("5115"), QStringList());
    f.w->cmdFillHashes->click(); // asks nothing: a hash is added, never replaced
    QCOMPARE(f.hashOf("20200101100003113.png"), sha("old catalogue"));
    f.repair(f.w->cmdAcceptChanged);
    QCOMPARE(f.hashOf("20200101100002112.txt"), sha("edited later"));
    f.repair(f.w->cmdBinMissing);
    QCOMPARE(f.value("select FileName from tblAttachment where FileName='lost.jpg'") + '|' +
                 f.value("select BinFile from tblRecycleBin where FileName='lost.jpg'"),
             QStringLiteral("<none>|"));
    // The record whose name leads out of the folder is given a picked file as its copy.
    const QString source = f.tf.write("found/outside.jpg", "found again");
    f.view(CheckReport::Unsafe)->selectRow(1);
    QString startedIn;
    f.d.onModal([&](QDialog *dialog) {
        startedIn = static_cast<QFileDialog *>(dialog)->directory().path();
        static_cast<QFileDialog *>(dialog)->selectFile(source);
        return int(QDialog::Accepted);
    });
    f.w->cmdPointUnsafe->click();
    QCOMPARE(startedIn, QDir::homePath()); // no folder used yet
    const QString stored = f.value("select SaveFileName from tblAttachment where FileName='outside.jpg'");
    QVERIFY2(stored.endsWith(".jpg") && !stored.contains('/'), qPrintable(stored));
    QCOMPARE(sha(Corpus::read(AttachmentPath() + stored)) + f.hashOf(stored), sha("found again") + sha("found again"));
    QVERIFY(QFile::exists(f.tf.file("Data.mdb")) || TestFolder::onServer()); // never touched
    f.repair(f.w->cmdBinUnsafe);
    QVERIFY(f.d.unexpected.isEmpty());

    f.run(true);
    // Only the bin entries that no copy backs are left: those planted and the records binned without one.
    QCOMPARE(f.w->report().findings(), qint64(5));
    QCOMPARE(f.names(CheckReport::BinMissing).size() + f.names(CheckReport::BinStray).size(), 5);
    QCOMPARE(f.w->report().recent, qint64(2)); // the young files are still left alone
    f.repair(f.w->cmdDropBinMissing);
    f.w->cmdAdoptBinStrays->click(); // asks nothing: the file only gets a bin row
    QCOMPARE(f.values("select BinFile from tblRecycleBin order by BinFile"),
             QStringList({"", "20200101100009119.jpg", "stray.doc"}));
    f.run(true);
    QCOMPARE(f.w->report().findings(), qint64(0));
}

void TestCatalogueCheck::changedBeforeRepair_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("change");
    QTest::newRow("record without copy edited")
        << int(CheckReport::Missing) << "update tblAttachment set Currentinfo='edited'";
    QTest::newRow("record without copy deleted") << int(CheckReport::Missing) << "delete from tblAttachment";
    QTest::newRow("copy restored") << int(CheckReport::Missing) << "file";
    QTest::newRow("orphan recorded") << int(CheckReport::Orphan) << "record";
    QTest::newRow("orphan written again") << int(CheckReport::Orphan) << "file";
    QTest::newRow("leftover recorded") << int(CheckReport::Leftover) << "record";
    QTest::newRow("leftover written again") << int(CheckReport::Leftover) << "file";
    QTest::newRow("unhashed copy written") << int(CheckReport::Unhashed) << "file";
    QTest::newRow("hash filled meanwhile") << int(CheckReport::Unhashed) << "hash";
    QTest::newRow("changed copy hashed again") << int(CheckReport::Changed) << "hash";
}

// Another program changes what the check found before the user's repair: it is left alone.
void TestCatalogueCheck::changedBeforeRepair()
{
    QFETCH(int, kind);
    QFETCH(QString, change);
    Fixture f;
    const QString name = QStringLiteral("20200101100000110.jpg");
    if (kind == CheckReport::Missing || kind == CheckReport::Unhashed || kind == CheckReport::Changed)
        f.record(name, "a.jpg");
    if (kind != CheckReport::Missing)
        f.file(name, kind == CheckReport::Leftover ? QByteArray() : QByteArray("contents"));
    if (kind == CheckReport::Changed)
        f.hash(name, sha("other contents"));
    f.run(true);
    QCOMPARE(f.names(CheckReport::Kind(kind)), QStringList(name));

    if (change == "file")
        f.file(name, "written again", true);
    else if (change == "record")
        f.record(name, "imported by another program.jpg");
    else if (change == "hash")
        f.hash(name, sha("someone else's"));
    else
        CurrentDb().OpenRecordset(change);
    const QString before = f.state();

    QPushButton *repair[] = {f.w->cmdBinMissing, f.w->cmdBinOrphans, f.w->cmdRemoveLeftovers, f.w->cmdAcceptChanged,
                             f.w->cmdFillHashes};
    if (kind != CheckReport::Unhashed)
        f.d.answerMessage(Msg::IdYes);
    repair[kind]->click();
    QVERIFY2(f.d.messages().constLast().contains("1 项在检查之后已被其他程序或用户改变"),
             qPrintable(f.d.messages().constLast()));
    QCOMPARE(f.state(), before);
    QCOMPARE(f.names(CheckReport::Kind(kind)), QStringList()); // gone from the list: check again to see it
}

void TestCatalogueCheck::anotherProgramImporting_data()
{
    QTest::addColumn<bool>("links");
    QTest::newRow("hard links") << true;
    QTest::newRow("no hard links") << false; // names reserved by an empty file, temporary files renamed over them
}

// An import by another program in flight is never reported, and the repairs of the
// check's true findings never touch its copies.
void TestCatalogueCheck::anotherProgramImporting()
{
    QFETCH(bool, links);
    Fixture f;
    f.file("stray.doc", "nobody's");
    const QString temporary = AtomicCopy::temporaryPrefix() + "zz9";
    f.file(temporary, "half a copy");
    const QStringList sources = Corpus::write(f.tf.file("src"), 150, 7);
    QProcess driver;
    if (!links) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("MC_NO_HARDLINKS", "1");
        driver.setProcessEnvironment(env);
    }
    driver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    driver.start(QStringLiteral(MC_IMPORTDRIVER), {f.tf.path(), "3", Corpus::writeList(f.tf.file("list.txt"), sources)});
    QVERIFY(driver.waitForStarted());
    int checks = 0;
    bool repaired = false;
    do {
        f.run(checks++ % 2 == 1);
        // Only the planted stray and leftover, never a copy of the import in flight.
        QCOMPARE(f.names(CheckReport::Orphan) + f.names(CheckReport::Leftover),
                 repaired ? QStringList() : QStringList({"stray.doc", temporary}));
        QCOMPARE(f.names(CheckReport::Missing) + f.names(CheckReport::Changed) + f.names(CheckReport::Unhashed),
                 QStringList());
        if (checks == 2) { // the repairs run while the import goes on
            f.repair(f.w->cmdBinOrphans);
            f.repair(f.w->cmdRemoveLeftovers);
            QCOMPARE(f.d.messages().constLast(), QStringLiteral("删除残留文件:完成 1 项."));
            repaired = true;
        }
    } while (driver.state() != QProcess::NotRunning);
    QVERIFY(driver.exitStatus() == QProcess::NormalExit && driver.exitCode() == 0);
    QVERIFY2(checks >= 3, "the import ended before the checks could overlap it");

    const QStringList stored = f.values("select SaveFileName from tblAttachment order by SaveFileName");
    QCOMPARE(stored.size(), sources.size());
    QCOMPARE(TestFolder::storedCopies(), stored); // every copy kept, strays gone
    f.run(false);
    QCOMPARE(f.w->report().findings(), qint64(0));
}

// A copy whose import waits at a question, however long, is the importer's: not a finding.
void TestCatalogueCheck::questionHeldOpen()
{
    Fixture f;
    const QString source = f.tf.write("src/f/a.jpg", "first");
    QVERIFY(ImportEngine::ImportFile(source, 3));
    f.tf.write("src/f/a.jpg", "second");
    const QString yes = f.tf.file("yes");
    QProcess driver;
    driver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    driver.start(QStringLiteral(MC_IMPORTDRIVER),
                 {"--answer-yes-when", yes, f.tf.path(), "3", Corpus::writeList(f.tf.file("list.txt"), {source})});
    QTRY_COMPARE_WITH_TIMEOUT(TestFolder::storedCopies().size(), 2, 20000); // the new copy waits for the answer
    for (const QString &name : TestFolder::storedCopies())
        f.file(name, Corpus::read(AttachmentPath() + name)); // as if asked hours ago
    f.run(true);
    QCOMPARE(f.w->report().findings(), qint64(0));
    QFile(yes).open(QIODevice::WriteOnly);
    QVERIFY(driver.waitForFinished(20000) && driver.exitCode() == 0);
    QCOMPARE(Corpus::read(AttachmentPath() + f.value("select SaveFileName from tblAttachment")), QByteArray("second"));
}

void TestCatalogueCheck::cancelStops()
{
    Fixture f;
    // Far more to read than any machine hashes in the time allowed below; sparse, so it
    // costs no disk.
    f.record("20200101100000110.iso", "huge.iso");
    QFile huge(f.file("20200101100000110.iso", "x"));
    QVERIFY(huge.resize(qint64(64) << 30));
    f.w->chkHash->setChecked(true);
    f.w->cmdStart->click();
    QTRY_VERIFY(f.w->lblStatus->text().startsWith("正在校验内容"));
    f.w->cmdCancel->click();
    QTRY_VERIFY_WITH_TIMEOUT(!f.w->running(), 3000);
    QVERIFY(f.w->lblStatus->text() == QStringLiteral("检查已取消.") && f.w->report().findings() == 0);
    // Closing the window while it checks stops the worker too.
    f.w->cmdStart->click();
    QVERIFY(f.w->running());
    f.w->close();
    QVERIFY(!f.w->running());
    // The runner alone, with no window: cancelled while hashing, it ends with a cancelled report.
    CheckRunner runner;
    QSignalSpy finished(&runner, &CheckRunner::finished);
    runner.start(true);
    QTRY_COMPARE(runner.progress().phase.load(), int(CheckProgress::Hashing));
    runner.cancel();
    QVERIFY(finished.wait(3000));
    const CheckRunner::Result result = runner.take();
    QVERIFY(!runner.running() && result.error.isEmpty() && result.report.cancelled);
}

// A record another program imported, its copy lost, given a new copy in the second its old
// stored name stands for:
// the new copy gets another name, so it is not mistaken for the old copy come back.
void TestCatalogueCheck::pointedCopyNeverTakesOldName()
{
    Fixture f;
    const QDateTime now(QDate(2020, 1, 1), QTime(10, 0, 0));
    const QString old = StoredName::base(now) + ".jpg";
    // Imported by another program in that second; its copy is lost afterwards.
    QVERIFY(f.tf.importElsewhere({f.tf.write("src/f/lost.jpg", "lost")}, 3, now));
    QVERIFY(QFile::remove(AttachmentPath() + old));
    f.run(false);
    QCOMPARE(f.names(CheckReport::Missing), QStringList(old));
    const QString source = f.tf.write("found/lost.jpg", "found");
    QCOMPARE(CheckRepair::pointRecord(f.w->report().missing.front(), source, now), CheckRepair::Outcome::Done);
    const QString stored = f.value("select SaveFileName from tblAttachment");
    QVERIFY(stored != old && stored.startsWith(StoredName::base(now)));
    QCOMPARE(TestFolder::storedCopies(), QStringList(stored));
    QCOMPARE(Corpus::read(AttachmentPath() + stored) + f.hashOf(stored).toLatin1(), "found" + sha("found").toLatin1());
    // An old name of another spelling of the extension is the same file on FAT or a Windows share.
    const QString upper = StoredName::base(now) + ".JPG";
    f.record(upper, "upper.jpg");
    f.run(false);
    QCOMPARE(f.names(CheckReport::Missing), QStringList(upper));
    QCOMPARE(CheckRepair::pointRecord(f.w->report().missing.front(), source, now), CheckRepair::Outcome::Done);
    const QString again = f.value("select SaveFileName from tblAttachment where FileName='upper.jpg'");
    QVERIFY2(again.compare(upper, Qt::CaseInsensitive) != 0 && again != stored, qPrintable(again));
    QCOMPARE(Corpus::read(AttachmentPath() + again), QByteArray("found"));
}

QTEST_MAIN(TestCatalogueCheck)
#include "test_catalogue_check.moc"
