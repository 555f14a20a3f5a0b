#include "Corpus.h"
#include "ScriptedDialogs.h"
#include "TestFolder.h"
#include "app/mdiFrm.h"
#include "browse/RecordList.h"
#include "browse/frmBrowse.h"
#include "browse/frmFind.h"
#include "app/SharedState.h"
#include "import/ImportEngine.h"
#include "import/frmtblAttachmentEdit.h"
#include "store/AppError.h"
#include "store/DatabaseLocator.h"
#include "store/DbError.h"
#include "store/clsCurrentDb.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

class TestBadInput : public QObject {
    Q_OBJECT
private slots:
    void awkwardNamesEndToEnd();
    void notACatalogue_data();
    void notACatalogue();
    void readOnlyDatabase();
    void lockedDatabase();
    void vanishedAttachmentFolder();
    void databaseRemovedWhileRunning();
    void garbageConfiguration();
};

namespace {
const QString kCategory = QStringLiteral("it's 50%_[x] #1;");

QStringList awkwardNames()
{
    return {QStringLiteral("O'Brien's.jpg"),   QStringLiteral("100%_done.jpg"),      QStringLiteral("a;b;c.jpg"),
            QStringLiteral("star*.jpg"),       QStringLiteral("#hash# 1.jpg"),       QStringLiteral("[brackets].jpg"),
            QStringLiteral("  lead and trail  .jpg"), QStringLiteral("照片 2008.jpg"), QStringLiteral("emoji😀.jpg"),
            QString(251, QLatin1Char('x')) + QStringLiteral(".jpg"), QStringLiteral("noextension"),
            QStringLiteral("several.dots.in.name.jpg"), QStringLiteral(".jpg")};
}

int rowCount()
{
    return int(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment")).RecordCount());
}

QStringList attachments()
{
    return TestFolder::storedCopies();
}
} // namespace

void TestBadInput::awkwardNamesEndToEnd()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    const QStringList names = awkwardNames();
    QCOMPARE(names[9].toUtf8().size(), 255);
    for (const QString &name : names)
        QVERIFY2(ImportEngine::ImportFile(tf.write(QStringLiteral("src/") + kCategory + QLatin1Char('/') + name,
                                                   name.toUtf8()),
                                          3),
                 qPrintable(name));
    QCOMPARE(rowCount(), names.size());

    gCaption = QStringLiteral("浏览图片");
    gKind = 3;
    frmBrowse browse;
    QCOMPARE(browse.List->count(), 2);
    QCOMPARE(browse.List->item(1)->text(), kCategory);
    browse.List->setCurrentRow(1);
    browse.List_Click();
    QCOMPARE(browse.records->model()->rowCount(), names.size());

    frmFind find;
    for (const QString &name : names) {
        find.txtContent->setText(name);
        find.cmdFind_Click();
        bool found = false;
        for (int r = 0; r < find.records->model()->rowCount(); ++r)
            found = found || find.records->model()->row(r).fileName == name;
        QVERIFY2(found, qPrintable(name));
    }
    find.ComCondition->setEditText(QStringLiteral("类别"));
    find.txtContent->setText(kCategory);
    find.cmdFind_Click();
    QCOMPARE(find.records->model()->rowCount(), names.size());

    // Edit every record, then delete it with its copy. The list comes back in the engine's
    // order after each edit, so records are found by their key.
    QStringList keys;
    for (int r = 0; r < find.records->model()->rowCount(); ++r)
        keys << find.records->model()->row(r).key;
    for (const QString &key : keys) {
        find.records->selectRow(find.records->model()->rowOf(key));
        d.onModal([](QDialog *dialog) {
            auto *editor = qobject_cast<frmtblAttachmentEdit *>(dialog);
            editor->Text1->setPlainText(editor->Text3->text() + QStringLiteral("'s note; 100%"));
            editor->cmdSave->click();
            return 1;
        });
        find.records->mnuEdit->trigger();
    }
    QCOMPARE(int(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment Where Currentinfo Like '%''s note; 100%'"))
                     .RecordCount()),
             names.size());
    while (find.records->model()->rowCount() > 0) {
        find.records->selectRow(0);
        d.answerMessage(6);
        find.records->mnuDel->trigger();
    }
    QCOMPARE(rowCount(), 0);
    QVERIFY(attachments().isEmpty());
    // Every message was a question answered or the delete report; no statement failed.
    for (const QString &m : d.messages())
        QVERIFY2(m.startsWith(QStringLiteral("您确定要删除")) || m == QStringLiteral("删除成功!"), qPrintable(m));
    QVERIFY(d.allAnswered());
}

void TestBadInput::notACatalogue_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QByteArray noise(4096, Qt::Uninitialized);
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919 + 13) % 251);
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("random bytes") << noise;
    QTest::newRow("another engine's file")
        << QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(2048, '\x5a');
    QTest::newRow("sqlite without the table") << QByteArray("sqlite");
}

