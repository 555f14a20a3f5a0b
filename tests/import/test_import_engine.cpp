#include "Corpus.h"
#include "ScriptedDialogs.h"
#include "TestFolder.h"
#include "import/AtomicCopy.h"
#include "import/GroupLost.h"
#include "import/ImportBatch.h"
#include "import/ImportCancelled.h"
#include "import/ImportEngine.h"
#include "import/StoredName.h"
#include "import/StoredNameSequence.h"
#include "store/AppError.h"
#include "store/DatabaseLocator.h"
#include "store/Services.h"
#include "store/SqlQuote.h"
#include "store/clsCurrentDb.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <sys/stat.h>
#include <QtTest>
#include <sys/file.h>

class TestImportEngine : public QObject {
    Q_OBJECT
private slots:
    void storedBase();
    void newRowAndCollisions();
    void fastRunKeepsNamesShort();
    void sourceWithoutExtension();
    void overwriteKeepsOtherFields();
    void overwriteWithOldCopyGone();
    void renameAndCancel();
    void awkwardNames();
    void failuresLeaveNothing();
    void inUse();
    void storedNamesSurviveTrimming();
    void sourcesThatAreNotWhatTheySeem();
    void volumesWithoutHardLinks_data();
    void volumesWithoutHardLinks();
    void groupCommitsWholeOrNothing();
};

namespace {
const QDateTime kNow(QDate(2008, 11, 25), QTime(17, 45, 9));

QStringList storedFiles()
{
    return TestFolder::storedCopies();
}

Recordset rowsOf(const QString &fileName)
{
    return CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment Where FileName='") +
                                     SqlQuote(fileName) + QStringLiteral("'"));
}
} // namespace

void TestImportEngine::storedBase()
{
    QCOMPARE(StoredName::base(kNow), QStringLiteral("20081125174509119"));
    QCOMPARE(StoredName::base(QDateTime(QDate(2008, 3, 5), QTime(9, 7, 3))), QStringLiteral("2008030509070333"));
    QCOMPARE(StoredName::base(QDateTime(QDate(2010, 12, 31), QTime(23, 59, 59))), QStringLiteral("201012312359591259"));
    QVERIFY(!StoredName::isPlain(QStringLiteral("../x.jpg")));
    QVERIFY(!StoredName::isPlain(QStringLiteral("..")));
    QVERIFY(!StoredName::isPlain(QStringLiteral("a\\b")));
    QVERIFY(StoredName::isPlain(QStringLiteral("2008.jpg")));
}

void TestImportEngine::newRowAndCollisions()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    const QString a = tf.write(QStringLiteral("src/2008/a.jpg"), "AAA");
    const QString b = tf.write(QStringLiteral("src/2008/b.jpg"), "BBBB");
    const QString c = tf.write(QStringLiteral("src/2008/c.png"), "C");
    QVERIFY(ImportEngine::ImportFile(a, 3, kNow));
    QVERIFY(ImportEngine::ImportFile(b, 3, kNow));
    QVERIFY(ImportEngine::ImportFile(c, 3, kNow)); // another extension does not collide
    QCOMPARE(storedFiles(), QStringList({QStringLiteral("20081125174509119.jpg"), QStringLiteral("20081125174509119.png"),
                                         QStringLiteral("200811251745091191.jpg")}));
    Recordset rs = rowsOf(QStringLiteral("b.jpg"));
    QCOMPARE(rs.RecordCount(), 1);
    QCOMPARE(rs.text(QStringLiteral("SaveFileName")), QStringLiteral("200811251745091191.jpg"));
    QCOMPARE(rs.text(QStringLiteral("FolderName")), QStringLiteral("2008"));
    QCOMPARE(rs.text(QStringLiteral("Currentinfo")), QStringLiteral("新导入文件"));
    QCOMPARE(rs.field(QStringLiteral("tblFileKind")).toInt(), 3);
    QVERIFY(!rs.text(QStringLiteral("Date")).isEmpty());
    QCOMPARE(Corpus::read(AttachmentPath() + QStringLiteral("200811251745091191.jpg")), QByteArray("BBBB"));
    QVERIFY(d.asked.isEmpty());
}

