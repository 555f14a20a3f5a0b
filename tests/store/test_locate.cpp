#include "ScriptedDialogs.h"
#include "TestFolder.h"
#include "app/IniFile.h"
#include "store/CatalogueSchema.h"
#include "store/DatabaseLocator.h"
#include "store/DbError.h"
#include "store/ProcessExit.h"
#include "store/Services.h"
#include "store/clsCurrentDb.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

class TestLocate : public QObject {
    Q_OBJECT
private slots:
    void besideProgramWins();
    void configuredPath();
    void promptLoop();
    void emptyAnswerEndsProgram();
    void configuredPathWithoutSeparator();
    void attachmentParentMissing();
    void secondRequestWhileOpening();
    void pathHelpers();
    void typedPathThatCannotBeRemembered();
};

void TestLocate::besideProgramWins()
{
    TestFolder tf;
    ScriptedDialogs d;
    tf.createCatalogue();
    QTemporaryDir other;
    const QString elsewhere = other.path() + QStringLiteral("/Data.mdb");
    CatalogueSchema::create(elsewhere);
    QCOMPARE(LocateDataBase(), tf.file(QStringLiteral("Data.mdb")));
    QCOMPARE(AttachmentPath(), tf.file(QStringLiteral("Attachment/")));
    QVERIFY(QFileInfo(AttachmentPath()).isDir());
    QVERIFY(!QFileInfo::exists(tf.file(QStringLiteral("UserDefault.ini")))); // neither read nor written
    QVERIFY(d.asked.isEmpty());
}