void TestBadInput::notACatalogue()
{
    SKIP_ON_SERVER();
    QFETCH(QByteArray, bytes);
    TestFolder tf;
    ScriptedDialogs d;
    const QString path = tf.file(QStringLiteral("Data.mdb"));
    if (bytes == "sqlite") {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery(db).exec(QStringLiteral("CREATE TABLE notes (a TEXT)"));
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
    } else {
        tf.write(QStringLiteral("Data.mdb"), bytes);
    }
    const QByteArray before = Corpus::read(path);
    try {
        CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment"));
        QFAIL("no error");
    } catch (const DbError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("Data.mdb")), qPrintable(e.message()));
    }
    // Through a window: reported, and the window stays usable.
    gKind = 3;
    frmBrowse browse;
    QCOMPARE(d.messages().size(), 1);
    QCOMPARE(browse.List->count(), 1);
    const QString src = tf.write(QStringLiteral("src/f/a.jpg"), "x");
    QVERIFY_THROWS_EXCEPTION(AppError, ImportEngine::ImportFile(src, 3));
    QVERIFY(attachments().isEmpty());
    QCOMPARE(Corpus::read(path), before); // nothing stored is changed
}

void TestBadInput::readOnlyDatabase()
{
    SKIP_ON_SERVER();
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    QVERIFY(ImportEngine::ImportFile(tf.write(QStringLiteral("src/f/a.jpg"), "a"), 3));
    clsCurrentDb::release();
    const QString path = tf.file(QStringLiteral("Data.mdb"));
    // Even root cannot write an immutable file.
    if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) != 0)
        QSKIP("chattr +i is not available here");
    const QByteArray before = Corpus::read(path);
    try {
        ImportEngine::ImportFile(tf.write(QStringLiteral("src/f/b.jpg"), "b"), 3);
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path});
        QFAIL("no error");
    } catch (const AppError &e) {
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path});
        QVERIFY2(e.message().contains(QStringLiteral("Data.mdb")), qPrintable(e.message()));
    }
    QCOMPARE(Corpus::read(path), before);
    QCOMPARE(attachments().size(), 1);
    QCOMPARE(rowCount(), 1);
}

void TestBadInput::lockedDatabase()
{
    SKIP_ON_SERVER();
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    clsCurrentDb::setBusyTimeoutMs(300);
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
        other.setDatabaseName(tf.file(QStringLiteral("Data.mdb")));
        QVERIFY(other.open());
        QSqlQuery(other).exec(QStringLiteral("BEGIN EXCLUSIVE"));
        QElapsedTimer waited;
        waited.start();
        try {
            ImportEngine::ImportFile(tf.write(QStringLiteral("src/f/a.jpg"), "a"), 3);
            QFAIL("no error");
        } catch (const AppError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("locked")), qPrintable(e.message()));
        }
        QVERIFY(waited.elapsed() >= 250); // it waited for the lock first
        QVERIFY(attachments().isEmpty());
        QSqlQuery(other).exec(QStringLiteral("ROLLBACK"));
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("holder"));
    QVERIFY(ImportEngine::ImportFile(tf.file(QStringLiteral("src/f/a.jpg")), 3));
    clsCurrentDb::setBusyTimeoutMs(10000);
}

void TestBadInput::vanishedAttachmentFolder()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    CurrentDb();
    QVERIFY(QDir(AttachmentPath()).removeRecursively());
    try {
        ImportEngine::ImportFile(tf.write(QStringLiteral("src/f/a.jpg"), "a"), 3);
        QFAIL("no error");
    } catch (const AppError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("Attachment")), qPrintable(e.message()));
    }
    QCOMPARE(rowCount(), 0);
}

void TestBadInput::databaseRemovedWhileRunning()
{
    SKIP_ON_SERVER();
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    QVERIFY(ImportEngine::ImportFile(tf.write(QStringLiteral("src/f/a.jpg"), "a"), 3));
    QVERIFY(QFile::remove(tf.file(QStringLiteral("Data.mdb"))));
    // Writes must not vanish into the removed file.
    QVERIFY_THROWS_EXCEPTION(AppError, ImportEngine::ImportFile(tf.write(QStringLiteral("src/f/b.jpg"), "b"), 3));
    QCOMPARE(attachments().size(), 1);
    try {
        CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment"));
        QFAIL("no error");
    } catch (const DbError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("Data.mdb")), qPrintable(e.message()));
    }
    // A file put in its place is not written either until the program opens it anew.
    tf.createCatalogue();
    QVERIFY_THROWS_EXCEPTION(DbError, CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment")));
    clsCurrentDb::release();
    QCOMPARE(rowCount(), 0);
}

void TestBadInput::garbageConfiguration()
{
    TestFolder tf;
    ScriptedDialogs d;
    QByteArray junk(20000, Qt::Uninitialized);
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char((i * 31 + 7) % 256);
    tf.write(QStringLiteral("UserDefault.ini"), junk + "\n" + QByteArray(300000, '=') + "\n");
    mdiFrm w;
    w.mnu_AddImage->trigger();
    QVERIFY(gFilter.startsWith(QStringLiteral("*.bmp;*.ico;*.gif;*.jpg;*.png;"))); // seeded, the junk kept aside
    QVERIFY(d.messages().isEmpty());
}

QTEST_MAIN(TestBadInput)
#include "test_bad_input.moc"
