#include "CatalogueTest.h"
#include "store/CatalogueLocation.h"
#include "store/CatalogueSchema.h"
#include "store/DbError.h"
#include "store/Engine.h"
#include "store/IniFile.h"
#include "store/JetConversion.h"
#include "store/JetOnOpen.h"
#include "store/JetSource.h"
#include "store/JetStream.h"
#include "store/JetText.h"
#include "store/RowTable.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProgressDialog>
#include <QStringDecoder>
#include <algorithm>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {
QString data(const QString &name)
{
    return QStringLiteral(MC_TEST_DATA "/jet/") + name;
}

// A fixture as a file of its own (unpacked when kept packed).
QString fixture(const QString &name, const QString &to)
{
    QFile::remove(to);
    QDir().mkpath(QFileInfo(to).absolutePath());
    if (name.endsWith(QLatin1String(".gz"))) {
        QProcess gz;
        gz.setStandardOutputFile(to);
        gz.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), data(name)});
        gz.waitForFinished(60000);
    } else {
        QFile::copy(data(name), to);
    }
    QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
    return to;
}

QByteArray digest(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

std::vector<JetRecord> expectedRows()
{
    QFile f(data(QStringLiteral("Data-jet4.json")));
    f.open(QIODevice::ReadOnly);
    std::vector<JetRecord> out;
    for (const QJsonValue &row : QJsonDocument::fromJson(f.readAll()).object().value(QLatin1String("rows")).toArray()) {
        JetRecord r;
        for (int i = 0; i < JetRecord::kFields; ++i) {
            const QJsonValue v = row.toObject().value(QLatin1String(JetRecord::names()[size_t(i)]));
            if (!v.isNull())
                r.fields[size_t(i)] = i == 5 ? QVariant(qlonglong(v.toInt())) : QVariant(v.toString());
        }
        out.push_back(r);
    }
    return out;
}

QString shown(const JetRecord &r)
{
    QStringList parts;
    for (const QVariant &v : r.fields)
        parts << (v.isNull() ? QStringLiteral("NULL") : QLatin1Char('"') + v.toString().left(40) + QLatin1Char('"'));
    return parts.join(QLatin1Char('|'));
}

// One statement through a connection of its own; %1 stands for the quoted column Date.
RowTable query(const QString &location, const QString &sql)
{
    std::shared_ptr<Engine> engine = CatalogueLocation::engineFor(location);
    engine->open();
    RowTable rows;
    engine->execute(sql.contains(QLatin1String("%1")) ? sql.arg(engine->identifier(QStringLiteral("Date"))) : sql, {},
                    &rows);
    engine->close();
    return rows;
}

// The records of a catalogue, read through a connection of their own, in record-key order.
std::vector<JetRecord> rowsOf(const QString &location)
{
    const RowTable rows = query(location, QStringLiteral("SELECT Currentinfo, %1, FileName, FolderName, SaveFileName, "
                                                         "tblFileKind FROM tblAttachment"));
    std::vector<JetRecord> out(size_t(rows.count()));
    for (qint64 i = 0; i < rows.count(); ++i)
        for (int f = 0; f < JetRecord::kFields; ++f) {
            const QVariant v = rows.row(i)[f];
            out[size_t(i)].fields[size_t(f)] = f == 5 && !v.isNull() ? QVariant(v.toLongLong()) : v;
        }
    return out;
}

void compareSorted(std::vector<JetRecord> got, std::vector<JetRecord> want)
{
    auto byKey = [](const JetRecord &a, const JetRecord &b) { return a.key() < b.key(); };
    std::sort(got.begin(), got.end(), byKey);
    std::sort(want.begin(), want.end(), byKey);
    QCOMPARE(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i)
        QCOMPARE(shown(got[i]), shown(want[i]));
}

struct Run {
    int code = -1;
    QString out, err;
};

// mkcatalogue as a user runs it; as root without the right to read what the user cannot.
Run mkcatalogue(const QStringList &args, bool asUser = false)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MC_JET_READ_TIMEOUT_MS"), QStringLiteral("3000"));
    p.setProcessEnvironment(env);
    if (asUser && ::geteuid() == 0)
        p.start(QStringLiteral("setpriv"),
                QStringList{QStringLiteral("--bounding-set"), QStringLiteral("-dac_override,-dac_read_search"),
                            QStringLiteral(MC_MKCATALOGUE)} +
                    args);
    else
        p.start(QStringLiteral(MC_MKCATALOGUE), args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

qint64 recordCount(const QString &location)
{
    return query(location, QStringLiteral("SELECT COUNT(*) FROM tblAttachment")).row(0)[0].toLongLong();
}

// The command line's target: a file not there yet, or the test's (empty) server catalogue.
QString target(TestFolder &tf, const QString &name)
{
    if (!TestFolder::onServer())
        return tf.file(name);
    if (tf.catalogue().isEmpty())
        tf.createCatalogue();
    return tf.catalogue();
}

// Files of a folder that a conversion may have left (not the fixtures themselves).
QStringList leftovers(const QString &folder, const QStringList &expected)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &e : expected)
        names.removeAll(e);
    return names;
}

