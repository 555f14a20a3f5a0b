#include "CatalogueTest.h"
#include "app/mdiFrm.h"
#include "browse/RecordList.h"
#include "browse/frmBrowse.h"
#include "browse/frmFind.h"
#include "import/ImportEngine.h"
#include "import/frmtblAttachmentEdit.h"
#include "store/DbError.h"
#include "store/Engine.h"
#include "store/PostgresEngine.h"
#include "ui/SharedState.h"

#include <QtSql>
#include <QtWidgets>

class TestBadInput : public QObject {
    Q_OBJECT
private slots:
    void awkwardNamesEndToEnd();
    void unusableCatalogue_data();
    void unusableCatalogue();
    void garbageConfiguration();
    void foreignTableNeverWritten_data();
    void foreignTableNeverWritten();
};

// Names and a category full of quotes, wildcards and separators pass every statement unharmed.
void TestBadInput::awkwardNamesEndToEnd()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    const QString category = QStringLiteral("it's 50%_[x] #1;");
    const QStringList names = {"O'Brien's.jpg",
                               "100%_done.jpg",
                               "a;b;c.jpg",
                               "star*.jpg",
                               "#hash# 1.jpg",
                               "[brackets].jpg",
                               "  lead and trail  .jpg",
                               "照片 2008.jpg",
                               "emoji😀.jpg",
                               QString(251, 'x') + ".jpg",
                               "noextension",
                               "several.dots.in.name.jpg",
                               ".jpg"};
    for (const QString &name : names)
        QVERIFY2(ImportEngine::ImportFile(tf.write("src/" + category + '/' + name, name.toUtf8()), 3), qPrintable(name));
    d.answerMessage(Msg::IdYes); // the same name again is recognised as a duplicate
    QVERIFY(ImportEngine::ImportFile(tf.file("src/" + category + "/O'Brien's.jpg"), 3));
    QCOMPARE(CurrentDb().OpenRecordset("Select * From tblAttachment").RecordCount(), names.size());

    gKind = 3;
    frmBrowse browse;
    QCOMPARE(browse.List->count(), 2);
    QCOMPARE(browse.List->item(1)->text(), category);
    browse.List->setCurrentRow(1);
    browse.List_Click();
    QCOMPARE(browse.records->model()->rowCount(), names.size());

    frmFind find;
    RecordListModel *found = find.records->model();
    for (const QString &name : names) {
        find.txtContent->setText(name);
        find.cmdFind_Click();
        bool hit = false;
        for (int r = 0; r < found->rowCount(); ++r)
            hit = hit || found->row(r).fileName == name;
        QVERIFY2(hit, qPrintable(name));
    }
    find.ComCondition->setEditText("类别");
    find.txtContent->setText(category);
    find.cmdFind_Click();
    QCOMPARE(found->rowCount(), names.size());

    // Edit every record, then delete it with its copy; the engine may reorder the list after an edit.
    QStringList keys;
    for (int r = 0; r < found->rowCount(); ++r)
        keys << found->row(r).key;
    for (const QString &key : keys) {
        find.records->selectRow(found->rowOf(key));
        d.onModal([](QDialog *dialog) {
            auto *editor = qobject_cast<frmtblAttachmentEdit *>(dialog);
            editor->Text1->setPlainText(editor->Text3->text() + "'s note; 100%");
            editor->cmdSave->click();
            return 1;
        });
        find.records->mnuEdit->trigger();
    }
    QCOMPARE(CurrentDb().OpenRecordset("Select * From tblAttachment Where Currentinfo Like '%''s note; 100%'").RecordCount(),
             names.size());
    while (found->rowCount() > 0) {
        find.records->selectRow(0);
        d.answerMessage(Msg::IdYes);
        find.records->mnuDel->trigger();
    }
    QCOMPARE(CurrentDb().OpenRecordset("Select * From tblAttachment").RecordCount(), 0);
    QVERIFY(TestFolder::storedCopies().isEmpty());
    // Every message was a question answered or the delete report; no statement failed.
    for (const QString &m : d.messages())
        QVERIFY2(m.startsWith("您确定要删除") || m == "删除成功!" || m.contains("是否覆盖"), qPrintable(m));
    QVERIFY(d.allAnswered());
}

void TestBadInput::unusableCatalogue_data()
{
    QTest::addColumn<QString>("damage"); // done while in use; none: the file holds `bytes` from the start
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("named"); // what the error names
    QTemporaryDir other;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other");
        db.setDatabaseName(other.filePath("other.db"));
        QVERIFY(db.open() && QSqlQuery(db).exec("CREATE TABLE notes (a TEXT)"));
    }
    QSqlDatabase::removeDatabase("other");
    QTest::newRow("empty file") << "" << QByteArray() << "Data.mdb";
    QTest::newRow("another engine's file")
        << "" << QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(2048, '\x5a') << "Data.mdb";
    QTest::newRow("another program's database") << "" << Corpus::read(other.filePath("other.db")) << "Data.mdb";
    QTest::newRow("made read-only") << "read-only" << QByteArray() << "Data.mdb";
    QTest::newRow("attachment folder gone") << "folder" << QByteArray() << "Attachment";
    QTest::newRow("file removed") << "removed" << QByteArray() << "Data.mdb";
}

