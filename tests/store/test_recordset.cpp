#include "CatalogueTest.h"
#include "store/DbError.h"
#include "store/JetDialect.h"

class TestRecordset : public QObject {
    Q_OBJECT
private slots:
    void translations_data();
    void translations();
    void quoting() { QCOMPARE(SqlQuote(QStringLiteral("O'Brien '' 照片 %_;")), QStringLiteral("O''Brien '''' 照片 %_;")); }
    void reading();
    void writing();
    void statements();
};

namespace {
void insert(const QString &file, const QString &folder, int kind, const QString &date = "'2010-01-05 10:00:00'")
{
    CurrentDb().OpenRecordset(QStringLiteral("insert into tblAttachment (Currentinfo,[Date],FileName,FolderName,"
                                             "SaveFileName,tblFileKind) values ('d',%1,'%2','%3','%2.s',%4)")
                                  .arg(date, SqlQuote(file), SqlQuote(folder))
                                  .arg(kind));
}

} // namespace

void TestRecordset::translations_data()
{
    QTest::addColumn<QString>("jet");
    QTest::addColumn<QString>("sqlite"); // empty: kept as written
    QTest::newRow("dates with times") << "#2010-1-1 0:0:0# and #2010-1-31 23:59:59#"
                                      << "'2010-01-01 00:00:00' and '2010-01-31 23:59:59'";
    QTest::newRow("date without time") << "x = #2009/12/3#"
                                       << "x = '2009-12-03 00:00:00'";
    QTest::newRow("us date") << "x = #12/3/2009 8:05#"
                             << "x = '2009-12-03 08:05:00'";
    QTest::newRow("hash that is no date kept") << "x = #abc#"
                                               << "";
    QTest::newRow("invalid date kept") << "x=#2010-2-30#"
                                       << "";
    QTest::newRow("semicolon inside a date") << "x=#3/1/20;10#"
                                             << "x='2010-03-01 00:00:00'";
    QTest::newRow("delete star") << "Delete * From t Where a='1.jpg'"
                                 << "Delete From t Where a='1.jpg'";
    QTest::newRow("delete star any case") << "delete  *  from t"
                                          << "Delete From t";
    QTest::newRow("semicolons outside literals go") << "  set a='x;y' where b=1;  "
                                                    << "set a='x;y' where b=1";
    QTest::newRow("literals kept") << "select * from t where a='#2010-1-1# delete * from' and b=\"O'Brien;\""
                                   << "";
    QTest::newRow("doubled quote") << "a='O''B;#1/1/2010#' b=#2010-2-3#"
                                   << "a='O''B;#1/1/2010#' b='2010-02-03 00:00:00'";
    QTest::newRow("brackets and blanks kept") << "Update [t] set [a]='a' ,[b]='3'  where  c='x'"
                                              << "";
    QTest::newRow("unterminated literal copied") << "select 'abc;"
                                                 << "";
}

void TestRecordset::translations()
{
    QFETCH(QString, jet);
    QFETCH(QString, sqlite);
    QCOMPARE(JetDialect::translate(jet), sqlite.isEmpty() ? jet : sqlite);
}