// A copy of the 12-record file whose table has another shape: one column renamed.
QString otherShape(const QString &to)
{
    QFile in(data(QStringLiteral("Data-jet4.mdb")));
    in.open(QIODevice::ReadOnly);
    QByteArray bytes = in.readAll();
    const auto utf16 = [](const char *s) {
        const QString t = QString::fromLatin1(s);
        return QByteArray(reinterpret_cast<const char *>(t.utf16()), t.size() * 2);
    };
    bytes.replace(utf16("tblFileKind"), utf16("tblFileType"));
    QFile out(to);
    out.open(QIODevice::WriteOnly);
    out.write(bytes);
    return to;
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
}

QProgressDialog *progressDialog()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<QProgressDialog *>(w); d && d->objectName() == QLatin1String("convertProgress"))
            return d;
    return nullptr;
}
} // namespace

class TestJetConvert : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { JetSource::setReaderProgram(QStringLiteral(MC_MKCATALOGUE)); }
    void init() { JetOnOpen::forgetAnswers(); }
    void textsAndDates();
    void commandLineCopiesEveryRecord();
    void badInputChangesNothing_data();
    void badInputChangesNothing();
    void killedCopyLeavesNoHalfCatalogue();
    void readerEndsWithItsParent();
    void convertsOnOpen();
    void refusedCancelledBusyOrFullOnOpen();
    void oldConfigurationFile_data();
    void oldConfigurationFile();
};

// Jet 4 texts in both forms, Jet 3 texts in the code page named, and dates as the old
// program showed them: no time zone, midnight kept, rounded to the second, before 1900 too.
void TestJetConvert::textsAndDates()
{
    QCOMPARE(JetText::jet4(QByteArray("\xFF\xFE"
                                      "ab\0\x2D\x4E\0c",
                                      9)),
             QStringLiteral("ab中c"));
    QCOMPARE(JetText::jet4(QByteArray("\x2D\x4E\x3D\xD8\x00\xDE", 6)), QStringLiteral("中😀"));
    // A text that starts with U+FEFF or holds half a pair still arrives whole from the reader.
    JetRecord odd;
    odd.fields[0] = QString(QChar(0xFEFF)) + QStringLiteral("a");
    odd.fields[2] = QString(QChar(0xD800));
    JetStream stream;
    stream.feed(JetStream::opening() + JetStream::record(odd));
    QVERIFY(stream.next() == JetStream::Event::Record && stream.lastRecord() == odd);
    QString text;
    QVERIFY(JetText::jet3("\xD6\xD0\xCE\xC4.txt", JetText::defaultCodePage(), &text));
    QCOMPARE(text, QStringLiteral("中文.txt"));
    QVERIFY(JetText::jet3("caf\xE9", "CP1252", &text));
    QCOMPARE(text, QStringLiteral("café"));
    QVERIFY(!JetText::jet3("x", "NO-SUCH-PAGE", &text));
    QCOMPARE(JetText::date(39054.52135416667), QStringLiteral("2006-12-03 12:30:45"));
    QCOMPARE(JetText::date(40000.0), QStringLiteral("2009-07-06 00:00:00"));
    QCOMPARE(JetText::date(1.9999999), QStringLiteral("1900-01-01 00:00:00"));
    QCOMPARE(JetText::date(-1.25), QStringLiteral("1899-12-29 06:00:00"));
    QCOMPARE(JetText::date(std::nan("")), QString());
}

