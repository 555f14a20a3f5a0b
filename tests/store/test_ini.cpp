#include "CatalogueTest.h"
#include "store/DbError.h"
#include "store/IniFile.h"
#include "store/SystemErrorText.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

class TestIni : public QObject {
    Q_OBJECT
private slots:
    // Keys match whatever their case and blanks, values come back whole, and other lines stay.
    void valuesAndOtherLines()
    {
        TestFolder tf;
        QCOMPARE(ReadIni(QStringLiteral("txtText")), QString()); // no file yet
        WriteIni(QStringLiteral("txtImage "), QStringLiteral("*.bmp"));
        QCOMPARE(ReadIni(QStringLiteral("  TXTIMAGE")), QStringLiteral("*.bmp"));
        WriteIni(QStringLiteral("TxtImage"), QStringLiteral("*.png"));
        QCOMPARE(ReadIni(QStringLiteral("txtImage")), QStringLiteral("*.png"));
        QCOMPARE(Corpus::read(tf.file(QStringLiteral("UserDefault.ini"))).count("=*."), 1); // replaced in place
        QCOMPARE(ReadIni(QStringLiteral("txtImag")), QString());
        const QString longPath =
            QStringLiteral("/网络/共享/") + QString(200, QLatin1Char('x')) + QStringLiteral("/Data.mdb");
        WriteIni(QStringLiteral("DataBaseFilePath"), longPath);
        QCOMPARE(ReadIni(QStringLiteral("DataBaseFilePath")), longPath);
        // Binary junk before the section and a 500000 character value break nothing.
        tf.write(QStringLiteral("UserDefault.ini"),
                 Corpus::contents(7919, 0) + "\n[UserDefault]\ntxtText=" + QByteArray(500000, 'a') + "\n");
        QCOMPARE(ReadIni(QStringLiteral("txtText")).size(), 500000);
        WriteIni(QStringLiteral("txtSound"), QStringLiteral("*.mp3"));
        QCOMPARE(ReadIni(QStringLiteral("txtSound")), QStringLiteral("*.mp3"));
        tf.write(QStringLiteral("UserDefault.ini"),
                 "; note\r\n[Other]\r\ntxtText=other section\r\n\r\n[userdefault]\r\n  txtText = *.txt \r\nkeep=1\r\n\r\n"
                 "[Last]\r\nz=9\r\n");
        QCOMPARE(ReadIni(QStringLiteral("txtText")), QStringLiteral("*.txt"));
        WriteIni(QStringLiteral("txtImage"), QStringLiteral("*.gif"));
        WriteIni(QStringLiteral("txtText"), QStringLiteral("*.log"));
        // The new key lands at the end of its own section; every other line stays as it was.
        QCOMPARE(Corpus::read(tf.file(QStringLiteral("UserDefault.ini"))),
                 "; note\r\n[Other]\r\ntxtText=other section\r\n\r\n[userdefault]\r\ntxtText=*.log\r\nkeep=1\r\n"
                 "txtImage=*.gif\r\n\r\n[Last]\r\nz=9\r\n");
    }

    void unreadableFileIsNeverRewritten_data()
    {
        QTest::addColumn<bool>("pipe");
        QTest::newRow("a pipe in its place") << true;
        QTest::newRow("no read permission") << false;
    }

    // A file that cannot be read is not empty: writing one key would replace all it holds.
    void unreadableFileIsNeverRewritten()
    {
        QFETCH(bool, pipe);
        TestFolder tf;
        const QString path = tf.file(QStringLiteral("UserDefault.ini"));
        if (pipe) {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        } else {
            if (::geteuid() == 0)
                QSKIP("root reads every file");
            tf.write(QStringLiteral("UserDefault.ini"), "[UserDefault]\r\nDataBaseFilePath=/share/Data.mdb\r\n");
            QFile::setPermissions(path, QFile::WriteOwner);
        }
        QCOMPARE(ReadIni(QStringLiteral("txtText")), QString()); // and no wait on the pipe
        QVERIFY_THROWS_EXCEPTION(AppError, WriteIni(QStringLiteral("txtText"), QStringLiteral("*.txt")));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        if (pipe)
            QVERIFY(QFileInfo(path).isSymLink() || !QFileInfo(path).isFile());
        else
            QVERIFY(Corpus::read(path).contains("DataBaseFilePath=/share/Data.mdb"));
    }

    void systemTextsInChinese_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("errno") << SystemErrorText::describe(EACCES) << QStringLiteral("没有访问权限 (Permission denied)");
        QTest::newRow("inside a message") << QStringLiteral("无法读取源文件 /a: No such file or directory")
                                          << QStringLiteral(
                                                 "无法读取源文件 /a: 文件或文件夹不存在 (No such file or directory)");
        QTest::newRow("engine") << QStringLiteral("database is locked Unable to fetch row")
                                << QStringLiteral(
                                       "数据库正被另一个程序使用(已锁定) (database is locked) Unable to fetch row");
        QTest::newRow("described once") << QStringLiteral("磁盘空间不足 (No space left on device)")
                                        << QStringLiteral("磁盘空间不足 (No space left on device)");
        // An engine error names the statement only when one failed, and the file when one is named.
        const QString db = QStringLiteral("/d/Data.mdb");
        QTest::newRow("failed statement")
            << DbError::inDatabase(QStringLiteral("disk I/O error"), db, QStringLiteral("Select 1")).message()
            << QStringLiteral("数据库错误: 磁盘读写错误 (disk I/O error) (数据库 /d/Data.mdb)\n语句: Select 1");
        QTest::newRow("not reached") << DbError(QStringLiteral("数据库未打开")).message()
                                     << QStringLiteral("数据库错误: 数据库未打开");
        QTest::newRow("not opened")
            << DbError::inDatabase(QStringLiteral("unable to open database file"), db, QString()).message()
            << QStringLiteral("数据库错误: 无法打开数据库文件 (unable to open database file) (数据库 /d/Data.mdb)");
    }

    void systemTextsInChinese()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(SystemErrorText::explain(message), shown);
    }

    void readOnlyProgramFolderUsesUserFolders()
    {
        TestFolder tf;
        ScriptedDialogs d;
        SetAppPathOverride(QStringLiteral("/proc/self")); // cannot be written, not even by root
        WriteIni(QStringLiteral("txtText"), QStringLiteral("*.md"));
        QVERIFY(QFile::exists(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
                              QStringLiteral("/UserDefault.ini")));
        // A personal catalogue is made and used without asking anyone.
        QCOMPARE(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment")).RecordCount(), 0);
        QCOMPARE(AttachmentPath(),
                 QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/Attachment/"));
        QVERIFY(d.asked.isEmpty());
        clsCurrentDb::release();
        // A folder that can be written stays portable: everything beside the program.
        SetAppPathOverride(tf.path());
        WriteIni(QStringLiteral("txtText"), QStringLiteral("*.txt"));
        QVERIFY(QFile::exists(tf.file(QStringLiteral("UserDefault.ini"))));
        // A file that cannot be written at all is reported, why in Chinese first.
        IniFile ini(tf.file(QStringLiteral("no/such/folder/UserDefault.ini")));
        ReportErrors([&ini] { ini.write(QStringLiteral("a"), QStringLiteral("b")); });
        QVERIFY2(d.messages().value(0).contains(QStringLiteral("文件或文件夹不存在 (No such file or directory)")),
                 qPrintable(d.messages().value(0)));
    }
};

QTEST_GUILESS_MAIN(TestIni)
#include "test_ini.moc"
