#include "store/JetDialect.h"
#include "store/SqlQuote.h"

#include <QtTest>

class TestDialect : public QObject {
    Q_OBJECT
private slots:
    void translations_data();
    void translations();
    void quoting();
};

void TestDialect::translations_data()
{
    QTest::addColumn<QString>("jet");
    QTest::addColumn<QString>("sqlite");
    QTest::newRow("date range with times")
        << "Select * From tblAttachment   where   [Date]  between #2010-1-1 0:0:0# and #2010-1-31 23:59:59#"
        << "Select * From tblAttachment   where   [Date]  between '2010-01-01 00:00:00' and '2010-01-31 23:59:59'";
    QTest::newRow("date without time") << "x = #2009/12/3#" << "x = '2009-12-03 00:00:00'";
    QTest::newRow("us date") << "x = #12/3/2009 8:05#" << "x = '2009-12-03 08:05:00'";
    QTest::newRow("hash that is no date kept") << "x = #abc#" << "x = #abc#";
    QTest::newRow("delete star") << "Delete * From tblAttachment Where SaveFileName='1.jpg'"
                                 << "Delete From tblAttachment Where SaveFileName='1.jpg'";
    QTest::newRow("delete star any case") << "delete  *  from t" << "Delete From t";
    QTest::newRow("semicolons outside literals go")
        << "  update t set a='x;y' where b=1;  " << "update t set a='x;y' where b=1";
    QTest::newRow("hash and star in literals kept")
        << "Select * from t where FileName='#2010-1-1# delete * from'"
        << "Select * from t where FileName='#2010-1-1# delete * from'";
    QTest::newRow("doubled quote stays inside literal")
        << "select * from t where a='O''Brien;#1/1/2010#' and b=#2010-2-3#"
        << "select * from t where a='O''Brien;#1/1/2010#' and b='2010-02-03 00:00:00'";
    QTest::newRow("brackets and blanks kept")
        << "Update [tblAttachment] set [Currentinfo]='a' ,[tblFileKind]='3'  where  SaveFileName='x'"
        << "Update [tblAttachment] set [Currentinfo]='a' ,[tblFileKind]='3'  where  SaveFileName='x'";
    QTest::newRow("unterminated literal copied") << "select 'abc;" << "select 'abc;";
    QTest::newRow("invalid date kept") << "x=#2010-2-30#" << "x=#2010-2-30#";
    QTest::newRow("semicolon inside a date") << "x=#3/1/20;10#" << "x='2010-03-01 00:00:00'";
}

void TestDialect::translations()
{
    QFETCH(QString, jet);
    QFETCH(QString, sqlite);
    QCOMPARE(JetDialect::translate(jet), sqlite);
}

void TestDialect::quoting()
{
    QCOMPARE(SqlQuote(QStringLiteral("O'Brien.jpg")), QStringLiteral("O''Brien.jpg"));
    QCOMPARE(SqlQuote(QStringLiteral("''")), QStringLiteral("''''"));
    QCOMPARE(SqlQuote(QStringLiteral("照片 %_;")), QStringLiteral("照片 %_;"));
}

QTEST_GUILESS_MAIN(TestDialect)
#include "test_dialect.moc"