// The 12 awkward records and the 100,002 come across exactly, on a new file or into an
// empty server catalogue; the report counts the records without a copy.
void TestJetConvert::commandLineCopiesEveryRecord()
{
    TestFolder tf;
    const QString jet = fixture(QStringLiteral("Data-jet4.mdb"), tf.file(QStringLiteral("old/Data.mdb")));
    tf.write(QStringLiteral("old/Attachment/20061203123045.jpg"), "a");
    tf.write(QStringLiteral("old/Attachment/20090909090909"), "folder");
    const Run help = mkcatalogue({QStringLiteral("--help")});
    QVERIFY2(help.code == 2 && help.err.contains(QStringLiteral("usage")), qPrintable(help.err));
    QVERIFY(!QFileInfo::exists(QStringLiteral("--help")));
    const QString to = target(tf, QStringLiteral("new.mdb"));
    {
        // A catalogue without records may still hold hashes: refused, and they stay.
        const QString hashed = TestFolder::onServer() ? to : tf.file(QStringLiteral("hashed.mdb"));
        if (!TestFolder::onServer())
            CatalogueSchema::create(hashed);
        std::shared_ptr<Engine> engine = CatalogueLocation::engineFor(hashed);
        engine->open();
        engine->execute(QStringLiteral("INSERT INTO tblContentHash (SaveFileName, Sha256) VALUES ('1.jpg', 'abc')"));
        const Run refused = mkcatalogue({QStringLiteral("--copy"), jet, hashed});
        QVERIFY2(refused.code == 1 && refused.err.contains(QStringLiteral("内容摘要")), qPrintable(refused.err));
        QCOMPARE(query(hashed, QStringLiteral("SELECT COUNT(*) FROM tblContentHash")).row(0)[0].toLongLong(), 1);
        QCOMPARE(recordCount(hashed), 0);
        engine->execute(QStringLiteral("DELETE FROM tblContentHash"));
        engine->close();
    }
    const Run run = mkcatalogue({QStringLiteral("--copy"), jet, to});
    QVERIFY2(run.code == 0, qPrintable(run.err));
    QVERIFY2(run.out.contains(QStringLiteral("12 条记录")) &&
                 run.out.contains(QStringLiteral("其中 10 条记录在附件文件夹中没有")),
             qPrintable(run.out));
    compareSorted(rowsOf(to), expectedRows());
    const Run again = mkcatalogue({QStringLiteral("--copy"), jet, to});
    QVERIFY2(again.code == 1 && again.err.contains(QStringLiteral("已有记录")), qPrintable(again.err));
    QCOMPARE(recordCount(to), 12);

    const QString bulk = fixture(QStringLiteral("bulk100k.mdb.gz"), tf.file(QStringLiteral("bulk/Data.mdb")));
    QString bulkTarget = tf.file(QStringLiteral("bulk.mdb"));
    if (TestFolder::onServer()) {
        query(to, QStringLiteral("DELETE FROM tblAttachment"));
        bulkTarget = to;
    }
    if (!TestFolder::onServer()) {
        // A full disk mid-write: its cause is reported, not the rollback that followed.
        QProcess full;
        full.start(QStringLiteral("sh"),
                   {QStringLiteral("-c"), QStringLiteral("trap '' XFSZ; ulimit -f 2048; exec \"$0\" --copy \"$1\" \"$2\""),
                    QStringLiteral(MC_MKCATALOGUE), bulk, bulkTarget});
        QVERIFY(full.waitForFinished(120000));
        const QString err = QString::fromUtf8(full.readAllStandardError());
        QVERIFY2(full.exitCode() == 1 && !err.contains(QStringLiteral("rollback"), Qt::CaseInsensitive),
                 qPrintable(err.left(300)));
        QVERIFY(!QFileInfo::exists(bulkTarget));
    }
    const Run big = mkcatalogue({QStringLiteral("--copy"), bulk, bulkTarget});
    QVERIFY2(big.code == 0 && big.out.contains(QStringLiteral("100002 条记录")), qPrintable(big.err + big.out));
    const std::vector<JetRecord> rows = rowsOf(bulkTarget);
    QCOMPARE(rows.size(), size_t(100002));
    const std::vector<JetRecord> first = expectedRows();
    for (int i = 0; i < 2; ++i)
        QVERIFY2(std::find(rows.begin(), rows.end(), first[size_t(i)]) != rows.end(), qPrintable(shown(first[size_t(i)])));
}

