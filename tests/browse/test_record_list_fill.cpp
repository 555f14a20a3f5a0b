// The record list over a listing of a few thousand records: the rows, their order and the
// counts it shows equal what the catalogue holds, while it fills, sorts and another
// connection writes.
#include "CatalogueTest.h"
#include "browse/RecordList.h"
#include "store/AppError.h"
#include "store/CatalogueLocation.h"
#include "store/Engine.h"
#include "store/ListingReader.h"
#include "store/RecordQuery.h"

#include <QtWidgets>
#include <algorithm>

class TestRecordListFill : public QObject {
    Q_OBJECT
private slots:
    void listsTheRowsOfTheStatement_data();
    void listsTheRowsOfTheStatement();
    void sortsSelectsAndCounts();
    void anotherConnectionWritesWhileFilling();
};

namespace {
constexpr int kRecords = 3000;

// A row as the list shows it: stored name, file name, category, description, date.
using Listed = QStringList;

Listed listed(const RecordRow &r)
{
    return {r.storedName, r.fileName, r.category, r.description, r.date};
}

// Names that sort apart only without regard to case, equal ones, Chinese and empty ones.
QString nameOf(int i)
{
    switch (i % 10) {
    case 0: return {};
    case 1: return QStringLiteral("春游%1.jpg").arg(i % 13);
    case 2: return QStringLiteral("same.TXT");
    case 3: return QStringLiteral("Same.txt");
    case 4: return QStringLiteral("Äpfel%1").arg(i % 5);
    default: return QStringLiteral("%1_%2").arg(QLatin1String(i % 2 ? "Photo" : "photo")).arg(i % 97);
    }
}

void insert(Engine &e, int from, int to, int kind = 3)
{
    static const QStringList categories{QString(), QStringLiteral("旅行"), QStringLiteral("Travel"),
                                        QStringLiteral("travel")};
    e.begin();
    for (int i = from; i < to; ++i)
        e.execute(QStringLiteral("INSERT INTO tblAttachment (Currentinfo,%1,FileName,FolderName,SaveFileName,tblFileKind) "
                                 "VALUES (?,?,?,?,?,?)")
                      .arg(e.identifier(QStringLiteral("Date"))),
                  {i % 3 ? QStringLiteral("简介%1").arg(i % 3) : QString(),
                   QStringLiteral("2010-%1-%2").arg(1 + i % 12).arg(1 + i % 28), nameOf(i), categories[i % 4],
                   QStringLiteral("%1.jpg").arg(i), kind});
    e.commit();
}

// The rows of the statement as the catalogue gives them, a stored name listed once.
QList<Listed> readDirectly(const QString &jet)
{
    QList<Listed> out;
    QSet<QString> seen;
    for (Recordset rs = CurrentDb().OpenRecordset(jet); !rs.isEOF(); rs.MoveNext()) {
        const Listed l{rs.text("SaveFileName"), rs.text("FileName"), rs.text("FolderName"), rs.text("Currentinfo"),
                       rs.text("Date")};
        if (!seen.contains(l[0])) {
            seen.insert(l[0]);
            out << l;
        }
    }
    return out;
}

struct Fixture {
    TestFolder tf;
    ScriptedDialogs d;
    QWidget owner;
    std::unique_ptr<RecordList> list;
    QStringList failures;