void TestImportEngine::fastRunKeepsNamesShort()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    QStringList stored;
    for (int i = 0; i < 30; ++i) {
        QVERIFY(ImportEngine::ImportFile(tf.write(QStringLiteral("src/f/%1.jpg").arg(i), QByteArray::number(i)), 3, kNow));
        stored << rowsOf(QStringLiteral("%1.jpg").arg(i)).text(QStringLiteral("SaveFileName"));
    }
    QCOMPARE(stored[8], QStringLiteral("2008112517450911911111111.jpg"));
    QCOMPARE(stored[9], QStringLiteral("200811251745101110.jpg")); // the next second
    for (const QString &s : stored)
        QVERIFY(s.size() <= 18 + StoredNameSequence::kMaxSuffix + 4);
    QCOMPARE(QSet<QString>(stored.begin(), stored.end()).size(), 30);
    // A later file of that second starts past the full seconds at once.
    QVERIFY(ImportEngine::ImportFile(tf.write(QStringLiteral("src/f/late.png"), "p"), 3, kNow));
    QVERIFY(rowsOf(QStringLiteral("late.png")).text(QStringLiteral("SaveFileName")) > QStringLiteral("200811251745101110"));
}

void TestImportEngine::sourceWithoutExtension()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    const QString src = tf.write(QStringLiteral("src/docs/README"), "r");
    QVERIFY(ImportEngine::ImportFile(src, 2, kNow));
    QCOMPARE(rowsOf(QStringLiteral("README")).text(QStringLiteral("SaveFileName")), QStringLiteral("20081125174509119."));
    // The same file again: rename, offered the whole name.
    d.answerMessage(7);
    d.answerPrompt(QString());
    QVERIFY(!ImportEngine::ImportFile(src, 2, kNow));
    QCOMPARE(d.asked.last().defaultAnswer, QStringLiteral("README"));
    QCOMPARE(storedFiles().size(), 1);
}

void TestImportEngine::overwriteKeepsOtherFields()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    const QString src = tf.write(QStringLiteral("src/旅行/照片.jpg"), "old");
    QVERIFY(ImportEngine::ImportFile(src, 3, kNow));
    CurrentDb().OpenRecordset(QStringLiteral("Update tblAttachment set Currentinfo='海边', [Date]=#2009-1-2 3:4:5#"));
    tf.write(QStringLiteral("src/旅行/照片.jpg"), "new");
    d.answerMessage(6);
    QVERIFY(ImportEngine::ImportFile(src, 5, kNow.addSecs(1)));
    QCOMPARE(d.asked.first().text, QStringLiteral("库里已经有同名文件 照片.jpg 是否覆盖原文件 ?"));
    QCOMPARE(d.asked.first().buttons, 36 | 256); // No is the default
    Recordset rs = rowsOf(QStringLiteral("照片.jpg"));
    QCOMPARE(rs.RecordCount(), 1);
    QCOMPARE(rs.text(QStringLiteral("SaveFileName")), QStringLiteral("200811251745101110.jpg"));
    QCOMPARE(rs.text(QStringLiteral("Currentinfo")), QStringLiteral("海边"));
    QCOMPARE(rs.text(QStringLiteral("Date")), QStringLiteral("2009-01-02 03:04:05"));
    QCOMPARE(rs.field(QStringLiteral("tblFileKind")).toInt(), 3);
    QCOMPARE(storedFiles(), QStringList(QStringLiteral("200811251745101110.jpg"))); // old copy removed
    QCOMPARE(Corpus::read(AttachmentPath() + storedFiles().first()), QByteArray("new"));
}