void TestJetConvert::badInputChangesNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("another application's file") << "nwind"
                                                << "没有表 tblAttachment";
    QTest::newRow("another shape") << "shape"
                                   << "缺少字段 tblFileKind";
    QTest::newRow("cut to half") << "half"
                                 << "不完整";
    QTest::newRow("cut to 4 KiB") << "4k"
                                  << "不完整";
    QTest::newRow("random bytes with a Jet signature") << "random"
                                                       << "不是可以读取的 Jet 数据库文件";
    QTest::newRow("an .accdb") << "accdb"
                               << ".accdb";
    QTest::newRow("a file the user cannot read") << "unreadable"
                                                 << "无法读取文件";
    QTest::newRow("library crashes") << "crashes-libmdb-page-map"
                                     << "异常结束";
    QTest::newRow("library loops") << "hangs-libmdb-property-loop"
                                   << "没有进展";
    QTest::newRow("negative field length") << "negative-field-length"
                                           << "已损坏";
    QTest::newRow("zeroed data page") << "data-page-zeroed"
                                      << "没有表 tblAttachment";
    QTest::newRow("an unknown code page named") << "codepage"
                                                << "不认识代码页 NO-SUCH";
}

// Each gets its message in Chinese, ends the command line cleanly and leaves the source
// and the target as they were.
void TestJetConvert::badInputChangesNothing()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    TestFolder tf;
    QDir().mkpath(tf.file(QStringLiteral("old")));
    const QString jet = tf.file(QStringLiteral("old/Data.mdb"));
    const QString jet4 = data(QStringLiteral("Data-jet4.mdb"));
    QFile in(jet4);
    in.open(QIODevice::ReadOnly);
    const QByteArray good = in.readAll();
    if (kind == QLatin1String("nwind"))
        fixture(QStringLiteral("nwind.mdb.gz"), jet);
    else if (kind == QLatin1String("shape"))
        otherShape(jet);
    else if (kind == QLatin1String("half"))
        writeBytes(jet, good.left(good.size() / 2));
    else if (kind == QLatin1String("4k"))
        writeBytes(jet, good.left(4096));
    else if (kind == QLatin1String("random")) {
        QByteArray bytes = good.left(0x20);
        for (int i = 0; bytes.size() < good.size(); ++i)
            bytes.append(char((i * 7919 + 13) % 251));
        writeBytes(jet, bytes);
    } else if (kind == QLatin1String("accdb")) {
        QByteArray bytes = good;
        bytes.replace(4, 15, "Standard ACE DB");
        bytes[0x14] = 2;
        writeBytes(jet, bytes);
    } else if (kind == QLatin1String("codepage")) {
        fixture(QStringLiteral("Data-jet4.mdb"), jet);
    } else if (kind == QLatin1String("unreadable")) {
        fixture(QStringLiteral("Data-jet4.mdb"), jet);
        QFile::setPermissions(jet, QFile::WriteOwner);
    } else {
        fixture(QStringLiteral("damaged/") + kind + QStringLiteral(".mdb.gz"), jet);
    }
    QFile::setPermissions(jet,
                          kind == QLatin1String("unreadable") ? QFile::WriteOwner : QFile::ReadOwner | QFile::WriteOwner);
    const QByteArray before = digest(jet);
    const QString to = target(tf, QStringLiteral("new.mdb"));
    QElapsedTimer took;
    took.start();
    QStringList args = {QStringLiteral("--copy"), jet, to};
    if (kind == QLatin1String("codepage"))
        args << QStringLiteral("--code-page") << QStringLiteral("NO-SUCH");
    const Run run = mkcatalogue(args, kind == QLatin1String("unreadable"));
    QVERIFY2(run.code == 1 && run.err.contains(message), qPrintable(QString::number(run.code) + run.err));
    QVERIFY2(took.elapsed() < 30000, "the reader's time limit ends a loop");
    if (kind == QLatin1String("unreadable")) {
        const Run convert = mkcatalogue({QStringLiteral("--convert"), jet}, true);
        QVERIFY2(convert.code == 1 && convert.err.contains(message), qPrintable(convert.err));
    }
    QFile::setPermissions(jet, QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(digest(jet), before);
    if (TestFolder::onServer())
        QCOMPARE(recordCount(to), 0);
    else
        QCOMPARE(leftovers(tf.path(), {QStringLiteral("UserDefault.ini")}), QStringList());
}

