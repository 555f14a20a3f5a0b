#include "CatalogueTest.h"

// Several programs import into one shared catalogue and attachment folder at once.
// MC_CONCURRENCY_FILES sets the files per process (300 unless set; the README's long run
// uses 2000).
class TestConcurrency : public QObject {
    Q_OBJECT
private slots:
    void sharedImport_data();
    void sharedImport();
};

void TestConcurrency::sharedImport_data()
{
    QTest::addColumn<int>("processes");
    QTest::addColumn<bool>("links");
    QTest::addColumn<bool>("sameFiles");
    QTest::newRow("2 processes") << 2 << true << false;
    QTest::newRow("4 processes") << 4 << true << false;
    // As on a USB stick or a share from a Windows server: names reserved, copies renamed.
    QTest::newRow("2 processes, no hard links") << 2 << false << false;
    // Both import one folder: each file is recorded once, the loser's copies are removed.
    QTest::newRow("3 processes, the same files") << 3 << true << true;
}

void TestConcurrency::sharedImport()
{
    QFETCH(int, processes);
    QFETCH(bool, links);
    QFETCH(bool, sameFiles);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!links)
        env.insert(QStringLiteral("MC_NO_HARDLINKS"), QStringLiteral("1"));
    const int files = qEnvironmentVariableIntValue("MC_CONCURRENCY_FILES") > 0
                          ? qEnvironmentVariableIntValue("MC_CONCURRENCY_FILES")
                          : 300;
    TestFolder tf;
    tf.createCatalogue();
    std::vector<std::unique_ptr<QProcess>> drivers;
    QHash<QString, QString> sourceOf; // category + "/" + name -> source path
    QStringList sources;
    for (int p = 0; p < processes; ++p) {
        // The same names in every folder: only the category tells them apart.
        const int set = sameFiles ? 0 : p;
        if (set == p)
            sources = Corpus::write(tf.file(QStringLiteral("src/set%1").arg(p)), files, quint32(p + 1));
        for (const QString &s : sources)
            sourceOf.insert(QStringLiteral("set%1/").arg(set) + QFileInfo(s).fileName(), s);
        drivers.push_back(std::make_unique<QProcess>());
        drivers.back()->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        drivers.back()->setProcessEnvironment(env);
        drivers.back()->setProgram(QStringLiteral(MC_IMPORTDRIVER));
        drivers.back()->setArguments(
            {tf.path(), "3", Corpus::writeList(tf.file(QStringLiteral("list%1.txt").arg(p)), sources)});
    }
    QElapsedTimer timer;
    timer.start();
    for (auto &d : drivers)
        d->start();
    int imported = 0;
    for (auto &d : drivers) {
        QVERIFY(d->waitForFinished(600000));
        // Where others recorded a file first, the No to the overwrite question skips it.
        QVERIFY(d->exitStatus() == QProcess::NormalExit && (sameFiles || d->exitCode() == 0));
        const QList<QByteArray> summary = d->readAllStandardOutput().trimmed().split('\n').last().split(' ');
        imported += summary.value(1).toInt();
    }
    QCOMPARE(imported, sameFiles ? files : processes * files);
    qInfo("%d processes x %d files: %.2f s", processes, files, double(timer.elapsed()) / 1000.0);

    // One row per imported file, each with a copy of its own source; no copy without a row.
    Recordset rows = CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment"));
    QCOMPARE(rows.RecordCount(), qint64(sameFiles ? 1 : processes) * files);
    QSet<QString> stored;
    for (; !rows.isEOF(); rows.MoveNext()) {
        const QString name = rows.text(QStringLiteral("SaveFileName"));
        QVERIFY2(!stored.contains(name), qPrintable(name));
        stored.insert(name);
        const QString key = rows.text(QStringLiteral("FolderName")) + '/' + rows.text(QStringLiteral("FileName"));
        QVERIFY2(sourceOf.contains(key), qPrintable(key));
        QVERIFY2(Corpus::read(AttachmentPath() + name) == Corpus::read(sourceOf.take(key)), qPrintable(name));
    }
    const QStringList present = TestFolder::storedCopies();
    QCOMPARE(QSet<QString>(present.begin(), present.end()), stored);
}

QTEST_MAIN(TestConcurrency)
#include "test_concurrency.moc"