void TestImportEngine::overwriteWithOldCopyGone()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    const QString src = tf.write(QStringLiteral("src/f/a.txt"), "x");
    QVERIFY(ImportEngine::ImportFile(src, 2, kNow));
    QFile::remove(AttachmentPath() + storedFiles().first());
    d.answerMessage(6);
    QVERIFY(ImportEngine::ImportFile(src, 2, kNow.addSecs(2)));
    QCOMPARE(rowsOf(QStringLiteral("a.txt")).RecordCount(), 1);
    QCOMPARE(storedFiles().size(), 1);
    QVERIFY(d.allAnswered());
}

void TestImportEngine::renameAndCancel()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    const QString src = tf.write(QStringLiteral("src/f/a.jpg.jpg"), "x");
    QVERIFY(ImportEngine::ImportFile(src, 3, kNow));
    // No, then a new unique name.
    d.answerMessage(7);
    d.answerPrompt(QStringLiteral("b"));
    QVERIFY(ImportEngine::ImportFile(src, 3, kNow));
    QCOMPARE(d.asked[1].text, QStringLiteral("请输入新名..."));
    QCOMPARE(d.asked[1].title, QStringLiteral("文件系统-"));
    QCOMPARE(d.asked[1].defaultAnswer, QStringLiteral("a"));
    QCOMPARE(rowsOf(QStringLiteral("b.jpg")).RecordCount(), 1);
    // No, then a name that exists too: asked again; then blanks, taken as typed.
    d.answerMessage(7);
    d.answerPrompt(QStringLiteral("b"));
    d.answerMessage(7);
    d.answerPrompt(QStringLiteral("  "));
    QVERIFY(ImportEngine::ImportFile(src, 3, kNow));
    QCOMPARE(rowsOf(QStringLiteral("  .jpg")).RecordCount(), 1);
    // No, then cancelled: no copy, no row, false.
    const QStringList before = storedFiles();
    d.answerMessage(7);
    d.answerPrompt(QString());
    QVERIFY(!ImportEngine::ImportFile(src, 3, kNow));
    QCOMPARE(storedFiles(), before);
    QCOMPARE(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment")).RecordCount(), 3);
    QVERIFY(d.allAnswered());
}

void TestImportEngine::awkwardNames()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    const QStringList names = {QStringLiteral("O'Brien.jpg"), QStringLiteral("50%_off;now.jpg"),
                               QStringLiteral("照片 #1 [a].jpg"), QStringLiteral(".jpg"), QStringLiteral("a.b.c.jpg"),
                               QStringLiteral(" lead and trail .jpg")};
    for (const QString &n : names)
        QVERIFY(ImportEngine::ImportFile(tf.write(QStringLiteral("src/it's 100%/") + n, n.toUtf8()), 3, kNow));
    for (const QString &n : names) {
        Recordset rs = rowsOf(n);
        QCOMPARE(rs.RecordCount(), 1);
        QCOMPARE(rs.text(QStringLiteral("FolderName")), QStringLiteral("it's 100%"));
        QCOMPARE(Corpus::read(AttachmentPath() + rs.text(QStringLiteral("SaveFileName"))), n.toUtf8());
    }
    // The same names again are recognised as duplicates.
    d.answerMessage(6);
    QVERIFY(ImportEngine::ImportFile(tf.file(QStringLiteral("src/it's 100%/O'Brien.jpg")), 3, kNow));
    QCOMPARE(rowsOf(QStringLiteral("O'Brien.jpg")).RecordCount(), 1);
}

void TestImportEngine::failuresLeaveNothing()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    QVERIFY_THROWS_EXCEPTION(AppError, ImportEngine::ImportFile(tf.file(QStringLiteral("src/missing.jpg")), 3, kNow));
    QVERIFY(storedFiles().isEmpty());
    // A database step that fails after the copy: the copy goes too.
    const QString src = tf.write(QStringLiteral("src/f/a.jpg"), "x");
    CurrentDb().OpenRecordset(QStringLiteral("ALTER TABLE tblAttachment RENAME TO gone"));
    QVERIFY_THROWS_EXCEPTION(AppError, ImportEngine::ImportFile(src, 3, kNow));
    QVERIFY(storedFiles().isEmpty());
}

