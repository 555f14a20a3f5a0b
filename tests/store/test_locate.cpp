#include "CatalogueTest.h"
#include "app/IniFile.h"
#include "store/CatalogueSchema.h"
#include "store/DbError.h"
#include "store/ProcessExit.h"

class TestLocate : public QObject {
    Q_OBJECT
private slots:
    void promptLoop();
    void besideProgramWins();
    void pathHelpers();
};

// Asked until a catalogue is named, blanks trimmed; a server is tried first and its fault
// told; a blank answer ends the program. A second request while the first is asking is
// refused. The answer serves the next start.
void TestLocate::promptLoop()
{
    TestFolder tf;
    ScriptedDialogs d;
    QTemporaryDir share;
    const QString db = share.path() + "/目录/Data.mdb";
    QDir().mkpath(share.path() + "/目录");
    CatalogueSchema::create(db);
    WriteIni("DataBaseFilePath", "/no/such/Data.mdb");
    int refused = 0;
    d.duringPrompt = [&] {
        try {
            CurrentDb().OpenRecordset("Select * From tblAttachment");
        } catch (const DbError &) {
            ++refused;
        }
    };
    d.answerPrompt("  /typed/wrong.mdb ");
    d.answerPrompt("postgresql://localhost:1/none");
    d.answerPrompt("   ");
    QVERIFY_THROWS_EXCEPTION(ProcessExit, CurrentDb());
    QCOMPARE(d.exits, 1);
    QCOMPARE(ReadIni("DataBaseFilePath"), QStringLiteral("/no/such/Data.mdb"));

    clsCurrentDb::release();
    const int made = clsCurrentDb::creationCount();
    d.answerPrompt("  " + db + "  ");
    QCOMPARE(CurrentDb().OpenRecordset("Select * From tblAttachment").RecordCount(), 0);
    QCOMPARE(clsCurrentDb::creationCount(), made + 1);
    QCOMPARE(refused, 4);
    QCOMPARE(d.asked.size(), 5);
    QVERIFY2(d.asked[2].text.contains("localhost"), qPrintable(d.asked[2].text));
    QCOMPARE(d.asked[0].text + d.asked[0].title, QStringLiteral("程序同一目录下没有对应数据库,请输入数据位置!文件系统-"));
    QCOMPARE(d.asked[0].defaultAnswer, QDir::toNativeSeparators(DefaultNetworkDataBasePath()));
    QCOMPARE(d.asked[1].defaultAnswer, QDir::toNativeSeparators("/typed/wrong.mdb"));
    QCOMPARE(AttachmentPath(), share.path() + "/目录/Attachment/");
    QCOMPARE(ReadIni("DataBaseFilePath"), QDir::toNativeSeparators(db));
    ScriptedDialogs again;
    QCOMPARE(LocateDataBase(), db);
    QVERIFY(again.asked.isEmpty());

    // A configuration file that cannot be written: the answer serves this run, and that is said
    // once. A bare name is found in the working folder, the attachment folder beside it.
    WriteIni("DataBaseFilePath", "/no/such/Data.mdb");
    if (QProcess::execute("chattr", {"+i", tf.file("UserDefault.ini")}) != 0)
        QSKIP("chattr +i is not available here");
    const QString old = QDir::currentPath();
    QDir::setCurrent(share.path() + "/目录");
    again.answerPrompt("Data.mdb");
    const QStringList found = {LocateDataBase(), LocateDataBase(), AttachmentPath()};
    QDir::setCurrent(old);
    QProcess::execute("chattr", {"-i", tf.file("UserDefault.ini")});
    QCOMPARE(found, QStringList({"Data.mdb", "Data.mdb", "Attachment/"}));
    QCOMPARE(again.asked.size(), 2); // one prompt, one message
    QVERIFY(again.messages().first().contains("无法保存"));
}

// Beside the program, a catalogue wins and the configuration is neither read nor written. A
// file in the way of its attachment folder is an error the shared object keeps for its first statement.
void TestLocate::besideProgramWins()
{
    TestFolder tf;
    ScriptedDialogs d;
    tf.createCatalogue();
    tf.write("Attachment", "x");
    QVERIFY_THROWS_EXCEPTION(AppError, LocateDataBase());
    try {
        CurrentDb().OpenRecordset("Select * From tblAttachment");
        QFAIL("no error");
    } catch (const DbError &e) {
        QVERIFY2(e.message().contains(tf.file("Attachment")), qPrintable(e.message()));
    }
    QVERIFY(QFile::remove(tf.file("Attachment")));
    QCOMPARE(LocateDataBase(), tf.file("Data.mdb"));
    QCOMPARE(AttachmentPath(), tf.file("Attachment/"));
    QVERIFY(QFileInfo(AttachmentPath()).isDir());
    QVERIFY(!QFileInfo::exists(tf.file("UserDefault.ini")));
    QVERIFY(d.asked.isEmpty());
}

void TestLocate::pathHelpers()
{
    for (const auto &[path, parent] : {std::pair("/pics/a.jpg", "/pics"), {"D:/a.jpg", "D:"}, {"a.jpg", ""}, {"", ""}})
        QCOMPARE(GetParentPath(path), QString(parent));
    SetAppPathOverride("/");
    QCOMPARE(AppPath(), QStringLiteral("/"));
    SetAppPathOverride(QString());
    QCOMPARE(AppPath(), QCoreApplication::applicationDirPath() + '/');
}

QTEST_MAIN(TestLocate)
#include "test_locate.moc"