    Fixture()
    {
        tf.createCatalogue();
        Engine &e = *CurrentDb().engine();
        insert(e, 0, kRecords);
        // Records of another kind make the catalogue look big: it is then listed and sorted
        // behind, in steps, as a catalogue of millions is.
        if (e.dialect() == Engine::Dialect::Sqlite)
            e.execute(QStringLiteral("INSERT INTO tblAttachment (rowid,FileName,FolderName,SaveFileName,tblFileKind) "
                                     "VALUES (50000,'filler','x','filler.x',4)"));
        else
            e.execute(QStringLiteral("INSERT INTO tblAttachment (Currentinfo,FileName,FolderName,SaveFileName,tblFileKind) "
                                     "SELECT repeat('x', 300),'filler','x','filler' || g || '.x',4 "
                                     "FROM generate_series(1, 12000) g"));
        QVERIFY(!ListingReader::isSmall(e));
        owner.resize(800, 500);
        list = std::make_unique<RecordList>(&owner, RecordList::Options{false, {}});
        list->lvw->resize(800, 500);
        QObject::connect(list->model(), &RecordListModel::failed, [this](const QString &m) { failures << m; });
        owner.show();
    }
    void fill(const QString &jet)
    {
        list->fill(RecordQuery(jet));
        settle();
    }
    // The list holds its whole result in the order shown.
    void settle()
    {
        QTRY_VERIFY_WITH_TIMEOUT(list->model()->isSettled(), 120000);
        QVERIFY(failures.isEmpty());
    }
    // Every row, read as a user scrolling down the list meets it.
    QList<Listed> shown() const
    {
        QList<Listed> out;
        RecordListModel *m = list->model();
        // The list drops a row it finds gone; the rows after it move up.
        int r = 0;
        const QMetaObject::Connection moving =
            QObject::connect(m, &QAbstractItemModel::rowsRemoved, [&r](const QModelIndex &, int first, int last) {
                if (first < r)
                    r -= qMin(last + 1, r) - first;
            });
        for (; r < m->rowCount(); ++r) {
            if (r % 40 == 0) {
                list->lvw->scrollTo(m->index(r, 0), QAbstractItemView::PositionAtTop);
                QCoreApplication::processEvents();
            }
            const RecordRow row = m->row(r);
            out << listed(row);
            if (m->data(m->index(r, 0), Qt::DisplayRole).toString() != row.fileName)
                out.last() << QStringLiteral("shown otherwise");
        }
        QObject::disconnect(moving);
        return out;
    }
};

// The order of a header click: stable, by the column's text without regard to case.
QList<Listed> sorted(QList<Listed> rows, int column, Qt::SortOrder order)
{
    std::stable_sort(rows.begin(), rows.end(), [&](const Listed &a, const Listed &b) {
        const int c = QString::compare(a[column + 1], b[column + 1], Qt::CaseInsensitive);
        return order == Qt::AscendingOrder ? c < 0 : c > 0;
    });
    return rows;
}
} // namespace

void TestRecordListFill::listsTheRowsOfTheStatement_data()
{
    QTest::addColumn<QString>("jet");
    QTest::newRow("kind") << "Select * From tblAttachment Where  FolderName Like '%' And tblFileKind=3";
    QTest::newRow("category") << "Select * From tblAttachment Where tblFileKind=3 And FolderName='travel'";
    QTest::newRow("part of a name") << "Select * From tblAttachment Where  FileName Like '%春游1%'";
    QTest::newRow("none") << "Select * From tblAttachment Where  FileName Like '%不存在%'";
}

