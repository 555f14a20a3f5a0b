#include "CatalogueTest.h"
#include "store/AtomicCopy.h"

// An importing program killed at random moments leaves a sound catalogue: the database passes
// its integrity check, no row points to a missing or partial copy, and the next import works.
class TestCrash : public QObject {
    Q_OBJECT
private slots:
    void killedWhileImporting();
};

void TestCrash::killedWhileImporting()
{
    TestFolder tf;
    tf.createCatalogue();
    QRandomGenerator random(20261206);
    QHash<QString, QByteArray> sources; // category + "/" + name -> contents
    const int kills = 30;
    for (int round = 0; round <= kills; ++round) {
        const QString category = QStringLiteral("round%1").arg(round);
        QStringList files = Corpus::write(tf.file("src/" + category), 40, quint32(round + 100));
        // A few large files, so that some kills land in the middle of a copy.
        for (int big = 0; big < 3; ++big)
            files.insert(big * 10, tf.write(QStringLiteral("src/%1/big%2.jpg").arg(category).arg(big),
                                            QByteArray(4 << 20, char('a' + big + round % 7))));
        for (const QString &path : files)
            sources.insert(category + '/' + QFileInfo(path).fileName(), Corpus::read(path));
        QProcess driver;
        driver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        driver.start(MC_IMPORTDRIVER, {tf.path(), "3", Corpus::writeList(tf.file(category + ".txt"), files)});
        QVERIFY(driver.waitForStarted());
        if (round == kills) { // the last import is left to finish
            QVERIFY(driver.waitForFinished(60000));
            QCOMPARE(driver.exitCode(), 0);
        }
        QTest::qWait(int(random.bounded(10, 160)));
        if (driver.state() != QProcess::NotRunning) {
            driver.kill(); // SIGKILL
            QVERIFY(driver.waitForFinished());
        }

        clsCurrentDb::release(); // a fresh connection, as the next program start would have
        if (!TestFolder::onServer()) {
            Recordset check = CurrentDb().OpenRecordset("PRAGMA integrity_check");
            QCOMPARE(check.field(check.columns().first()).toString(), QStringLiteral("ok"));
        }
        QSet<QString> stored;
        for (Recordset rows = CurrentDb().OpenRecordset("Select * From tblAttachment"); !rows.isEOF(); rows.MoveNext()) {
            const QString name = rows.text("SaveFileName");
            const QString key = rows.text("FolderName") + '/' + rows.text("FileName");
            QVERIFY2(Corpus::read(AttachmentPath() + name) == sources.value(key), qPrintable(key));
            stored.insert(name);
        }
        for (const QString &name : TestFolder::storedCopies()) {
            if (stored.contains(name) || name.startsWith(AtomicCopy::temporaryPrefix()))
                continue;
            // Killed after the copy got its name but before its row: a whole copy, never a part.
            const QByteArray bytes = Corpus::read(AttachmentPath() + name);
            QVERIFY2(std::find(sources.cbegin(), sources.cend(), bytes) != sources.cend(), qPrintable(name));
        }
    }
    // The last round's large files may repeat stored contents; all its others are added.
    QCOMPARE(CurrentDb()
                 .OpenRecordset("Select * From tblAttachment Where FolderName='round30' And FileName Like 'name%'")
                 .RecordCount(),
             40);
}

QTEST_MAIN(TestCrash)
#include "test_crash.moc"