void TestLocate::configuredPath()
{
    TestFolder tf;
    ScriptedDialogs d;
    QTemporaryDir share;
    const QString db = share.path() + QStringLiteral("/目录/Data.mdb");
    QDir().mkpath(share.path() + QStringLiteral("/目录"));
    CatalogueSchema::create(db);
    WriteIni(QStringLiteral("DataBaseFilePath"), QDir::toNativeSeparators(db));
    const QByteArray before = [&] {
        QFile f(tf.file(QStringLiteral("UserDefault.ini")));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    QCOMPARE(LocateDataBase(), db);
    QCOMPARE(AttachmentPath(), share.path() + QStringLiteral("/目录/Attachment/"));
    QVERIFY(QFileInfo(AttachmentPath()).isDir());
    QFile f(tf.file(QStringLiteral("UserDefault.ini")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    QVERIFY(d.asked.isEmpty());
}

void TestLocate::promptLoop()
{
    TestFolder tf;
    ScriptedDialogs d;
    QTemporaryDir share;
    const QString db = share.path() + QStringLiteral("/Data.mdb");
    CatalogueSchema::create(db);
    WriteIni(QStringLiteral("DataBaseFilePath"), QStringLiteral("/no/such/Data.mdb"));
    d.answerPrompt(QStringLiteral("  /typed/wrong.mdb "));
    d.answerPrompt(QStringLiteral("  ") + db + QStringLiteral("  "));
    QCOMPARE(LocateDataBase(), db);
    QCOMPARE(d.asked.size(), 2);
    QCOMPARE(d.asked[0].text, QStringLiteral("程序同一目录下没有对应数据库,请输入数据位置!"));
    QCOMPARE(d.asked[0].title, QStringLiteral("文件系统-"));
    QCOMPARE(d.asked[0].defaultAnswer, QDir::toNativeSeparators(DefaultNetworkDataBasePath()));
    QCOMPARE(d.asked[1].defaultAnswer, QDir::toNativeSeparators(QStringLiteral("/typed/wrong.mdb")));
    QCOMPARE(ReadIni(QStringLiteral("DataBaseFilePath")), QDir::toNativeSeparators(db));
    QCOMPARE(AttachmentPath(), share.path() + QStringLiteral("/Attachment/"));

    // The next start uses the stored path without asking.
    ScriptedDialogs again;
    QCOMPARE(LocateDataBase(), db);
    QVERIFY(again.asked.isEmpty());
}

void TestLocate::emptyAnswerEndsProgram()
{
    TestFolder tf;
    ScriptedDialogs d;
    d.answerPrompt(QStringLiteral("/typed/wrong.mdb"));
    d.answerPrompt(QStringLiteral("   "));
    QVERIFY_THROWS_EXCEPTION(ProcessExit, LocateDataBase());
    QCOMPARE(d.exits, 1);
    QVERIFY(ReadIni(QStringLiteral("DataBaseFilePath")).isEmpty());

    // Through the shared object as well: the first statement ends the program.
    ScriptedDialogs again;
    again.answerPrompt(QString());
    QVERIFY_THROWS_EXCEPTION(ProcessExit, CurrentDb());
    QCOMPARE(again.exits, 1);
}

void TestLocate::configuredPathWithoutSeparator()
{
    TestFolder tf;
    ScriptedDialogs d;
    QTemporaryDir cwd;
    const QString old = QDir::currentPath();
    QDir::setCurrent(cwd.path());
    CatalogueSchema::create(cwd.path() + QStringLiteral("/cat.mdb"));
    WriteIni(QStringLiteral("DataBaseFilePath"), QStringLiteral("cat.mdb"));
    QCOMPARE(LocateDataBase(), QStringLiteral("cat.mdb"));
    QCOMPARE(AttachmentPath(), QStringLiteral("Attachment/"));
    QVERIFY(QFileInfo(cwd.path() + QStringLiteral("/Attachment")).isDir());
    QDir::setCurrent(old);
}

void TestLocate::attachmentParentMissing()
{
    TestFolder tf;
    ScriptedDialogs d;
    tf.createCatalogue();
    // A file where the attachment folder should be: the folder cannot be made.
    tf.write(QStringLiteral("Attachment"), "x");
    QVERIFY_THROWS_EXCEPTION(AppError, LocateDataBase());
    // Creating the shared object swallows it; the first statement reports it.
    try {
        CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment"));
        QFAIL("no error");
    } catch (const DbError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("Attachment")), qPrintable(e.message()));
    }
}

void TestLocate::secondRequestWhileOpening()
{
    TestFolder tf;
    ScriptedDialogs d;
    QTemporaryDir share;
    CatalogueSchema::create(share.path() + QStringLiteral("/Data.mdb"));
    const int before = clsCurrentDb::creationCount();
    bool refused = false;
    d.duringPrompt = [&] {
        try {
            CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment"));
        } catch (const DbError &) {
            refused = true;
        }
    };
    d.answerPrompt(share.path() + QStringLiteral("/Data.mdb"));
    QCOMPARE(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment")).RecordCount(), 0);
    QVERIFY(refused);
    QCOMPARE(clsCurrentDb::creationCount(), before + 1);
}

void TestLocate::pathHelpers()
{
    QCOMPARE(GetParentPath(QStringLiteral("/pics/a.jpg")), QStringLiteral("/pics"));
    QCOMPARE(GetParentPath(QStringLiteral("D:/a.jpg")), QStringLiteral("D:"));
    QCOMPARE(GetParentPath(QStringLiteral("a.jpg")), QString());
    QCOMPARE(GetParentPath(QString()), QString());
    SetAppPathOverride(QStringLiteral("/"));
    QCOMPARE(AppPath(), QStringLiteral("/"));
    SetAppPathOverride(QStringLiteral("/opt/mc"));
    QCOMPARE(AppPath(), QStringLiteral("/opt/mc/"));
    SetAppPathOverride(QString());
    QVERIFY(AppPath().endsWith(QLatin1Char('/')) && !AppPath().endsWith(QStringLiteral("//")));
}

// A configuration file that cannot be written cannot remember the answer: it is used for
// this run, and that is said once.
void TestLocate::typedPathThatCannotBeRemembered()
{
    TestFolder tf;
    ScriptedDialogs d;
    QTemporaryDir share;
    const QString db = share.path() + QStringLiteral("/Data.mdb");
    CatalogueSchema::create(db);
    const QString ini = tf.write(QStringLiteral("UserDefault.ini"), "[UserDefault]\r\ntxtText=*.txt\r\n");
    if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), ini}) != 0)
        QSKIP("chattr +i is not available here");
    d.answerPrompt(db);
    const QString first = LocateDataBase();
    const QString second = LocateDataBase();
    QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), ini});
    QCOMPARE(first, db);
    QCOMPARE(second, db);
    QCOMPARE(d.asked.size(), 2); // one prompt, one message
    QVERIFY(d.messages().first().contains(QStringLiteral("无法保存")));
}

QTEST_MAIN(TestLocate)
#include "test_locate.moc"