void TestRecordListFill::listsTheRowsOfTheStatement()
{
    QFETCH(QString, jet);
    Fixture f;
    // A stored name a second record names too is listed once, as its first record.
    CurrentDb().OpenRecordset("insert into tblAttachment (FileName,FolderName,SaveFileName,tblFileKind) "
                              "values ('春游1 again','travel','1.jpg',3)");
    const QList<Listed> expected = readDirectly(jet);
    f.fill(jet);
    QCOMPARE(f.list->model()->rowCount(), expected.size());
    QCOMPARE(f.shown(), expected);
    // The end of the list is its last row, by the keyboard too (End alone goes to the last column).
    if (!expected.isEmpty()) {
        f.list->lvw->setFocus();
        f.list->lvw->setCurrentIndex(f.list->model()->index(0, 0));
        QTest::keyClick(f.list->lvw, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(f.list->lvw->currentIndex().row(), expected.size() - 1);
        QCOMPARE(listed(f.list->model()->row(expected.size() - 1)), expected.last());
    }
}

void TestRecordListFill::sortsSelectsAndCounts()
{
    Fixture f;
    const QString jet = "Select * From tblAttachment Where  FolderName Like '%' And tblFileKind=3";
    f.fill(jet);
    RecordListModel *m = f.list->model();
    const QList<Listed> rows = f.shown();

    // The first click sorts the rows as listed descending; the list keeps that order when
    // it is filled again.
    m->headerClicked(0);
    f.settle();
    const QList<Listed> byName = sorted(rows, 0, Qt::DescendingOrder);
    QCOMPARE(f.shown(), byName);
    f.fill(jet);
    QCOMPARE(f.shown(), byName);
    // The next click, on another column, sorts the rows as shown ascending by that column;
    // a row added while that sort runs behind is sorted in with them.
    m->headerClicked(1);
    QVERIFY(f.list->AddRecordRow(QStringLiteral("/elsewhere/held.jpg"), QStringLiteral("held.jpg"), QStringLiteral("中间"),
                                 QString(), QStringLiteral("2011-1-1")));
    f.settle();
    QCOMPARE(f.shown(),
             sorted(QList<Listed>(byName) << Listed{"held.jpg", "held.jpg", "中间", "", "2011-1-1"}, 1, Qt::AscendingOrder));
    QVERIFY(m->headerText(1).endsWith(QStringLiteral("▲")));

    f.list->lvw->setFocus();
    QTest::keyClick(f.list->lvw, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(f.list->lblStatus->text(), QStringLiteral("共 %1 个记录,已选中 %1 个").arg(kRecords + 1));
}

void TestRecordListFill::anotherConnectionWritesWhileFilling()
{
    Fixture f;
    const QString jet = "Select * From tblAttachment Where  FolderName Like '%' And tblFileKind=3";
    std::shared_ptr<Engine> other = CatalogueLocation::engineFor(f.tf.catalogue());
    other->open();
    // Once the first rows are in, the other program deletes every third record past the
    // first screen and adds records of its own.
    QSet<QString> deleted;
    bool written = false;
    // A small catalogue is listed in one go (a reset), a big one in steps.
    auto write = [&] {
        if (written)
            return;
        written = true;
        other->begin();
        for (int i = 1000; i < kRecords; i += 3) {
            other->execute(QStringLiteral("DELETE FROM tblAttachment WHERE SaveFileName=?"),
                           {QStringLiteral("%1.jpg").arg(i)});
            deleted << QStringLiteral("%1.jpg").arg(i);
        }
        other->commit();
        insert(*other, kRecords, kRecords + 500);
    };
    connect(f.list->model(), &QAbstractItemModel::rowsInserted, this, write);
    connect(f.list->model(), &QAbstractItemModel::modelReset, this, write);
    f.fill(jet);
    QVERIFY(written);

    QSet<QString> seen;
    for (const Listed &l : f.shown()) {
        if (l[0].isEmpty())
            continue; // a row found gone when it was read, on its way out of the list
        QVERIFY2(!seen.contains(l[0]), qPrintable(l[0] + " listed twice"));
        seen.insert(l[0]);
        QVERIFY2(!deleted.contains(l[0]), qPrintable(l[0] + " listed after it was deleted"));
    }
    // Every record that was there throughout is listed.
    for (int i = 0; i < kRecords; ++i) {
        const QString stored = QStringLiteral("%1.jpg").arg(i);
        QVERIFY2(deleted.contains(stored) || seen.contains(stored), qPrintable(stored + " missing"));
    }

    // SQLite gives a freed address to the next record that asks for it. A record another
    // program adds so, and that the statement does not list, is not the row listed there.
    if (other->dialect() == Engine::Dialect::Sqlite) {
        f.fill(jet); // the rows past the first screen are not read yet
        RecordListModel *m = f.list->model();
        const int last = m->rowCount() - 1;
        const QVariant address = ListingReader::unpack(other->dialect(), m->addressAt(last));
        other->execute(QStringLiteral("DELETE FROM tblAttachment WHERE rowid=?"), {address});
        other->execute(QStringLiteral("INSERT INTO tblAttachment (rowid,FileName,FolderName,SaveFileName,tblFileKind) "
                                      "VALUES (?,'intruder','other','intruder.x',4)"),
                       {address});
        QVERIFY(m->row(last).storedName != QLatin1String("intruder.x"));
    }

    // A row whose read failed shows blank, yet it is no row gone: a command reads it again
    // and hears why it cannot, then finds it once the catalogue can be read.
    f.fill(jet);
    RecordListModel *m = f.list->model();
    const int last = m->rowCount() - 1;
    other->execute(QStringLiteral("ALTER TABLE tblAttachment RENAME TO tblAway"));
    QVERIFY(m->data(m->index(last, 2), Qt::DisplayRole).toString().isEmpty());
    QVERIFY_THROWS_EXCEPTION(AppError, m->row(last));
    other->execute(QStringLiteral("ALTER TABLE tblAway RENAME TO tblAttachment"));
    QVERIFY(m->row(last).storedName.endsWith(QLatin1String(".jpg")));
    other->close();
}

QTEST_MAIN(TestRecordListFill)
#include "test_record_list_fill.moc"
