#include "CatalogueFixture.h"
#include "CatalogueTest.h"
#include "import/GroupLost.h"
#include "import/ImportBatch.h"
#include "import/ImportEngine.h"
#include "store/AtomicCopy.h"
#include "store/AttachmentMarker.h"
#include "store/Engine.h"
#include "store/ImportCancelled.h"
#include "store/RecycleBin.h"
#include "store/StoredName.h"

#include <sys/file.h>
#include <sys/stat.h>

class TestImportEngine : public QObject, private CatalogueFixture {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void newRowsAndCollisions();
    void offeredNames();
    void overwriteBinsTheOldCopy();
    void renameAndCancel();
    void sameContentsAsked();
    void inUse();
    void storedNamesSurviveTrimming();
    void failuresLeaveNothing();
    void volumesWithoutHardLinks_data();
    void volumesWithoutHardLinks();
    void groupCommitsWholeOrNothing();

private:
    QString src(const QString &name, const QByteArray &bytes) const { return tf_->write("src/" + name, bytes); }
    static Recordset rowsOf(const QString &name)
    {
        return CurrentDb().OpenRecordset("Select * From tblAttachment Where FileName='" + SqlQuote(name) + "'");
    }
    static QString storedOf(const QString &name) { return rowsOf(name).text(QStringLiteral("SaveFileName")); }
    static int rowCount()
    {
        return int(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment")).RecordCount());
    }
};

namespace {
const QDateTime kNow(QDate(2008, 11, 25), QTime(17, 45, 9));
}

void TestImportEngine::init()
{
    openCatalogue();
}

void TestImportEngine::cleanup()
{
    QVERIFY(d_->allAnswered());
    closeCatalogue();
}

// Stored names: the time, its month and second; a taken name gets a "1" added, up to a
// limit, then the next second's name; a later file of that second starts past the full
// seconds at once. Another extension does not collide. Names never lead out of the folder.
void TestImportEngine::newRowsAndCollisions()
{
    QVERIFY(ImportEngine::ImportFile(src("2008/c.png", "C"), 3, kNow));
    QStringList stored;
    for (int i = 0; i < 30; ++i) {
        QVERIFY(ImportEngine::ImportFile(src(QStringLiteral("2008/%1.jpg").arg(i), QByteArray::number(i)), 3, kNow));
        stored << storedOf(QStringLiteral("%1.jpg").arg(i));
    }
    QVERIFY(ImportEngine::ImportFile(src("2008/late.png", "p"), 3, kNow));
    QCOMPARE(storedOf("c.png"), QStringLiteral("20081125174509119.png"));
    QCOMPARE(stored.mid(0, 2), QStringList({"20081125174509119.jpg", "200811251745091191.jpg"}));
    QCOMPARE(stored[8], QStringLiteral("2008112517450911911111111.jpg"));
    QCOMPARE(stored[9], QStringLiteral("200811251745101110.jpg"));
    QCOMPARE(QSet<QString>(stored.begin(), stored.end()).size(), 30);
    QVERIFY(storedOf("late.png") > QStringLiteral("200811251745101110"));
    Recordset rs = rowsOf("1.jpg");
    QCOMPARE(rs.RecordCount(), 1);
    QCOMPARE(rs.text(QStringLiteral("FolderName")) + rs.text(QStringLiteral("Currentinfo")),
             QStringLiteral("2008新导入文件"));
    QCOMPARE(rs.field(QStringLiteral("tblFileKind")).toInt(), 3);
    QVERIFY(!rs.text(QStringLiteral("Date")).isEmpty());
    QCOMPARE(Corpus::read(AttachmentPath() + stored[1]), QByteArray("1"));
    QVERIFY(d_->asked.isEmpty());
    QCOMPARE(StoredName::base(QDateTime(QDate(2010, 12, 31), QTime(23, 59, 59))), QStringLiteral("201012312359591259"));
    QCOMPARE(QList<bool>({StoredName::isPlain("../x.jpg"), StoredName::isPlain(".."), StoredName::isPlain("a\\b"),
                          StoredName::isPlain("2008.jpg")}),
             QList<bool>({false, false, false, true}));
}

// Yes to the overwrite question points the row at the new copy and keeps its other fields;
// the old copy goes to the recycle bin with the row as it was, restorable beside the new
// one. An old copy already gone is no error and leaves nothing in the bin.
void TestImportEngine::overwriteBinsTheOldCopy()
{
    const QString photo = src("旅行/照片.jpg", "old");
    QVERIFY(ImportEngine::ImportFile(photo, 3, kNow));
    const QString old = storedOf("照片.jpg");
    CurrentDb().OpenRecordset(QStringLiteral("Update tblAttachment set Currentinfo='海边', [Date]=#2009-1-2 3:4:5#"));
    src("旅行/照片.jpg", "new");
    d_->answerMessage(Msg::IdYes);
    ImportEngine::Options options;
    options.now = kNow.addSecs(1);
    QCOMPARE(ImportEngine::Import(photo, 5, options), ImportEngine::Outcome::Replaced);
    QCOMPARE(d_->asked.first().text, QStringLiteral("库里已经有同名文件 照片.jpg 是否覆盖原文件 ?"));
    QCOMPARE(d_->asked.first().buttons, Msg::YesNo | Msg::Question | Msg::DefaultSecond); // No is the default
    Recordset rs = rowsOf("照片.jpg");
    QCOMPARE(rs.RecordCount(), 1);
    QCOMPARE(rs.text(QStringLiteral("Currentinfo")) + rs.text(QStringLiteral("Date")),
             QStringLiteral("海边2009-01-02 03:04:05"));
    QCOMPARE(rs.field(QStringLiteral("tblFileKind")).toInt(), 3);
    QCOMPARE(TestFolder::storedCopies(), QStringList("200811251745101110.jpg"));
    QCOMPARE(Corpus::read(AttachmentPath() + storedOf("照片.jpg")), QByteArray("new"));
    QVector<RecycleBin::Entry> binned = RecycleBin::entries();
    QCOMPARE(binned.size(), 1);
    QCOMPARE(binned[0].fileName + binned[0].category + binned[0].description + binned[0].storedName,
             "照片.jpg旅行海边" + old);
    QCOMPARE(Corpus::read(RecycleBin::folder() + binned[0].binFile), QByteArray("old"));
    // Restored, the old version stands beside the new one, with its own copy and a name of
    // its own: two records of one name could not be told apart.
    const QString back = RecycleBin::restore(binned[0]);
    QCOMPARE(rowsOf("照片.jpg").RecordCount(), 1);
    QCOMPARE(storedOf("照片 (2).jpg"), back);
    QCOMPARE(Corpus::read(AttachmentPath() + back), QByteArray("old"));
    CurrentDb().OpenRecordset("Delete From tblAttachment Where SaveFileName='" + back + "'");
    QFile::remove(AttachmentPath() + back);

    QFile::remove(AttachmentPath() + storedOf("照片.jpg"));
    d_->answerMessage(Msg::IdYes);
    QVERIFY(ImportEngine::ImportFile(photo, 3, kNow.addSecs(2)));
    QCOMPARE(rowsOf("照片.jpg").RecordCount(), 1);
    QCOMPARE(TestFolder::storedCopies().size(), 1);
    QVERIFY(RecycleBin::entries().isEmpty());
}

// No to the overwrite question asks for a new name, offering a free one ("名 (2)", the
// number counting on past the names taken) until the name is free: Enter takes it and never
// brings the question back. The extension is put back unless typed, and a name without one
// gets no dot. Blanks are taken as typed; Cancel leaves no copy and no row.
void TestImportEngine::renameAndCancel()
{
    const QString source = src("f/a.jpg.jpg", "x");
    const QString readme = src("docs/README", "r");
    QVERIFY(ImportEngine::ImportFile(source, 3, kNow));
    QVERIFY(ImportEngine::ImportFile(readme, 2, kNow));
    QCOMPARE(storedOf("README"), QStringLiteral("20081125174509119."));
    d_->answerMessage(Msg::IdNo);
    d_->answerPrompt("b");
    ImportEngine::Options options;
    options.now = kNow;
    QCOMPARE(ImportEngine::Import(source, 3, options), ImportEngine::Outcome::Renamed);
    QCOMPARE(d_->asked[1].text + d_->asked[1].title + d_->asked[1].defaultAnswer,
             QStringLiteral("请输入新名...文件系统-a.jpg (2)"));
    QCOMPARE(rowsOf("b.jpg").RecordCount(), 1);
    for (const char *typed : {"b", "  "}) {
        d_->answerMessage(Msg::IdNo);
        d_->answerPrompt(QString::fromLatin1(typed));
    }
    QVERIFY(ImportEngine::ImportFile(source, 3, kNow));
    QCOMPARE(d_->asked[5].defaultAnswer, QStringLiteral("b (2)"));
    QCOMPARE(rowsOf("  .jpg").RecordCount(), 1);
    for (int i = 0; i < 2; ++i) {
        d_->answerMessage(Msg::IdNo);
        d_->acceptPrompt();
        QVERIFY(ImportEngine::ImportFile(source, 3, kNow));
    }
    QCOMPARE(rowsOf("a.jpg (2).jpg").RecordCount() + rowsOf("a.jpg (3).jpg").RecordCount(), 2);
    d_->answerMessage(Msg::IdNo);
    d_->acceptPrompt();
    QVERIFY(ImportEngine::ImportFile(readme, 2, kNow));
    QCOMPARE(rowsOf("README (2)").RecordCount(), 1);
    d_->answerMessage(Msg::IdNo);
    d_->answerPrompt("c.jpg");
    QVERIFY(ImportEngine::ImportFile(source, 3, kNow));
    QCOMPARE(rowsOf("c.jpg").RecordCount(), 1);
    const QStringList before = TestFolder::storedCopies();
    d_->answerMessage(Msg::IdNo);
    d_->answerPrompt(QString());
    QVERIFY(!ImportEngine::ImportFile(readme, 2, kNow));
    QCOMPARE(d_->asked.last().defaultAnswer, QStringLiteral("README (3)"));
    QCOMPARE(TestFolder::storedCopies(), before);
    QCOMPARE(rowCount(), 8);
}

// Contents the catalogue holds under another record are asked about: No skips the file
// and keeps no copy, Yes records it. Empty files are never asked about.
void TestImportEngine::sameContentsAsked()
{
    QVERIFY(ImportEngine::ImportFile(src("旅行/a.jpg", "same"), 3, kNow));
    QVERIFY(ImportEngine::ImportFile(src("f/empty1.jpg", ""), 3, kNow));
    QVERIFY(ImportEngine::ImportFile(src("f/empty2.jpg", ""), 3, kNow));
    for (int answer : {Msg::IdNo, Msg::IdYes}) {
        d_->answerMessage(answer);
        QVERIFY(ImportEngine::ImportFile(src("g/b.jpg", "same"), 3, kNow)); // a skip is no failure
        QCOMPARE(d_->asked.value(answer == Msg::IdNo ? 0 : 1).text,
                 QStringLiteral("库里已有内容相同的文件 a.jpg (类别 旅行),是否仍然导入?"));
        QCOMPARE(rowCount(), answer == Msg::IdYes ? 4 : 3);
        QCOMPARE(TestFolder::storedCopies().size(), rowCount());
    }
    QCOMPARE(d_->asked.size(), 2);
}

void TestImportEngine::inUse()
{
    const QString path = tf_->write("a.txt", "x");
    QFile holder(path);
    QVERIFY(holder.open(QIODevice::ReadOnly));
    QVERIFY(!ImportEngine::IsFileOpen(path)); // merely open is not locked
    QVERIFY(::flock(holder.handle(), LOCK_EX) == 0);
    QVERIFY(ImportEngine::IsFileOpen(path));
    ::flock(holder.handle(), LOCK_UN);
    QVERIFY(!ImportEngine::IsFileOpen(path));
    // Any other failure: the "Error #" box, then false.
    QVERIFY(!ImportEngine::IsFileOpen(tf_->file("nope.txt")));
    QCOMPARE(d_->asked.size(), 1);
    QCOMPARE(d_->asked[0].title, QStringLiteral("Error"));
    QVERIFY(d_->asked[0].text.startsWith("Error # 2 was generated by ") && d_->asked[0].text.contains('\r'));
}

// A name may end in blanks on Linux. Trimmed, a stored name must never become another
// record's: the stored extension has none, and a name kept from before is used as it is.
void TestImportEngine::storedNamesSurviveTrimming()
{
    const QString trail = src("f/trail.txt  ", "t");
    QVERIFY(ImportEngine::ImportFile(trail, 2, kNow));
    QVERIFY(ImportEngine::ImportFile(src("f/normal.txt", "n"), 2, kNow));
    QCOMPARE(TestFolder::storedCopies(), QStringList({"20081125174509119.txt", "200811251745091191.txt"}));
    QCOMPARE(storedOf("trail.txt  "), QStringLiteral("20081125174509119.txt"));
    src("f/trail.txt  ", "t2");
    d_->answerMessage(Msg::IdYes);
    QVERIFY(ImportEngine::ImportFile(trail, 2, kNow.addSecs(1)));
    QCOMPARE(Corpus::read(AttachmentPath() + "200811251745091191.txt"), QByteArray("n"));
    // A backslash would be a folder to Windows and the safety checks: not in a stored name.
    QVERIFY(ImportEngine::ImportFile(src("f/win.t\\xt ", "w"), 2, kNow.addSecs(3)));
    QVERIFY2(storedOf("win.t\\xt ").endsWith(".t_xt"), qPrintable(storedOf("win.t\\xt ")));
    // A stored name with trailing blanks from an older catalogue: its own copy goes, not
    // the copy its trimmed name would reach.
    CurrentDb().OpenRecordset(QStringLiteral("insert into tblAttachment (FileName,FolderName,SaveFileName,tblFileKind) "
                                             "values ('old.txt','f','2007.txt  ',2), ('other.txt','g','2007.txt',2)"));
    tf_->write("Attachment/2007.txt  ", "old");
    tf_->write("Attachment/2007.txt", "other");
    d_->answerMessage(Msg::IdYes);
    QVERIFY(ImportEngine::ImportFile(src("f/old.txt", "new old"), 2, kNow.addSecs(2)));
    QVERIFY(!QFile::exists(AttachmentPath() + "2007.txt  "));
    QCOMPARE(Corpus::read(AttachmentPath() + "2007.txt"), QByteArray("other"));
}

// Failures leave no copy and no row: a missing source, a named pipe (it would block the
// copy for good; refused at once, by name), a source that grows while it is read, Cancel
// between blocks, and a database step that fails after the copy.
void TestImportEngine::failuresLeaveNothing()
{
    QVERIFY_THROWS_EXCEPTION(AppError, ImportEngine::ImportFile(tf_->file("src/missing.jpg"), 3, kNow));
    const QString pipe = tf_->file("src/pipe.jpg");
    QDir().mkpath(tf_->file("src"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    try {
        ImportEngine::ImportFile(pipe, 3, kNow);
        QFAIL("a pipe was imported");
    } catch (const AppError &e) {
        QVERIFY2(e.message().contains("pipe.jpg"), qPrintable(e.message()));
    }
    const QString growing = src("f/growing.jpg", QByteArray(3 << 20, 'g'));
    ImportEngine::Options options;
    options.now = kNow;
    options.progress = [&](qint64 done, qint64) {
        if (done <= (256 << 10)) {
            QFile f(growing);
            f.open(QIODevice::Append);
            f.write("more");
        }
        return true;
    };
    QVERIFY_THROWS_EXCEPTION(AppError, ImportEngine::Import(growing, 3, options));
    int blocks = 0;
    options.progress = [&](qint64, qint64) { return ++blocks < 3; };
    QVERIFY_THROWS_EXCEPTION(ImportCancelled, ImportEngine::Import(src("f/big.jpg", QByteArray(4 << 20, 'b')), 3, options));
    QCOMPARE(blocks, 3);
    QCOMPARE(rowCount(), 0);
    // A trigger that only updates the new row (a server moves it to a new address): the row
    // is there, the import succeeds.
    TestFolder::markNewRows();
    QVERIFY(ImportEngine::ImportFile(src("f/m.jpg", "m"), 3, kNow));
    QVERIFY(rowsOf("m.jpg").text(QStringLiteral("Currentinfo")).endsWith(QStringLiteral(" (logged)")));
    TestFolder::dropTrigger(QStringLiteral("mark_new"));
    CurrentDb().OpenRecordset(QStringLiteral("Delete From tblAttachment"));
    QCOMPARE(CurrentDb().engine()->execute("DELETE FROM tblContentHash"), 1);
    for (const QString &copy : TestFolder::storedCopies())
        QVERIFY(QFile::remove(AttachmentPath() + copy));
    // A trigger that puts another row where the new one was: no row names the copy.
    TestFolder::swapNewRows();
    QVERIFY_THROWS_EXCEPTION(AppError, ImportEngine::ImportFile(src("f/s.jpg", "s"), 3, kNow));
    QCOMPARE(rowsOf("s.jpg").RecordCount(), 0);
    QVERIFY(TestFolder::storedCopies().isEmpty());
    TestFolder::dropTrigger(QStringLiteral("swap_new"));
    CurrentDb().OpenRecordset(QStringLiteral("Delete From tblAttachment"));
    QCOMPARE(rowCount(), 0);
    // A trigger of the catalogue that removes each new row: the insert left nothing, so the
    // import fails and keeps neither a copy nor a hash.
    TestFolder::dropNewRows();
    QVERIFY_THROWS_EXCEPTION(AppError, ImportEngine::ImportFile(src("f/t.jpg", "t"), 3, kNow));
    QCOMPARE(rowCount(), 0);
    QVERIFY(TestFolder::storedCopies().isEmpty());
    QCOMPARE(CurrentDb().engine()->execute("DELETE FROM tblContentHash"), 0);
    CurrentDb().OpenRecordset(QStringLiteral("ALTER TABLE tblAttachment RENAME TO gone"));
    QVERIFY_THROWS_EXCEPTION(AppError, ImportEngine::ImportFile(src("f/a.jpg", "x"), 3, kNow));
    QVERIFY(TestFolder::storedCopies().isEmpty());
}

void TestImportEngine::volumesWithoutHardLinks_data()
{
    QTest::addColumn<bool>("fat");
    QTest::newRow("links refused") << false;
    QTest::newRow("FAT volume") << true;
}

// USB sticks and shares from Windows servers have no hard links: stored names are reserved
// with an exclusive create and the copy renamed over them.
void TestImportEngine::volumesWithoutHardLinks()
{
    QFETCH(bool, fat);
    const QString mount = tf_->file("fat");
    struct Cleanup {
        QString mount;
        ~Cleanup()
        {
            AtomicCopy::setHardLinksDisabled(false);
            if (!mount.isEmpty())
                QProcess::execute(QStringLiteral("fusermount"), {QStringLiteral("-u"), mount});
        }
    } cleanup;
    if (fat) {
        // The catalogue stays on the normal disk; only the attachment folder is on FAT.
        QDir().mkpath(mount);
        const QString image = tf_->file("fat.img");
        QFile(image).open(QIODevice::WriteOnly);
        QFile(image).resize(32 << 20);
        auto quietly = [](const QString &program, const QStringList &args) {
            QProcess p;
            p.setStandardOutputFile(QProcess::nullDevice());
            p.setStandardErrorFile(QProcess::nullDevice());
            p.start(program, args);
            return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        };
        if (!quietly("mkfs.vfat", {image}) || !quietly("fusefat", {"-o", "rw+", image, mount}))
            QSKIP("no FAT volume here: needs mkfs.vfat, fusefat and /dev/fuse");
        cleanup.mount = mount;
        QVERIFY(QDir().mkpath(mount + "/att"));
        if (TestFolder::onServer()) { // the shared folder, marked, moves onto the volume
            const QString marker = "/" + AttachmentMarker::fileName();
            QVERIFY(QFile::copy(tf_->file("Attachment") + marker, mount + "/att" + marker));
            QVERIFY(QDir(tf_->file("Attachment")).removeRecursively());
        }
        QVERIFY(QFile::link(mount + "/att", tf_->file("Attachment")));
    } else {
        AtomicCopy::setHardLinksDisabled(true);
    }
    for (int i = 0; i < 12; ++i) // one second: every name collides
        QVERIFY(ImportEngine::ImportFile(src(QStringLiteral("f/%1.jpg").arg(i), Corpus::contents(7, i)), 3, kNow));
    QStringList stored;
    for (int i = 0; i < 12; ++i) {
        stored << storedOf(QStringLiteral("%1.jpg").arg(i));
        QCOMPARE(Corpus::read(AttachmentPath() + stored.last()), Corpus::contents(7, i));
    }
    // No extension: a stored name ending in a dot, which Windows and FAT treat specially.
    QVERIFY(ImportEngine::ImportFile(src("f/README", "r"), 3, kNow));
    stored << storedOf("README");
    QCOMPARE(Corpus::read(AttachmentPath() + stored.last()), QByteArray("r"));
    stored.sort();
    QCOMPARE(TestFolder::storedCopies(), stored); // no reservation or temporary file left
}

// Rows of an import group commit together, after their copies are on disk; when the
// group cannot commit, none of its files is recorded and their copies go.
void TestImportEngine::groupCommitsWholeOrNothing()
{
    ImportEngine::Options options;
    options.now = kNow;
    for (bool fails : {false, true}) {
        ImportBatch batch(60000);
        options.batch = &batch;
        for (int i = 0; i < 3; ++i)
            QCOMPARE(ImportEngine::Import(src(QStringLiteral("g%1/%2.jpg").arg(fails).arg(i), Corpus::contents(fails, i)), 3,
                                          options),
                     ImportEngine::Outcome::Recorded);
        if (!fails) {
            batch.flush();
            continue;
        }
        // A copy of the group vanishes before the group commits.
        QFile::remove(AttachmentPath() + TestFolder::storedCopies().last());
        try {
            batch.flush();
            QFAIL("the group committed without one of its copies");
        } catch (const GroupLost &lost) {
            QCOMPARE(lost.sources().size(), 3);
        }
    }
    QCOMPARE(rowCount(), 3);
    QCOMPARE(TestFolder::storedCopies().size(), 3);
}

// The free name offered for a clash counts on only from a number it offered before, keeps a
// name's trailing blank as its only separator, and a typed name keeps its extension in any case.
void TestImportEngine::offeredNames()
{
    for (const char *name : {"p/Photo (1999).jpg", "p/a.jpg", "p/a (2).jpg", "p/x .jpg"})
        QVERIFY(ImportEngine::ImportFile(src(name, name), 3, kNow));
    QCOMPARE(ImportEngine::freeName("Photo (1999).jpg", "jpg", "p"), QStringLiteral("Photo (1999) (2)"));
    QCOMPARE(ImportEngine::freeName("a (2).jpg", "jpg", "p"), QStringLiteral("a (3)"));
    QCOMPARE(ImportEngine::freeName("x .jpg", "jpg", "p"), QStringLiteral("x (2)"));
    QCOMPARE(ImportEngine::renamed("x.WAV", "wav"), QStringLiteral("x.WAV"));
    QCOMPARE(ImportEngine::renamed("x", "wav"), QStringLiteral("x.wav"));
}

QTEST_MAIN(TestImportEngine)
#include "test_import_engine.moc"
