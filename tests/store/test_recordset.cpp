#include "ScriptedDialogs.h"
#include "TestFolder.h"
#include "store/DbError.h"
#include "store/SqlQuote.h"
#include "store/clsCurrentDb.h"

#include <QDateTime>
#include <QtTest>

class TestRecordset : public QObject {
    Q_OBJECT
private slots:
    void emptyResult();
    void rowsAndCount();
    void addNewWritesRowWithDate();
    void updateCurrentRow();
    void changesComeBackClosed();
    void jetFeatures();
    void engineErrorNamesStatement();
    void notACatalogue();
    void quotedValuesRoundTrip();
};

namespace {
void insert(const QString &file, const QString &folder, int kind, const QString &date = {})
{
    CurrentDb().OpenRecordset(
        QStringLiteral("insert into tblAttachment (Currentinfo,[Date],FileName,FolderName,SaveFileName,tblFileKind) "
                       "values ('d',%1,'%2','%3','%2.s',%4)")
            .arg(date.isEmpty() ? QStringLiteral("'2010-01-05 10:00:00'") : date, SqlQuote(file), SqlQuote(folder))
            .arg(kind));
}
} // namespace

void TestRecordset::emptyResult()
{
    TestFolder tf;
    tf.createCatalogue();
    Recordset rs = CurrentDb().OpenRecordset(QStringLiteral("Select * from tblAttachment"), 1, 3);
    QCOMPARE(rs.state(), int(Recordset::adStateOpen));
    QVERIFY(rs.isEOF());
    QVERIFY(rs.isBOF());
    QCOMPARE(rs.RecordCount(), 0);
    QVERIFY_THROWS_EXCEPTION(DbError, rs.field(QStringLiteral("FileName")));
}

