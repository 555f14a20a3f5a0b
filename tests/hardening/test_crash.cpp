#include "Corpus.h"
#include "TestFolder.h"
#include "import/AtomicCopy.h"
#include "store/DatabaseLocator.h"
#include "store/clsCurrentDb.h"

#include <QtTest>

// An importing program killed at random moments must leave a sound catalogue: the
// database passes its integrity check, no row points to a missing or partial copy, and
// the next import works.
class TestCrash : public QObject {
    Q_OBJECT
private slots:
    void killedWhileImporting();
};

namespace {
std::unique_ptr<QProcess> startDriver(const TestFolder &tf, const QString &list)
{
    auto p = std::make_unique<QProcess>();
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(QStringLiteral(MC_IMPORTDRIVER), {tf.path(), "3", list});
    return p;
}
} // namespace

void TestCrash::killedWhileImporting()
{
    TestFolder tf;
    tf.createCatalogue();
    QRandomGenerator random(20261206);
    QHash<QString, QByteArray> sources; // category + "/" + name -> contents
    QSet<QString> orphans;
    for (int round = 0; round < 30; ++round) {
        const QString folder = tf.file(QStringLiteral("src/round%1").arg(round));
        QStringList files = Corpus::write(folder, 40, quint32(round + 100));
        // A few large files, so that some kills land in the middle of a copy.
        for (int big = 0; big < 3; ++big)
            files.insert(big * 10, tf.write(QStringLiteral("src/round%1/big%2.jpg").arg(round).arg(big),
                                            QByteArray(4 << 20, char('a' + big + round % 7))));
        for (const QString &path : files)
            sources.insert(QStringLiteral("round%1/").arg(round) + QFileInfo(path).fileName(), Corpus::read(path));
        std::unique_ptr<QProcess> driver = startDriver(tf, Corpus::writeList(tf.file(QStringLiteral("list%1.txt").arg(round)), files));
        QVERIFY(driver->waitForStarted());
        QTest::qWait(int(random.bounded(10, 160)));
        if (driver->state() != QProcess::NotRunning) {
            driver->kill(); // SIGKILL
            QVERIFY(driver->waitForFinished());
        }

        clsCurrentDb::release(); // a fresh connection, as the next program start would have
        if (!TestFolder::onServer()) {
            Recordset check = CurrentDb().OpenRecordset(QStringLiteral("PRAGMA integrity_check"));
            QCOMPARE(check.field(check.columns().first()).toString(), QStringLiteral("ok"));
        }
        QSet<QString> stored;
        for (Recordset rows = CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment")); !rows.isEOF(); rows.MoveNext()) {
            const QString name = rows.text(QStringLiteral("SaveFileName"));
            const QString key = rows.text(QStringLiteral("FolderName")) + '/' + rows.text(QStringLiteral("FileName"));
            QVERIFY2(Corpus::read(AttachmentPath() + name) == sources.value(key), qPrintable(key));
            stored.insert(name);
        }
        for (const QString &name : TestFolder::storedCopies()) {
            if (stored.contains(name) || name.startsWith(AtomicCopy::temporaryPrefix()))
                continue;
            // Killed after the copy got its name but before its row: a whole copy, never a part.
            const QByteArray bytes = Corpus::read(AttachmentPath() + name);
            QVERIFY2(std::find(sources.cbegin(), sources.cend(), bytes) != sources.cend(), qPrintable(name));
            orphans.insert(name);
        }
    }
    qInfo("30 kills; %d whole copies left without a row", int(orphans.size()));

    // The next import works.
    clsCurrentDb::release();
    const QStringList last = Corpus::write(tf.file("src/after"), 5, 999);
    std::unique_ptr<QProcess> driver = startDriver(tf, Corpus::writeList(tf.file("after.txt"), last));
    QVERIFY(driver->waitForFinished(60000));
    QCOMPARE(driver->exitCode(), 0);
    QCOMPARE(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment Where FolderName='after'")).RecordCount(), 5);
}

QTEST_MAIN(TestCrash)
#include "test_crash.moc"
