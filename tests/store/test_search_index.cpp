#include "CatalogueTest.h"
#include "store/Engine.h"
#include "store/JetDialect.h"
#include "store/ListingReader.h"
#include "store/RowTable.h"
#include "store/SearchIndexBuild.h"
#include "store/SqliteEngine.h"
#include "store/TrigramIndex.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

// The searches by part of a text find, through the file's trigram index, exactly the rows
// and the order of the scan, whatever the pattern and whichever program wrote the rows.
class TestSearchIndex : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void sameRowsAsTheScan();
    void followsProgramsThatKnowNothingOfIt();
    void builtInGroupsWhileOthersWrite();
    void withoutFts5TheScanServes();

private:
    std::unique_ptr<TestFolder> tf_;
};

namespace {
const QStringList kNames = {
    "2010年春游.jpg",  "春游",     "年春游记.txt", "Trip.JPG", "trip.jpg", "TRIP_1.png",     "IMG_0001.jpg", "IMG%0001.jpg",
    "img_0001.jpg",    "100%.doc", "a_c.txt",      "abc.txt",  "it's.txt", "say \"hi\".txt", "star*.txt",    "what?.txt",
    "back\\slash.txt", "🎉🎉🎉.png",  "emoji🎉x.png",  "ab",       "",         "x%y_z",          "ÄÖÜäöü.txt",   "日日日日日"};

int g_serial = 0;

void add(const QString &name, int kind, const QVariant &folder, const QVariant &info)
{
    auto literal = [](const QVariant &v) {
        return v.isNull() ? QStringLiteral("NULL") : "'" + SqlQuote(v.toString()) + "'";
    };
    CurrentDb().OpenRecordset(
        "insert into tblAttachment (Currentinfo,FileName,FolderName,SaveFileName,tblFileKind) values (" + literal(info) +
        ",'" + SqlQuote(name) + "'," + literal(folder) + QStringLiteral(",'s%1.x',%2)").arg(++g_serial).arg(kind));
}

void addCorpus()
{
    g_serial = 0;
    for (int i = 0; i < kNames.size(); ++i)
        add(kNames[i], 1 + i % 6, i % 5 == 0 ? QVariant() : QVariant(kNames[(i * 7) % kNames.size()]),
            i % 4 == 0 ? QVariant() : QVariant(QStringLiteral("新导入文件 ") + kNames[(i * 3) % kNames.size()]));
    // Rows that no pattern finds, so that the patterns are rare enough for the index.
    std::shared_ptr<Engine> engine = CurrentDb().engine();
    engine->begin();
    for (int i = 0; i < 300; ++i) {
        QString name = QStringLiteral("qq");
        for (int n = i; n > 0; n /= 10)
            name += QChar(u'k' + n % 10);
        add(name, 3, QVariant(), QVariant());
    }
    engine->commit();
}

SqliteEngine *fileEngine()
{
    return dynamic_cast<SqliteEngine *>(CurrentDb().engine().get());
}

// The stored names a statement lists, in the order it lists them.
QStringList listed(const QString &jet)
{
    QStringList out;
    for (Recordset rs = CurrentDb().OpenRecordset(jet); !rs.isEOF(); rs.MoveNext())
        out << rs.text("SaveFileName");
    return out;
}

QStringList scanned(const QString &jet)
{
    std::shared_ptr<Engine> engine = CurrentDb().engine();
    RowTable rows;
    engine->execute(JetDialect::translate(jet, engine->dialect()), {}, &rows);
    QStringList out;
    const int at = rows.columnIndex("SaveFileName");
    for (qint64 r = 0; r < rows.count(); ++r)
        out << rows.row(r)[at].toString();
    return out;
}

// The record list's addresses, in the order it lists them, and those of the scan.
std::vector<qint64> listedAddresses(const QString &jet)
{
    std::shared_ptr<Engine> engine = CurrentDb().engine();
    std::vector<qint64> out;
    ListingReader::read(*engine, ListingReader::statement(*engine, jet), false, [&](std::vector<qint64> &&step) {
        out.insert(out.end(), step.begin(), step.end());
        return true;
    });
    return out;
}

std::vector<qint64> scannedAddresses(const QString &jet)
{
    std::shared_ptr<Engine> engine = CurrentDb().engine();
    QString sql = JetDialect::translate(jet, engine->dialect());
    sql.replace(sql.indexOf('*'), 1, engine->addressColumn() + " AS mc_rowid, *");
    RowTable rows;
    engine->execute(sql, {}, &rows);
    std::vector<qint64> out;
    for (qint64 r = 0; r < rows.count(); ++r)
        out.push_back(ListingReader::pack(engine->dialect(), rows.row(r)[0]));
    return out;
}

const QStringList kPatterns = {
    "春游",        "年春游", "2010年春游", "Trip",       "trip",     "TRIP",   "rip", "IMG",         "img",
    "IMG_",        "MG_00",  "G%00",       "%",          "_",        "__",     "___", "a_c",         "100%",
    "*",           "?",      "star*",      "what?",      "it''s",    "\"hi\"", "",    "jp",          ".jpg",
    ".JPG",        "🎉",      "🎉🎉",         "🎉🎉🎉",        "Äöü",      "ÄÖÜ",    "x%y", "x%y_z",       "b%c_t",
    "back\\slash", "\\",     "日日日",     "新导入文件", "导入文 1", "ab",     "abc", "nothing here"};

// Every search of the search window, for every pattern, column and kind.
int compareAll()
{
    int indexed = 0;
    const QStringList columns = {"  FileName", "   FolderName", "   Currentinfo"};
    const QStringList kinds = {"", " And tblFileKind=1", " And tblFileKind=3"};
    for (const QString &column : columns)
        for (const QString &pattern : kPatterns)
            for (const QString &kind : kinds) {
                const QString jet = "Select * From tblAttachment Where" + column + " Like '%" + pattern + "%'" + kind;
                const QStringList expected = scanned(jet);
                if (listed(jet) != expected || listedAddresses(jet) != scannedAddresses(jet)) {
                    qWarning("%s", qPrintable(jet));
                    return -1;
                }
                std::shared_ptr<Engine> engine = CurrentDb().engine();
                indexed += engine->indexed(JetDialect::translate(jet, engine->dialect())) !=
                           JetDialect::translate(jet, engine->dialect());
            }
    return indexed;
}

// Another program on the file that has never heard of the index.
struct OtherProgram {
    explicit OtherProgram(const QString &path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other");
        db.setDatabaseName(path);
        db.open();
    }
    ~OtherProgram() { QSqlDatabase::removeDatabase("other"); }
    bool run(const QString &sql) const
    {
        QSqlQuery q(QSqlDatabase::database("other"));
        if (!q.exec(sql))
            qWarning("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        return q.isActive();
    }
    void close() const { QSqlDatabase::database("other").close(); }
};

// Makes the catalogue as it was before the index: many rows and no trace of it.
void olderCatalogue(const QString &path, int rows)
{
    clsCurrentDb::release();
    OtherProgram other(path);
    other.run("DROP TRIGGER trgTrigramInsert");
    other.run("DROP TRIGGER trgTrigramDelete");
    other.run("DROP TRIGGER trgTrigramUpdate");
    other.run("DROP TABLE tblAttachmentTrigram");
    other.run("DELETE FROM tblCatalogue WHERE Name='SearchIndex'");
    other.run("BEGIN");
    for (int i = 0; i < rows; ++i)
        other.run("INSERT INTO tblAttachment (FileName,FolderName,Currentinfo,SaveFileName,tblFileKind) VALUES ('" +
                  SqlQuote(kNames[i % kNames.size()]) +
                  QStringLiteral("_%1.jpg','旅行%2','新导入文件','b%1.x',3)").arg(i).arg(i % 7));
    other.run("COMMIT");
    other.close();
}
} // namespace

void TestSearchIndex::init()
{
    tf_ = std::make_unique<TestFolder>();
    tf_->createCatalogue();
    addCorpus();
}

void TestSearchIndex::cleanup()
{
    TrigramIndex::setSupportedForTest(true);
    tf_.reset();
}

// Letter case as the Like rule, patterns under three characters, wildcards, quotes,
// Chinese and emoji: the index gives the scan's rows, and answers whatever it can.
void TestSearchIndex::sameRowsAsTheScan()
{
    const int indexed = compareAll();
    QVERIFY(indexed >= 0);
    if (!TestFolder::onServer()) {
        QCOMPARE(fileEngine()->searchIndex(), TrigramIndex::State::Ready);
        QVERIFY2(indexed > 150, qPrintable(QString::number(indexed)));
    }
    QCOMPARE(listed("Select * From tblAttachment Where  FileName Like '%年春游%'"), QStringList({"s1.x", "s3.x"}));
    QCOMPARE(listed("Select * From tblAttachment Where  FileName Like '%春游%'"), QStringList({"s1.x", "s2.x", "s3.x"}));
    QCOMPARE(listed("Select * From tblAttachment Where  FileName Like '%Trip%'"), QStringList({"s4.x"}));
}

// Inserts, updates, deletes and replaces by a program without the index are found at once.
void TestSearchIndex::followsProgramsThatKnowNothingOfIt()
{
    SKIP_ON_SERVER();
    OtherProgram other(tf_->catalogue());
    QVERIFY(other.run("INSERT INTO tblAttachment (FileName,FolderName,SaveFileName,tblFileKind) VALUES "
                      "('新年春游2.jpg','Trip','o1.x',3)"));
    QVERIFY(
        other.run("UPDATE tblAttachment SET FileName='renamed IMG.jpg', Currentinfo='年春游记' WHERE SaveFileName='s4.x'"));
    QVERIFY(other.run("DELETE FROM tblAttachment WHERE SaveFileName='s1.x'"));
    QVERIFY(other.run("INSERT OR REPLACE INTO tblAttachment (rowid,FileName,FolderName,SaveFileName,tblFileKind) "
                      "SELECT rowid,'replaced Trip','x','o2.x',2 FROM tblAttachment WHERE SaveFileName='s5.x'"));
    QVERIFY(other.run("UPDATE tblAttachment SET rowid=rowid+1000 WHERE SaveFileName='s7.x'"));
    QCOMPARE(listed("Select * From tblAttachment Where  FileName Like '%年春游%'"), QStringList({"s3.x", "o1.x"}));
    QCOMPARE(listed("Select * From tblAttachment Where  FileName Like '%Trip%'"), QStringList({"o2.x"}));
    QCOMPARE(listed("Select * From tblAttachment Where   Currentinfo Like '%年春游记%'"), QStringList({"s4.x"}));
    QCOMPARE(listed("Select * From tblAttachment Where  FileName Like '%IMG_0%'"), QStringList({"s8.x", "s7.x"}));
    QVERIFY(compareAll() > 150);
}

// A catalogue made before the index gets it on its first open, in groups that let another
// program write in between; rows written meanwhile are in it too.
void TestSearchIndex::builtInGroupsWhileOthersWrite()
{
    SKIP_ON_SERVER();
    olderCatalogue(tf_->catalogue(), 20000);
    QCOMPARE(fileEngine()->searchIndex(), TrigramIndex::State::Building);
    // Until it is done, the scan answers.
    QCOMPARE(listed("Select * From tblAttachment Where  FileName Like '%年春游%'"),
             scanned("Select * From tblAttachment Where  FileName Like '%年春游%'"));
    {
        OtherProgram other(tf_->catalogue());
        for (int i = 0; i < 20; ++i) {
            QVERIFY(other.run(QStringLiteral("INSERT INTO tblAttachment (FileName,SaveFileName,tblFileKind) "
                                             "VALUES ('late 年春游 %1','late%1.x',3)")
                                  .arg(i)));
            QVERIFY(other.run(QStringLiteral("DELETE FROM tblAttachment WHERE SaveFileName='b%1.x'").arg(i * 997)));
            QVERIFY(other.run(QStringLiteral("UPDATE tblAttachment SET FileName='moved Trip' WHERE SaveFileName='b%1.x'")
                                  .arg(i * 991 + 1)));
        }
        other.close();
    }
    QVERIFY(fileEngine()->waitForSearchIndex());
    QVERIFY(compareAll() > 150);
    const QStringList late = listed("Select * From tblAttachment Where  FileName Like '%late 年春游%'");
    QCOMPARE(late.size(), 20);

    // Closed midway, the build goes on where it stopped at the next open.
    olderCatalogue(tf_->catalogue(), 5000);
    CurrentDb().engine()->close();
    QCOMPARE(fileEngine()->searchIndex(), TrigramIndex::State::Building);
    QVERIFY(fileEngine()->waitForSearchIndex());
    QVERIFY(compareAll() > 150);

    // Stopped by the user, it ends within a second, shown as it goes, and the next open
    // goes on with it.
    olderCatalogue(tf_->catalogue(), 0);
    QCOMPARE(fileEngine()->searchIndex(), TrigramIndex::State::Building);
    QTRY_VERIFY_WITH_TIMEOUT(SearchIndexBuild::status().running, 5000);
    QElapsedTimer stopping;
    stopping.start();
    QVERIFY(SearchIndexBuild::cancel());
    QVERIFY(!fileEngine()->waitForSearchIndex());
    QVERIFY2(stopping.elapsed() < 1000, qPrintable(QString::number(stopping.elapsed())));
    QVERIFY(!SearchIndexBuild::status().running);
    QVERIFY(!SearchIndexBuild::cancel());
    QCOMPARE(listed("Select * From tblAttachment Where  FileName Like '%年春游%'"),
             scanned("Select * From tblAttachment Where  FileName Like '%年春游%'"));
    CurrentDb().engine()->close();
    QCOMPARE(fileEngine()->searchIndex(), TrigramIndex::State::Building);
    QTRY_VERIFY_WITH_TIMEOUT(SearchIndexBuild::status().running, 5000);
}

// An SQLite without FTS5 removes the other programs' triggers so that its writes work,
// searches by the scan, and the next program with FTS5 builds the index again.
void TestSearchIndex::withoutFts5TheScanServes()
{
    SKIP_ON_SERVER();
    clsCurrentDb::release();
    TrigramIndex::setSupportedForTest(false);
    QCOMPARE(fileEngine()->searchIndex(), TrigramIndex::State::Unavailable);
    add("新年春游3.jpg", 3, "旅行", "x");
    QVERIFY(compareAll() == 0);
    QCOMPARE(listed("Select * From tblAttachment Where  FileName Like '%年春游%'").size(), 3);

    clsCurrentDb::release();
    TrigramIndex::setSupportedForTest(true);
    QCOMPARE(fileEngine()->searchIndex(), TrigramIndex::State::Building);
    QVERIFY(fileEngine()->waitForSearchIndex());
    QVERIFY(compareAll() > 150);
    QCOMPARE(listed("Select * From tblAttachment Where  FileName Like '%年春游%'").size(), 3);
}

QTEST_MAIN(TestSearchIndex)
#include "test_search_index.moc"