void TestRecordset::reading()
{
    TestFolder tf;
    tf.createCatalogue();
    // An engine error names the statement as written, and the connection stays usable.
    const QString bad = QStringLiteral("Select * From tblAttachment Where FileName='O'Brien.jpg'");
    try {
        CurrentDb().OpenRecordset(bad);
        QFAIL("no error");
    } catch (const DbError &e) {
        QVERIFY2(e.message().contains(bad), qPrintable(e.message()));
    }
    Recordset none = CurrentDb().OpenRecordset(QStringLiteral("Select * from tblAttachment"), 1, 3);
    QCOMPARE(none.state(), int(Recordset::adStateOpen));
    QVERIFY(none.isEOF() && none.isBOF());
    QCOMPARE(none.RecordCount(), 0);
    QVERIFY_THROWS_EXCEPTION(DbError, none.field(QStringLiteral("FileName")));

    for (const QString &name : {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")})
        insert(name, QStringLiteral("f"), name == QLatin1String("c") ? 2 : 3);
    Recordset rs = CurrentDb().OpenRecordset(QStringLiteral("Select * from tblAttachment where tblFileKind=3"));
    QCOMPARE(rs.RecordCount(), 2);
    QStringList names;
    for (; !rs.isEOF() && !rs.isBOF(); rs.MoveNext())
        names << rs.text(QStringLiteral("filename")); // field names match without regard to case
    QCOMPARE(names, QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    QVERIFY_THROWS_EXCEPTION(DbError, rs.MoveNext());
    rs.Close();
    QCOMPARE(rs.state(), int(Recordset::adStateClosed));
}

// A new row takes the table's own date; writing back the current row changes that row alone.
void TestRecordset::writing()
{
    TestFolder tf;
    tf.createCatalogue();
    insert(QStringLiteral("a"), QStringLiteral("f"), 3);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    Recordset rs = CurrentDb().OpenRecordset(QStringLiteral("Select * from tblAttachment Where FileName='x'"));
    rs.AddNew();
    rs.setCollect(QStringLiteral("tblFileKind"), 3);
    rs.setCollect(QStringLiteral("FileName"), QStringLiteral("照片.jpg"));
    rs.setCollect(QStringLiteral("SaveFileName"), QStringLiteral("2008.jpg"));
    rs.Update();
    QCOMPARE(rs.text(QStringLiteral("FileName")), QStringLiteral("照片.jpg"));

    Recordset back = CurrentDb().OpenRecordset("Select * from tblAttachment Where SaveFileName='2008.jpg'");
    QCOMPARE(back.RecordCount(), 1);
    QCOMPARE(back.field(QStringLiteral("tblFileKind")).toInt(), 3);
    const QDateTime stamp = QDateTime::fromString(back.text("Date"), "yyyy-MM-dd HH:mm:ss");
    QVERIFY2(stamp >= before && stamp <= QDateTime::currentDateTime().addSecs(1), qPrintable(back.text("Date")));
    back.setCollect(QStringLiteral("SaveFileName"), QStringLiteral("new.s"));
    back.Update();
    Recordset all = CurrentDb().OpenRecordset(QStringLiteral("Select FileName, SaveFileName from tblAttachment"));
    QCOMPARE(all.text(QStringLiteral("SaveFileName")), QStringLiteral("a.s"));
    all.MoveNext();
    QCOMPARE(all.text(QStringLiteral("SaveFileName")), QStringLiteral("new.s"));
    QVERIFY_THROWS_EXCEPTION(DbError, all.AddNew()); // no single table: cannot be written back
}

// Statements as the program writes them for the file engine, and values quoted into them.
void TestRecordset::statements()
{
    TestFolder tf;
    tf.createCatalogue();
    insert("jan.txt", "2010", 2, "'2010-01-31 23:59:59'");
    insert("feb.txt", "2010", 2, "'2010-02-01 00:00:00'");
    insert("pic.jpg", "旅行", 3, "NULL");
    for (const QString &n : QStringList{"O'Brien.jpg", "a;b.doc", "50%_off.png", "#1#.doc", "''"}) {
        insert(n, "f", 4, "NULL");
        Recordset rs = CurrentDb().OpenRecordset("Select * From tblAttachment Where FileName='" + SqlQuote(n) + "'");
        QCOMPARE(rs.RecordCount(), 1);
        QCOMPARE(rs.text("FileName"), n);
    }
    const auto count = [](const char *sql) { return CurrentDb().OpenRecordset(sql).RecordCount(); };
    QCOMPARE(count("Select * From tblAttachment where [Date] between #2010-1-1 0:0:0# and #2010-1-31 23:59:59#"), 1);
    QCOMPARE(count("Select * From tblAttachment Where  FileName Like '%txt%'"), 2);
    // Like follows letter case, as "=" and GROUP BY do, on every engine.
    QCOMPARE(count("Select * From tblAttachment Where  FileName Like '%TXT%'"), 0);
    QCOMPARE(count("Select * From tblAttachment Where 1=1 And tblFileKind=2"), 2);
    QCOMPARE(count("Select FolderName From tblAttachment GROUP BY FolderName, tblFileKind HAVING tblFileKind=2"), 1);
    // Changes come back closed; a quoted number into the integer column is stored as a number.
    Recordset up = CurrentDb().OpenRecordset("Update [tblAttachment] set [tblFileKind]='5'  where  FileName='pic.jpg'");
    QCOMPARE(up.state(), int(Recordset::adStateClosed));
    QCOMPARE(count("Select * From tblAttachment Where tblFileKind=5"), 1);
    Recordset del = CurrentDb().OpenRecordset("Delete * From tblAttachment Where tblFileKind=4");
    QCOMPARE(del.state(), int(Recordset::adStateClosed));
    QCOMPARE(count("Select * From tblAttachment"), 3);
}

QTEST_MAIN(TestRecordset)
#include "test_recordset.moc"
