#include "Corpus.h"
#include "TestFolder.h"
#include "app/IniFile.h"
#include "store/AppError.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>
#include <QtTest>

class TestIni : public QObject {
    Q_OBJECT
private slots:
    void missingFileReadsEmpty();
    void keysIgnoreCaseAndBlanks();
    void longAndChineseValuesComeBackWhole();
    void otherLinesKept();
    void garbageFileDoesNotBreakReading();
    void unwritableFolderReports();
    void unreadableFileIsNeverRewritten_data();
    void unreadableFileIsNeverRewritten();
};

void TestIni::missingFileReadsEmpty()
{
    TestFolder tf;
    QCOMPARE(ReadIni(QStringLiteral("txtText")), QString());
}

void TestIni::keysIgnoreCaseAndBlanks()
{
    TestFolder tf;
    WriteIni(QStringLiteral("txtImage "), QStringLiteral("*.bmp"));
    QCOMPARE(ReadIni(QStringLiteral("txtImage")), QStringLiteral("*.bmp"));
    QCOMPARE(ReadIni(QStringLiteral("  TXTIMAGE")), QStringLiteral("*.bmp"));
    WriteIni(QStringLiteral("TxtImage"), QStringLiteral("*.png"));
    QCOMPARE(ReadIni(QStringLiteral("txtImage")), QStringLiteral("*.png"));
    // Replaced in place, not added twice.
    QCOMPARE(Corpus::read(tf.file(QStringLiteral("UserDefault.ini"))).count("=*."), 1);
    QCOMPARE(ReadIni(QStringLiteral("txtImag")), QString());
}

void TestIni::longAndChineseValuesComeBackWhole()
{
    TestFolder tf;
    const QString longPath = QStringLiteral("/网络/共享/") + QString(200, QLatin1Char('x')) + QStringLiteral("/Data.mdb");
    QVERIFY(longPath.toUtf8().size() > 200);
    WriteIni(QStringLiteral("DataBaseFilePath"), longPath);
    QCOMPARE(ReadIni(QStringLiteral("DataBaseFilePath")), longPath);
    WriteIni(QStringLiteral("txtText"), QStringLiteral("*.文本;*.log"));
    QCOMPARE(ReadIni(QStringLiteral("txtText")), QStringLiteral("*.文本;*.log"));
    QCOMPARE(ReadIni(QStringLiteral("DataBaseFilePath")), longPath);
}

void TestIni::otherLinesKept()
{
    TestFolder tf;
    tf.write(QStringLiteral("UserDefault.ini"),
             "; note\r\n[Other]\r\ntxtText=other section\r\n\r\n[userdefault]\r\n  txtText = *.txt \r\nkeep=1\r\n\r\n"
             "[Last]\r\nz=9\r\n");
    QCOMPARE(ReadIni(QStringLiteral("txtText")), QStringLiteral("*.txt"));
    WriteIni(QStringLiteral("txtImage"), QStringLiteral("*.gif"));
    WriteIni(QStringLiteral("txtText"), QStringLiteral("*.log"));
    const QByteArray after = Corpus::read(tf.file(QStringLiteral("UserDefault.ini")));
    QVERIFY(after.contains("; note"));
    QVERIFY(after.contains("txtText=other section"));
    QVERIFY(after.contains("keep=1"));
    QVERIFY(after.contains("[Last]\r\nz=9"));
    // The new key lands in its own section, before the next one.
    QVERIFY(after.indexOf("txtImage=*.gif") < after.indexOf("[Last]"));
    QVERIFY(after.indexOf("txtImage=*.gif") > after.indexOf("[userdefault]"));
    QCOMPARE(ReadIni(QStringLiteral("txtImage")), QStringLiteral("*.gif"));
    QCOMPARE(ReadIni(QStringLiteral("txtText")), QStringLiteral("*.log"));
}

void TestIni::garbageFileDoesNotBreakReading()
{
    TestFolder tf;
    QByteArray junk(100000, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char((i * 7919) % 256);
    tf.write(QStringLiteral("UserDefault.ini"), junk + "\n[UserDefault]\ntxtText=" + QByteArray(500000, 'a') + "\n");
    QCOMPARE(ReadIni(QStringLiteral("txtText")).size(), 500000);
    WriteIni(QStringLiteral("txtSound"), QStringLiteral("*.mp3"));
    QCOMPARE(ReadIni(QStringLiteral("txtSound")), QStringLiteral("*.mp3"));
}

void TestIni::unwritableFolderReports()
{
    TestFolder tf;
    IniFile ini(tf.file(QStringLiteral("no/such/folder/UserDefault.ini")));
    QVERIFY_THROWS_EXCEPTION(AppError, ini.write(QStringLiteral("a"), QStringLiteral("b")));
}

void TestIni::unreadableFileIsNeverRewritten_data()
{
    QTest::addColumn<bool>("pipe");
    QTest::newRow("a pipe in its place") << true;
    QTest::newRow("no read permission") << false;
}

// A file that cannot be read is not empty: writing one key would replace all it holds.
void TestIni::unreadableFileIsNeverRewritten()
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
    const IniFile ini(path);
    QVERIFY(ini.unreadable());
    QCOMPARE(ReadIni(QStringLiteral("txtText")), QString()); // and no wait on the pipe
    QVERIFY_THROWS_EXCEPTION(AppError, WriteIni(QStringLiteral("txtText"), QStringLiteral("*.txt")));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    if (pipe)
        QVERIFY(QFileInfo(path).isSymLink() || !QFileInfo(path).isFile());
    else
        QVERIFY(Corpus::read(path).contains("DataBaseFilePath=/share/Data.mdb"));
}

QTEST_GUILESS_MAIN(TestIni)
#include "test_ini.moc"