// A copy killed at any moment leaves the target missing or whole, never half made; a
// conversion in place killed at any moment leaves the Jet file as it was under its name,
// or the whole new catalogue with the Jet file kept beside it, and the next one works.
void TestJetConvert::killedCopyLeavesNoHalfCatalogue()
{
    TestFolder tf;
    const QString bulk = fixture(QStringLiteral("bulk100k.mdb.gz"), tf.file(QStringLiteral("old/Data.mdb")));
    const QByteArray jet = digest(bulk);
    const QString to = target(tf, QStringLiteral("new.mdb"));
    auto killedAfter = [](int ms, const QStringList &args) {
        QProcess p;
        p.start(QStringLiteral(MC_MKCATALOGUE), args);
        QVERIFY(p.waitForStarted());
        QTest::qWait(ms);
        if (p.state() == QProcess::Running)
            p.kill();
        p.waitForFinished();
    };
    for (int delayMs : {150, 400, 900, 1600}) {
        killedAfter(delayMs, {QStringLiteral("--copy"), bulk, to});
        const bool whole = TestFolder::onServer() ? recordCount(to) > 0 : QFileInfo::exists(to);
        if (whole) {
            QCOMPARE(recordCount(to), 100002);
            break;
        }
        if (TestFolder::onServer())
            QCOMPARE(recordCount(to), 0);
    }
    if (TestFolder::onServer())
        return;
    const QString db = tf.file(QStringLiteral("old/Data.mdb"));
    for (int delayMs : {100, 300, 700, 1200, 2000}) {
        killedAfter(delayMs, {QStringLiteral("--convert"), db});
        // A name saying it is the user's Jet file holds all of it.
        for (const QString &kept : QDir(tf.file(QStringLiteral("old"))).entryList({QStringLiteral("Data-旧版Jet*")}))
            QCOMPARE(digest(tf.file(QStringLiteral("old/") + kept)), jet);
        if (digest(db) != jet) {
            QCOMPARE(recordCount(db), 100002);
            QCOMPARE(digest(tf.file(QStringLiteral("old/Data-旧版Jet.mdb"))), jet);
            return;
        }
    }
    const Run last = mkcatalogue({QStringLiteral("--convert"), db});
    QVERIFY2(last.code == 0 && last.out.contains(QStringLiteral("100002 条记录")), qPrintable(last.err));
    QCOMPARE(recordCount(db), 100002);
    QStringList left = leftovers(tf.file(QStringLiteral("old")), {QStringLiteral("Data.mdb")});
    QVERIFY2(left.size() >= 1 && left.filter(QStringLiteral("converting")).isEmpty(), qPrintable(left.join(' ')));
}

// A reader looping on a damaged file ends when the program that started it is killed.
void TestJetConvert::readerEndsWithItsParent()
{
    TestFolder tf;
    const QString hang =
        fixture(QStringLiteral("damaged/hangs-libmdb-property-loop.mdb.gz"), tf.file(QStringLiteral("h.mdb")));
    QProcess parent;
    parent.start(QStringLiteral("sh"),
                 {QStringLiteral("-c"), QStringLiteral("\"$0\" --read-jet \"$1\" >/dev/null & echo $!; wait"),
                  QStringLiteral(MC_MKCATALOGUE), hang});
    QVERIFY(parent.waitForReadyRead(10000));
    const pid_t reader = pid_t(parent.readLine().trimmed().toLongLong());
    QVERIFY(reader > 0);
    // A zombie waiting to be reaped is not running.
    const auto running = [reader] {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(reader));
        return stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z ");
    };
    QTest::qWait(300);
    QVERIFY2(running(), "the reader loops");
    ::kill(pid_t(parent.processId()), SIGKILL);
    parent.waitForFinished();
    QTRY_VERIFY_WITH_TIMEOUT(!running(), 3000);
    ::kill(reader, SIGKILL);
}

