#include "Corpus.h"
#include "ScriptedDialogs.h"
#include "TestFolder.h"
#include "app/SharedState.h"
#include "app/mdiFrm.h"
#include "browse/RecordList.h"
#include "browse/frmBrowse.h"
#include "browse/frmFind.h"
#include "import/ImportEngine.h"
#include "import/frmtblAttachmentEdit.h"
#include "store/AppError.h"
#include "store/DatabaseLocator.h"
#include "store/DbError.h"
#include "store/Services.h"
#include "store/clsCurrentDb.h"

#include <QtTest>
#include <QtWidgets>
#include <QtSql>

class TestBadInput : public QObject {
    Q_OBJECT
private slots:
    void awkwardNamesEndToEnd();
    void notACatalogue_data();
    void notACatalogue();
    void damagedWhileInUse_data();
    void damagedWhileInUse();
    void garbageConfiguration();
};

namespace {
int rowCount()
{
    return int(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment")).RecordCount());
}

// The message of the error `f` throws, or "no error".
template <class E, class F> QString errorOf(F f)
{
    try {
        f();
    } catch (const E &e) {
        return e.message();
    }
    return QStringLiteral("no error");
}

bool import(TestFolder &tf, const QString &name)
{
    return ImportEngine::ImportFile(tf.write("src/f/" + name, name.toUtf8()), 3);
}
} // namespace

// Names and a category full of quotes, wildcards, separators and odd lengths go through
// import, browse, search, edit and delete without one failed statement.
void TestBadInput::awkwardNamesEndToEnd()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    const QString category = QStringLiteral("it's 50%_[x] #1;");
    const QStringList names = {"O'Brien's.jpg", "100%_done.jpg", "a;b;c.jpg", "star*.jpg", "#hash# 1.jpg", "[brackets].jpg",
                               "  lead and trail  .jpg", "照片 2008.jpg", "emoji😀.jpg", QString(251, 'x') + ".jpg",
                               "noextension", "several.dots.in.name.jpg", ".jpg"};
    for (const QString &name : names)
        QVERIFY2(ImportEngine::ImportFile(tf.write("src/" + category + '/' + name, name.toUtf8()), 3), qPrintable(name));
    QCOMPARE(rowCount(), names.size());
    d.answerMessage(Msg::IdYes); // the same name again is recognised as a duplicate
    QVERIFY(ImportEngine::ImportFile(tf.file("src/" + category + "/O'Brien's.jpg"), 3));
    QCOMPARE(rowCount(), names.size());

    gCaption = QStringLiteral("浏览图片");
    gKind = 3;
    frmBrowse browse;
    QCOMPARE(browse.List->count(), 2);
    QCOMPARE(browse.List->item(1)->text(), category);
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
    find.ComCondition->setEditText("类别");
    find.txtContent->setText(category);
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
            editor->Text1->setPlainText(editor->Text3->text() + "'s note; 100%");
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
        d.answerMessage(Msg::IdYes);
        find.records->mnuDel->trigger();
    }
    QCOMPARE(rowCount(), 0);
    QVERIFY(TestFolder::storedCopies().isEmpty());
    // Every message was a question answered or the delete report; no statement failed.
    for (const QString &m : d.messages())
        QVERIFY2(m.startsWith("您确定要删除") || m == "删除成功!" || m.contains("是否覆盖"), qPrintable(m));
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
    QTest::newRow("another engine's file") << QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(2048, '\x5a');
    QTest::newRow("sqlite without the table") << QByteArray("sqlite");
}

void TestBadInput::notACatalogue()
{
    SKIP_ON_SERVER();
    QFETCH(QByteArray, bytes);
    TestFolder tf;
    ScriptedDialogs d;
    const QString path = tf.file("Data.mdb");
    if (bytes == "sqlite") {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery(db).exec(QStringLiteral("CREATE TABLE notes (a TEXT)"));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
    } else {
        tf.write("Data.mdb", bytes);
    }
    const QByteArray before = Corpus::read(path);
    const QString error = errorOf<DbError>([] { CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment")); });
    QVERIFY2(error.contains("Data.mdb"), qPrintable(error));
    // Through a window: reported, and the window stays usable.
    gKind = 3;
    frmBrowse browse;
    QCOMPARE(d.messages().size(), 1);
    QCOMPARE(browse.List->count(), 1);
    QVERIFY_THROWS_EXCEPTION(AppError, import(tf, "a.jpg"));
    QVERIFY(TestFolder::storedCopies().isEmpty());
    QCOMPARE(Corpus::read(path), before); // nothing stored is changed
}

void TestBadInput::damagedWhileInUse_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("named"); // what the error names
    QTest::newRow("read-only file") << "read-only" << "Data.mdb";
    QTest::newRow("attachment folder gone") << "folder" << "Attachment";
    QTest::newRow("file removed") << "removed" << "Data.mdb";
}

// A catalogue damaged while the program runs: an import fails, says why, and leaves the
// rows and copies as they were. Writes never vanish into a removed file, nor into a file
// put in its place until the program opens it anew.
void TestBadInput::damagedWhileInUse()
{
    QFETCH(QString, damage);
    QFETCH(QString, named);
    if (damage != "folder")
        SKIP_ON_SERVER();
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    QVERIFY(import(tf, "a.jpg"));
    const QString path = tf.file("Data.mdb");
    if (damage == "read-only") {
        clsCurrentDb::release();
        // Even root cannot write an immutable file.
        if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) != 0)
            QSKIP("chattr +i is not available here");
    }
    if (damage == "folder")
        QVERIFY(QDir(AttachmentPath()).removeRecursively());
    if (damage == "removed")
        QVERIFY(QFile::remove(path));
    const QByteArray before = Corpus::read(path);
    const QString error = errorOf<AppError>([&] { import(tf, "b.jpg"); });
    if (damage == "read-only")
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path});
    QVERIFY2(error.contains(named), qPrintable(error));
    QCOMPARE(Corpus::read(path), before);
    QCOMPARE(TestFolder::storedCopies().size(), damage == "folder" ? 0 : 1);
    if (damage == "removed") {
        QVERIFY_THROWS_EXCEPTION(DbError, CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment")));
        tf.createCatalogue();
        QVERIFY_THROWS_EXCEPTION(DbError, CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment")));
        clsCurrentDb::release();
    }
    QCOMPARE(rowCount(), damage == "removed" ? 0 : 1);
}

void TestBadInput::garbageConfiguration()
{
    TestFolder tf;
    ScriptedDialogs d;
    QByteArray junk(20000, Qt::Uninitialized);
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char((i * 31 + 7) % 256);
    tf.write("UserDefault.ini", junk + "\n" + QByteArray(300000, '=') + "\n");
    mdiFrm w;
    w.mnu_AddImage->trigger();
    QVERIFY(gFilter.startsWith("*.bmp;*.ico;*.gif;*.jpg;*.png;")); // seeded, the junk kept aside
    QVERIFY(d.messages().isEmpty());
}

QTEST_MAIN(TestBadInput)
#include "test_bad_input.moc"