void TestImportEngine::inUse()
{
    TestFolder tf;
    ScriptedDialogs d;
    const QString path = tf.write(QStringLiteral("a.txt"), "x");
    QVERIFY(!ImportEngine::IsFileOpen(path));
    QFile holder(path);
    QVERIFY(holder.open(QIODevice::ReadOnly));
    QVERIFY(!ImportEngine::IsFileOpen(path)); // merely open is not locked
    QVERIFY(::flock(holder.handle(), LOCK_EX) == 0);
    QVERIFY(ImportEngine::IsFileOpen(path));
    ::flock(holder.handle(), LOCK_UN);
    QVERIFY(!ImportEngine::IsFileOpen(path));
    // Any other failure: the "Error #" box, then false.
    QVERIFY(!ImportEngine::IsFileOpen(tf.file(QStringLiteral("nope.txt"))));
    QCOMPARE(d.asked.size(), 1);
    QCOMPARE(d.asked[0].title, QStringLiteral("Error"));
    QVERIFY(d.asked[0].text.startsWith(QStringLiteral("Error # 2 was generated by ")));
    QVERIFY(d.asked[0].text.contains(QLatin1Char('\r')));
}

// A name may end in blanks on Linux. Trimmed, a stored name must never become another
// record's: the stored extension has none, and a name kept from before is used as it is.
void TestImportEngine::storedNamesSurviveTrimming()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    const QString trail = tf.write(QStringLiteral("src/f/trail.txt  "), "t");
    QVERIFY(ImportEngine::ImportFile(trail, 2, kNow));
    QVERIFY(ImportEngine::ImportFile(tf.write(QStringLiteral("src/f/normal.txt"), "n"), 2, kNow));
    QCOMPARE(storedFiles(), QStringList({"20081125174509119.txt", "200811251745091191.txt"}));
    QCOMPARE(rowsOf(QStringLiteral("trail.txt  ")).text(QStringLiteral("SaveFileName")), QStringLiteral("20081125174509119.txt"));
    tf.write(QStringLiteral("src/f/trail.txt  "), "t2");
    d.answerMessage(6);
    QVERIFY(ImportEngine::ImportFile(trail, 2, kNow.addSecs(1)));
    QCOMPARE(Corpus::read(AttachmentPath() + QStringLiteral("200811251745091191.txt")), QByteArray("n"));

    // A stored name with trailing blanks from an older catalogue: its own copy goes, not
    // the copy its trimmed name would reach.
    CurrentDb().OpenRecordset(QStringLiteral("insert into tblAttachment (FileName,FolderName,SaveFileName,tblFileKind) "
                                             "values ('old.txt','f','2007.txt  ',2), ('other.txt','g','2007.txt',2)"));
    tf.write(QStringLiteral("Attachment/2007.txt  "), "old");
    tf.write(QStringLiteral("Attachment/2007.txt"), "other");
    d.answerMessage(6);
    QVERIFY(ImportEngine::ImportFile(tf.write(QStringLiteral("src/f/old.txt"), "new old"), 2, kNow.addSecs(2)));
    QVERIFY(!QFile::exists(AttachmentPath() + QStringLiteral("2007.txt  ")));
    QCOMPARE(Corpus::read(AttachmentPath() + QStringLiteral("2007.txt")), QByteArray("other"));
}