// Yes converts in place: the new catalogue under the old name with every record, the Jet
// file kept beside it, the report's counts; a catalogue then opens as any other.
void TestJetConvert::convertsOnOpen()
{
    SKIP_ON_SERVER();
    TestFolder tf;
    const QString db = fixture(QStringLiteral("Data-jet4.mdb"), tf.file(QStringLiteral("Data.mdb")));
    tf.write(QStringLiteral("Attachment/20061203123045.jpg"), "a");
    tf.write(QStringLiteral("Attachment/20061203123046.JPG"), "b");
    const QByteArray before = digest(db);
    ScriptedDialogs d;
    d.answerMessage(Msg::IdYes);
    QCOMPARE(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment")).RecordCount(), 12);
    QVERIFY(d.unexpected.isEmpty());
    QCOMPARE(d.asked.size(), 2);
    QVERIFY2(d.asked[0].text.contains(QStringLiteral("旧版程序的 Jet 数据库")) &&
                 d.asked[0].buttons == (Msg::YesNo | Msg::Question),
             qPrintable(d.asked[0].text));
    QVERIFY2(d.asked[1].text.contains(QStringLiteral("12 条记录")) &&
                 d.asked[1].text.contains(QStringLiteral("其中 10 条记录在附件文件夹中没有")),
             qPrintable(d.asked[1].text));
    const QString kept = tf.file(QStringLiteral("Data-旧版Jet.mdb"));
    QCOMPARE(digest(kept), before);
    QVERIFY(d.asked[1].text.contains(QDir::toNativeSeparators(kept)));
    compareSorted(rowsOf(db), expectedRows());
    QCOMPARE(leftovers(tf.path(),
                       {QStringLiteral("Data.mdb"), QStringLiteral("Data-旧版Jet.mdb"), QStringLiteral("UserDefault.ini")}),
             QStringList());
    QVERIFY(CatalogueSchema::hasTable(*CurrentDb().engine(), QStringLiteral("tblContentHash")));

    // The big one through the same path.
    clsCurrentDb::release();
    fixture(QStringLiteral("bulk100k.mdb.gz"), db);
    d.answerMessage(Msg::IdYes);
    QCOMPARE(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment")).RecordCount(), 100002);
    QVERIFY(QFileInfo::exists(tf.file(QStringLiteral("Data-旧版Jet-2.mdb"))));
    QVERIFY(d.unexpected.isEmpty());
}

// No, Cancel, another program converting, a file that is no catalogue and a full disk:
// each is told, the Jet file stays as it was and nothing else is left beside it.
void TestJetConvert::refusedCancelledBusyOrFullOnOpen()
{
    SKIP_ON_SERVER();
    TestFolder tf;
    const QString db = fixture(QStringLiteral("Data-jet4.mdb"), tf.file(QStringLiteral("Data.mdb")));
    const QByteArray before = digest(db);
    const QStringList present = {QStringLiteral("Data.mdb"), QStringLiteral("UserDefault.ini")};
    auto refused = [&](const QString &message) {
        try {
            CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment"));
        } catch (const DbError &e) {
            QVERIFY2(e.message().contains(message), qPrintable(e.message()));
            QCOMPARE(digest(db), before);
            QCOMPARE(leftovers(tf.path(), present), QStringList());
            return;
        }
        QFAIL("the Jet file was opened");
    };
    ScriptedDialogs d;
    d.answerMessage(Msg::IdNo);
    refused(QStringLiteral("未转换, 本程序不能直接使用它"));
    refused(QStringLiteral("未转换, 本程序不能直接使用它"));
    QCOMPARE(d.asked.size(), 1); // asked once in a run

    JetOnOpen::forgetAnswers();
    d.answerMessage(Msg::IdYes);
    QTimer::singleShot(0, [] {
        if (QProgressDialog *p = progressDialog())
            p->cancel();
    });
    refused(QStringLiteral("已取消转换"));

    // Another program converting it: this one is told, or finds the new catalogue, and
    // never asks or converts again.
    {
        JetOnOpen::forgetAnswers();
        const QString busy = tf.file(QStringLiteral("busy/Data.mdb"));
        fixture(QStringLiteral("bulk100k.mdb.gz"), busy);
        QProcess other;
        other.start(QStringLiteral(MC_MKCATALOGUE), {QStringLiteral("--convert"), busy});
        QTRY_VERIFY_WITH_TIMEOUT(
            QFileInfo::exists(busy + QStringLiteral(".converting")) || other.state() == QProcess::NotRunning, 20000);
        const qsizetype asked = d.asked.size();
        clsCurrentDb::release();
        WriteIni(QStringLiteral("DataBaseFilePath"), busy);
        QFile::rename(db, db + QStringLiteral(".aside"));
        try {
            QCOMPARE(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment")).RecordCount(), 100002);
        } catch (const DbError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("正在由另一个程序转换")), qPrintable(e.message()));
        }
        QCOMPARE(d.asked.size(), asked);
        QVERIFY(other.waitForFinished(60000) && other.exitCode() == 0);
        QCOMPARE(leftovers(tf.file(QStringLiteral("busy")), {QStringLiteral("Data.mdb")}),
                 QStringList{QStringLiteral("Data-旧版Jet.mdb")});
        clsCurrentDb::release();
        QFile::rename(db + QStringLiteral(".aside"), db);
    }

    // A full disk: no file may grow beyond 16 KiB while it converts.
    JetOnOpen::forgetAnswers();
    d.answerMessage(Msg::IdYes);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 16384;
    setrlimit(RLIMIT_FSIZE, &small);
    QString failure;
    try {
        CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment"));
    } catch (const DbError &e) {
        failure = e.message();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    QVERIFY2(failure.contains(QStringLiteral("转换")) && failure.contains(QStringLiteral("原文件未改变")),
             qPrintable(failure));
    QCOMPARE(digest(db), before);
    QCOMPARE(leftovers(tf.path(), present), QStringList());

    clsCurrentDb::release();
    JetOnOpen::forgetAnswers();
    fixture(QStringLiteral("nwind.mdb.gz"), db);
    const QByteArray nwind = digest(db);
    d.answerMessage(Msg::IdYes);
    try {
        CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment"));
        QFAIL("nwind.mdb was opened");
    } catch (const DbError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("没有表 tblAttachment")), qPrintable(e.message()));
    }
    QCOMPARE(digest(db), nwind);
    QCOMPARE(leftovers(tf.path(), present), QStringList());
    QVERIFY(d.unexpected.isEmpty());
}