// No catalogue, or one damaged while in use: an import fails, says why, and changes nothing.
// Writes never go to a file put in place of a removed one until the program opens it anew.
void TestBadInput::unusableCatalogue()
{
    QFETCH(QString, damage);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, named);
    if (damage != "folder")
        SKIP_ON_SERVER();
    TestFolder tf;
    ScriptedDialogs d;
    const QString path = tf.file("Data.mdb");
    const bool inUse = !damage.isEmpty();
    if (inUse) {
        tf.createCatalogue();
        QVERIFY(ImportEngine::ImportFile(tf.write("src/f/a.jpg", "a"), 3));
    } else {
        tf.write("Data.mdb", bytes);
    }
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
    QString error = QStringLiteral("no error");
    try {
        ImportEngine::ImportFile(tf.write("src/f/b.jpg", "b"), 3);
    } catch (const AppError &e) {
        error = e.message();
    }
    if (damage == "read-only")
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path});
    QVERIFY2(error.contains(named), qPrintable(error));
    QCOMPARE(Corpus::read(path), before);
    QCOMPARE(TestFolder::storedCopies().size(), inUse && damage != "folder" ? 1 : 0);
    if (damage == "removed") {
        QVERIFY_THROWS_EXCEPTION(DbError, CurrentDb().OpenRecordset("Select * From tblAttachment"));
        tf.createCatalogue();
        QVERIFY_THROWS_EXCEPTION(DbError, CurrentDb().OpenRecordset("Select * From tblAttachment"));
        clsCurrentDb::release();
    }
    if (inUse) {
        QCOMPARE(CurrentDb().OpenRecordset("Select * From tblAttachment").RecordCount(), damage == "removed" ? 0 : 1);
        return;
    }
    // Through a window: reported, and the window stays usable.
    gKind = 3;
    frmBrowse browse;
    QCOMPARE(d.messages().size(), 1);
    QCOMPARE(browse.List->count(), 1);
}

void TestBadInput::garbageConfiguration()
{
    TestFolder tf;
    ScriptedDialogs d;
    tf.write("UserDefault.ini", Corpus::contents(7, 1) + "\n" + QByteArray(300000, '=') + "\n");
    mdiFrm w;
    w.mnu_AddImage->trigger();
    QVERIFY(gFilter.startsWith("*.bmp;*.ico;*.gif;*.jpg;*.png;")); // seeded, the junk kept aside
    QVERIFY(d.messages().isEmpty());
}

void TestBadInput::foreignTableNeverWritten_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("named");
    QTest::newRow("other columns") << "tblAttachment (id INTEGER, title TEXT)"
                                   << "Currentinfo, Date, FileName";
    QTest::newRow("no SaveFileName") << "tblAttachment (Currentinfo TEXT, Date TEXT, FileName TEXT, FolderName TEXT, "
                                        "tblFileKind INTEGER)"
                                     << "SaveFileName";
    QTest::newRow("a column every row must fill")
        << "tblAttachment (Currentinfo TEXT, Date TEXT, FileName TEXT, FolderName TEXT, SaveFileName TEXT, "
           "tblFileKind INTEGER, Owner TEXT NOT NULL)"
        << "Owner";
}

// A database whose tblAttachment is another program's table is refused before anything is
// written to it: no side tables, not a byte changed.
void TestBadInput::foreignTableNeverWritten()
{
    QFETCH(QString, table);
    QFETCH(QString, named);
    TestFolder tf;
    ScriptedDialogs d;
    tf.createCatalogue();
    {
        Engine &e = *CurrentDb().engine();
        for (const char *t : {"tblAttachment", "tblContentHash", "tblRecycleBin", "tblCatalogue"})
            e.execute(QStringLiteral("DROP TABLE %1").arg(QLatin1String(t)));
        e.execute("CREATE TABLE " + table);
    }
    clsCurrentDb::release();
    const QByteArray before = TestFolder::onServer() ? QByteArray() : Corpus::read(tf.file("Data.mdb"));
    try {
        ImportEngine::ImportFile(tf.write("src/f/a.jpg", "a"), 3);
        QFAIL("imported into another program's table");
    } catch (const AppError &e) {
        QVERIFY2(e.message().contains("tblAttachment") && e.message().contains(named, Qt::CaseInsensitive),
                 qPrintable(e.message()));
    }
    QVERIFY(TestFolder::storedCopies().isEmpty());
    if (!TestFolder::onServer()) {
        QCOMPARE(Corpus::read(tf.file("Data.mdb")), before);
        return;
    }
    PostgresEngine server(tf.catalogue());
    server.openForSetup();
    RowTable rows;
    server.execute("SELECT tablename FROM pg_tables WHERE schemaname = current_schema()", {}, &rows);
    QCOMPARE(rows.count(), qint64(1));
    QCOMPARE(rows.row(0)[0].toString(), QStringLiteral("tblattachment"));
}

QTEST_MAIN(TestBadInput)
#include "test_bad_input.moc"