void TestImportEngine::sourcesThatAreNotWhatTheySeem()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    // A named pipe would block the copy for good: refused at once, by name.
    const QString pipe = tf.file(QStringLiteral("src/f/pipe.jpg"));
    QDir().mkpath(tf.file(QStringLiteral("src/f")));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    try {
        ImportEngine::ImportFile(pipe, 3, kNow);
        QFAIL("a pipe was imported");
    } catch (const AppError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("pipe.jpg")), qPrintable(e.message()));
    }
    // A source that grows while it is read gives no copy and no row.
    const QString growing = tf.write(QStringLiteral("src/f/growing.jpg"), QByteArray(3 << 20, 'g'));
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
    // Cancel stops the copy between blocks, and nothing of it stays.
    int blocks = 0;
    options.progress = [&](qint64, qint64) { return ++blocks < 3; };
    QVERIFY_THROWS_EXCEPTION(ImportCancelled, ImportEngine::Import(tf.write(QStringLiteral("src/f/big.jpg"), QByteArray(4 << 20, 'b')), 3, options));
    QCOMPARE(blocks, 3);
    QVERIFY(storedFiles().isEmpty());
    QCOMPARE(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment")).RecordCount(), 0);
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
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    const QString mount = tf.file(QStringLiteral("fat"));
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
        const QString image = tf.file(QStringLiteral("fat.img"));
        QFile(image).open(QIODevice::WriteOnly);
        QFile(image).resize(32 << 20);
        auto quietly = [](const QString &program, const QStringList &args) {
            QProcess p;
            p.setStandardOutputFile(QProcess::nullDevice());
            p.setStandardErrorFile(QProcess::nullDevice());
            p.start(program, args);
            return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        };
        if (!quietly(QStringLiteral("mkfs.vfat"), {image}) ||
            !quietly(QStringLiteral("fusefat"), {QStringLiteral("-o"), QStringLiteral("rw+"), image, mount}))
            QSKIP("no FAT volume here: needs mkfs.vfat, fusefat and /dev/fuse");
        cleanup.mount = mount;
        QVERIFY(QDir().mkpath(mount + QStringLiteral("/att")));
        QVERIFY(QFile::link(mount + QStringLiteral("/att"), tf.file(QStringLiteral("Attachment"))));
    } else {
        AtomicCopy::setHardLinksDisabled(true);
    }
    QHash<QString, QByteArray> sources;
    for (int i = 0; i < 12; ++i) {
        const QString src = tf.write(QStringLiteral("src/f/%1.jpg").arg(i), Corpus::contents(7, i));
        sources.insert(LastPathPart(src), Corpus::contents(7, i));
        QVERIFY(ImportEngine::ImportFile(src, 3, kNow)); // one second: every name collides
    }
    Recordset rs = CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment"));
    QStringList stored;
    while (!rs.isEOF()) {
        stored << rs.text(QStringLiteral("SaveFileName"));
        QCOMPARE(Corpus::read(AttachmentPath() + stored.last()), sources.value(rs.text(QStringLiteral("FileName"))));
        rs.MoveNext();
    }
    stored.sort();
    QCOMPARE(stored.size(), 12);
    QCOMPARE(storedFiles(), stored); // no reservation or temporary file left
}

// Rows of an import group commit together, after their copies are on disk; when the
// group cannot commit, none of its files is recorded and their copies go.
void TestImportEngine::groupCommitsWholeOrNothing()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    ImportEngine::Options options;
    options.now = kNow;
    for (bool fails : {false, true}) {
        ImportBatch batch(60000);
        options.batch = &batch;
        for (int i = 0; i < 3; ++i)
            QCOMPARE(ImportEngine::Import(tf.write(QStringLiteral("src/g%1/%2.jpg").arg(fails).arg(i), Corpus::contents(fails, i)),
                                          3, options),
                     ImportEngine::Outcome::Recorded);
        if (!fails) {
            batch.flush();
            continue;
        }
        // A copy of the group vanishes before the group commits.
        QFile::remove(AttachmentPath() + storedFiles().last());
        try {
            batch.flush();
            QFAIL("the group committed without one of its copies");
        } catch (const GroupLost &lost) {
            QCOMPARE(lost.sources().size(), 3);
        }
    }
    QCOMPARE(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment")).RecordCount(), 3);
    QCOMPARE(storedFiles().size(), 3);
}

QTEST_MAIN(TestImportEngine)
#include "test_import_engine.moc"