void TestJetConvert::oldConfigurationFile_data()
{
    QTest::addColumn<QString>("configured");
    QTest::addColumn<QString>("beside");
    QTest::newRow("a drive path") << QStringLiteral("D:\\文件系统\\Data.mdb") << QStringLiteral("DATA.MDB");
    QTest::newRow("a share") << QStringLiteral("\\\\server\\share\\资料.mdb") << QStringLiteral("资料.mdb");
}

// A UserDefault.ini from Windows (GBK, CRLF) whose path means nothing here: the prompt
// offers the catalogue copied beside the program.
void TestJetConvert::oldConfigurationFile()
{
    SKIP_ON_SERVER();
    QFETCH(QString, configured);
    QFETCH(QString, beside);
    TestFolder tf;
    QStringEncoder gbk("GB18030");
    tf.write(QStringLiteral("UserDefault.ini"), QByteArray("[UserDefault]\r\nDataBaseFilePath=") +
                                                    QByteArray(gbk.encode(configured)) +
                                                    QByteArray("\r\ntxtText=*.txt;*.log\r\n"));
    CatalogueSchema::create(tf.file(beside));
    ScriptedDialogs d;
    d.answerPrompt(QDir::toNativeSeparators(tf.file(beside)));
    QCOMPARE(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment")).RecordCount(), 0);
    QCOMPARE(d.asked.size(), 1);
    QCOMPARE(d.asked[0].defaultAnswer, QDir::toNativeSeparators(tf.file(beside)));
    QCOMPARE(ReadIni(QStringLiteral("txtText")), QStringLiteral("*.txt;*.log"));
}

QTEST_MAIN(TestJetConvert)
#include "test_jet_convert.moc"