void TestRecordset::rowsAndCount()
{
    TestFolder tf;
    tf.createCatalogue();
    insert(QStringLiteral("a"), QStringLiteral("f"), 3);
    insert(QStringLiteral("b"), QStringLiteral("f"), 3);
    insert(QStringLiteral("c"), QStringLiteral("g"), 2);
    Recordset rs = CurrentDb().OpenRecordset(QStringLiteral("Select * from tblAttachment where tblFileKind=3"));
    QCOMPARE(rs.RecordCount(), 2);
    QVERIFY(!rs.isEOF() && !rs.isBOF());
    QStringList names;
    while (!rs.isEOF() && !rs.isBOF()) {
        names << rs.text(QStringLiteral("filename")); // field names match without regard to case
        rs.MoveNext();
    }
    QCOMPARE(names, QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    QVERIFY(rs.isEOF());
    QVERIFY_THROWS_EXCEPTION(DbError, rs.MoveNext());
    rs.Close();
    QCOMPARE(rs.state(), int(Recordset::adStateClosed));
}

void TestRecordset::addNewWritesRowWithDate()
{
    TestFolder tf;
    tf.createCatalogue();
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    Recordset rs = CurrentDb().OpenRecordset(QStringLiteral("Select * from tblAttachment Where FileName='x'"));
    QCOMPARE(rs.RecordCount(), 0);
    rs.AddNew();
    rs.setCollect(QStringLiteral("tblFileKind"), 3);
    rs.setCollect(QStringLiteral("FileName"), QStringLiteral("照片.jpg"));
    rs.setCollect(QStringLiteral("SaveFileName"), QStringLiteral("2008.jpg"));
    rs.Update();
    QCOMPARE(rs.text(QStringLiteral("FileName")), QStringLiteral("照片.jpg"));
    rs.Close();

    Recordset back = CurrentDb().OpenRecordset(QStringLiteral("Select * from tblAttachment"));
    QCOMPARE(back.RecordCount(), 1);
    QCOMPARE(back.field(QStringLiteral("tblFileKind")).toInt(), 3);
    const QDateTime stamp =
        QDateTime::fromString(back.text(QStringLiteral("Date")), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    QVERIFY2(stamp.isValid() && stamp >= before && stamp <= QDateTime::currentDateTime().addSecs(1),
             qPrintable(back.text(QStringLiteral("Date"))));
}

void TestRecordset::updateCurrentRow()
{
    TestFolder tf;
    tf.createCatalogue();
    insert(QStringLiteral("a"), QStringLiteral("f"), 3);
    insert(QStringLiteral("b"), QStringLiteral("f"), 3);
    Recordset rs = CurrentDb().OpenRecordset(QStringLiteral("Select * from tblAttachment Where FileName='b'"));
    rs.setCollect(QStringLiteral("SaveFileName"), QStringLiteral("new.s"));
    rs.Update();
    Recordset all = CurrentDb().OpenRecordset(QStringLiteral("Select FileName, SaveFileName from tblAttachment"));
    QCOMPARE(all.text(QStringLiteral("SaveFileName")), QStringLiteral("a.s"));
    all.MoveNext();
    QCOMPARE(all.text(QStringLiteral("SaveFileName")), QStringLiteral("new.s"));
    // A set that is no single table cannot be written back.
    QVERIFY_THROWS_EXCEPTION(DbError, all.AddNew());
}

void TestRecordset::changesComeBackClosed()
{
    TestFolder tf;
    tf.createCatalogue();
    insert(QStringLiteral("a"), QStringLiteral("f"), 3);
    Recordset up = CurrentDb().OpenRecordset(QStringLiteral("update  tblAttachment set FolderName='g'"));
    QCOMPARE(up.state(), int(Recordset::adStateClosed));
    Recordset del = CurrentDb().OpenRecordset(QStringLiteral("Delete * From tblAttachment Where SaveFileName='a.s'"));
    QCOMPARE(del.state(), int(Recordset::adStateClosed));
    QCOMPARE(CurrentDb().OpenRecordset(QStringLiteral("Select * from tblAttachment")).RecordCount(), 0);
}

void TestRecordset::jetFeatures()
{
    TestFolder tf;
    tf.createCatalogue();
    insert(QStringLiteral("jan.txt"), QStringLiteral("2010"), 2, QStringLiteral("'2010-01-31 23:59:59'"));
    insert(QStringLiteral("feb.txt"), QStringLiteral("2010"), 2, QStringLiteral("'2010-02-01 00:00:00'"));
    insert(QStringLiteral("pic.jpg"), QStringLiteral("旅行"), 3, QStringLiteral("NULL"));
    auto count = [](const QString &sql) { return CurrentDb().OpenRecordset(sql).RecordCount(); };
    QCOMPARE(count(QStringLiteral("Select * From tblAttachment   where   [Date]  between #2010-1-1 0:0:0# and "
                                  "#2010-1-31 23:59:59#")),
             1);
    QCOMPARE(count(QStringLiteral("Select * From tblAttachment Where  FileName Like '%txt%'")), 2);
    // Like follows letter case, as "=" and GROUP BY do, on every engine.
    QCOMPARE(count(QStringLiteral("Select * From tblAttachment Where  FileName Like '%TXT%'")), 0);
    QCOMPARE(count(QStringLiteral("Select * From tblAttachment Where 1=1 And tblFileKind=2")), 2);
    QCOMPARE(count(QStringLiteral("Select  FolderName, tblFileKind From tblAttachment GROUP BY FolderName, "
                                  "tblFileKind HAVING  tblFileKind=2")),
             1);
    // A quoted number into the integer column is stored as a number.
    CurrentDb().OpenRecordset(QStringLiteral("Update [tblAttachment] set [tblFileKind]='5'  where  FileName='pic.jpg'"));
    QCOMPARE(count(QStringLiteral("Select * From tblAttachment Where tblFileKind=5")), 1);
}

void TestRecordset::engineErrorNamesStatement()
{
    TestFolder tf;
    tf.createCatalogue();
    const QString bad = QStringLiteral("Select * From tblAttachment Where FileName='O'Brien.jpg'");
    try {
        CurrentDb().OpenRecordset(bad);
        QFAIL("no error");
    } catch (const DbError &e) {
        QVERIFY(e.message().contains(bad));
    }
    // The connection stays usable.
    QCOMPARE(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment")).RecordCount(), 0);
}

void TestRecordset::notACatalogue()
{
    SKIP_ON_SERVER();
    TestFolder tf;
    tf.write(QStringLiteral("Data.mdb"), QByteArray("this is no database at all, just text"));
    try {
        CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment"));
        QFAIL("no error");
    } catch (const DbError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("Data.mdb")), qPrintable(e.message()));
    }
    QCOMPARE(clsCurrentDb::instance().state(), clsCurrentDb::Closed);
}

void TestRecordset::quotedValuesRoundTrip()
{
    TestFolder tf;
    tf.createCatalogue();
    const QStringList names = {QStringLiteral("O'Brien.jpg"), QStringLiteral("a;b.txt"), QStringLiteral("50%_off.png"),
                               QStringLiteral("#1#.doc"), QStringLiteral("''")};
    for (const QString &n : names)
        insert(n, QStringLiteral("f"), 2);
    for (const QString &n : names) {
        Recordset rs = CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment Where FileName='") +
                                                 SqlQuote(n) + QStringLiteral("'"));
        QCOMPARE(rs.RecordCount(), 1);
        QCOMPARE(rs.text(QStringLiteral("FileName")), n);
    }
}

QTEST_MAIN(TestRecordset)
#include "test_recordset.moc"
