#include "CatalogueFixture.h"
#include "CatalogueTest.h"
#include "import/frmPlay.h"
#include "import/frmtblAttachmentEdit.h"
#include "store/RecordChanged.h"

#include <QtWidgets>

class TestEditorViewer : public QObject, private CatalogueFixture {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void addModeRequiredCheckAndSave();
    void editorWritesOnlyTheRowItShowed();
    void viewer();
    void pictureScaledToWindow_data();
    void pictureScaledToWindow();
};

namespace {
void addRow(const QString &date)
{
    CurrentDb().OpenRecordset("insert into tblAttachment (Currentinfo,[Date],FileName,FolderName,SaveFileName,tblFileKind) "
                              "values (' 简介 '," +
                              date + ",'a.txt','2010','1.txt',2)");
}
// Loads the row that addRow made, as the record list opens the editor.
void openTheRow(frmtblAttachmentEdit &e)
{
    e.strWhere = " SaveFileName='1.txt'";
    e.Form_Activate();
}

Recordset theRow()
{
    return CurrentDb().OpenRecordset("Select * From tblAttachment Where SaveFileName='1.txt'");
}

// The row's texts of the given fields, joined by "|".
QString rowText(const QString &fields)
{
    Recordset rs = theRow();
    QStringList out;
    for (const QString &field : fields.split(','))
        out << rs.text(field);
    return out.join('|');
}
} // namespace

void TestEditorViewer::init()
{
    openCatalogue();
}

void TestEditorViewer::cleanup()
{
    QVERIFY(d_->allAnswered());
    closeCatalogue();
}

// Without a condition the editor adds; with one it loads that row, checks the required
// fields and writes the values back trimmed, in the stored forms.
void TestEditorViewer::addModeRequiredCheckAndSave()
{
    addRow("'2010-01-02 03:04:05'");
    frmtblAttachmentEdit e;
    e.Form_Activate();
    QVERIFY(!e.cmdSave->isEnabled() && !e.cmdDelData->isEnabled() && e.Text6->isHidden() && e.Text7->isHidden());
    QCOMPARE(e.windowTitle() + '|' + e.Text3->text() + '|' + e.Text2->text(),
             QStringLiteral("文件详情编辑|FileName|2009-11-11 00:00:00"));
    d_->answerMessage(Msg::IdYes);
    e.cmdDelData_Click();
    QCOMPARE(d_->messages().last(), QStringLiteral("新增模式,无法删除指定记录!"));
    // A condition that matches no row leaves the initial contents and the buttons on.
    e.strWhere = " SaveFileName='none'";
    e.Form_Activate();
    QVERIFY(e.cmdSave->isEnabled() && e.Text4->text() == "FolderName");
    openTheRow(e);
    e.show();
    QVERIFY(QTest::qWaitForWindowExposed(&e));
    e.Text1->clear();
    e.Text3->clear();
    e.cmdSave->click();
    QVERIFY(d_->messages().size() == 3 && d_->messages().last() == "必填项,不允许为空!" &&
            d_->asked.last().buttons == Msg::Information);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(e.Text3));
    // A hidden box is reported without moving the focus.
    e.Text3->setText("x");
    e.Text1->setPlainText("y");
    e.Text6->clear();
    e.Text4->setFocus();
    e.cmdSave->click();
    QVERIFY(d_->messages().size() == 4 && QApplication::focusWidget() == e.Text4 && e.isVisible());
    QCOMPARE(rowText("FileName"), QStringLiteral("a.txt"));
    // Saved, the values go back trimmed, in the stored forms.
    openTheRow(e);
    QCOMPARE(e.Text1->toPlainText() + '|' + e.Text2->text() + '|' + e.Text7->text(),
             QStringLiteral("简介|2010-01-02 03:04:05|2"));
    e.Text1->setPlainText("   ");
    e.Text4->setText(" O'Brien's; 类别 ");
    QVERIFY(e.isChkValuse());
    e.cmdSave_Click();
    QCOMPARE(e.result(), int(QDialog::Accepted));
    QCOMPARE(rowText("Currentinfo,FolderName,tblFileKind,Date"), QStringLiteral("|O'Brien's; 类别|2|2010-01-02 03:04:05"));
    // A changed date is written in the stored form.
    e.Form_Activate();
    e.Text1->setPlainText("x");
    e.Text2->setDateTime(QDateTime(QDate(2011, 5, 6), QTime(7, 8, 9)));
    e.cmdSave_Click();
    QCOMPARE(rowText("Date"), QStringLiteral("2011-05-06 07:08:09"));
}

// The editor writes a row only as it showed it: loaded when it is shown, whoever opened it;
// a row without a date kept without one; not when another program changed or removed the
// row meanwhile (the user's text stays); and with the stored name exactly as read. Delete
// asks first (No keeps the row) and never touches the stored copy.
void TestEditorViewer::editorWritesOnlyTheRowItShowed()
{
    addRow("NULL");
    const QString copy = tf_->write("Attachment/1.txt", "x");
    {
        frmtblAttachmentEdit e;
        e.strWhere = " SaveFileName='1.txt'";
        e.show();
        QVERIFY(e.Text3->text() == "a.txt" && e.Text2->text().trimmed().isEmpty());
        e.cmdSave->click();
        QVERIFY(rowText("FileName") == "a.txt" && theRow().field("Date").isNull());
        openTheRow(e);
        d_->answerMessage(Msg::IdNo);
        e.cmdDelData_Click();
        QCOMPARE(theRow().RecordCount(), 1);
        d_->answerMessage(Msg::IdYes);
        e.cmdDelData_Click();
        QVERIFY(d_->asked.last().text == QStringLiteral("是否删除该记录?") && theRow().RecordCount() == 0);
        QVERIFY(QFile::exists(copy));
    }
    addRow("NULL");
    for (const char *other : {"Update tblAttachment set FolderName='2011' where SaveFileName='1.txt'",
                              "Delete * From tblAttachment where SaveFileName='1.txt'"}) {
        frmtblAttachmentEdit e;
        openTheRow(e);
        e.show();
        CurrentDb().OpenRecordset(QString::fromLatin1(other));
        e.Text1->setPlainText("mine");
        e.cmdSave->click();
        QVERIFY(d_->messages().endsWith(RecordChanged::text()) && e.isVisible() && e.Text1->toPlainText() == "mine");
        QCOMPARE(
            CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment Where Currentinfo='mine'")).RecordCount(),
            0);
        addRow("NULL");
    }
    CurrentDb().OpenRecordset("Update tblAttachment set SaveFileName='1.txt  '");
    frmtblAttachmentEdit e;
    e.strWhere = " SaveFileName='1.txt  '";
    e.show();
    e.cmdSave->click();
    QCOMPARE(CurrentDb().OpenRecordset("Select * From tblAttachment Where SaveFileName='1.txt  '").RecordCount(), 1);
}

void TestEditorViewer::viewer()
{
    using C = frmPlay::Content;
    for (const auto &[files, content] :
         {std::pair{"/a/photo.png /a/photo.jpeg /a/PHOTO.JPG /a/x.gif /a/x.tiff /a/x.ico /a/x.bmp", C::Picture},
          {"/a/s.mp3 /a/s.WAV /a/v.mpeg /a/v.mp4 /a/v.ogg /a/v.avi", C::Media},
          {"/a/p.jp /a/noext /a.jpg/noext /a/x.txt", C::Unsupported}})
        for (const QString &file : QString(files).split(' '))
            QVERIFY2(frmPlay::contentOf(file) == content, qPrintable(file));
    // Activated by the opener, the showing that follows does not activate again; a new
    // showing does: an unknown extension is refused, told, and the window closes. A picture
    // that cannot be read is refused and told.
    frmPlay v;
    v.strFile = tf_->picture("photo.jpg", QSize(80, 60));
    QVERIFY(v.Form_Activate());
    v.strFile = QStringLiteral("/tmp/clip.xyz");
    v.show();
    QVERIFY(d_->asked.isEmpty());
    v.hide();
    v.show();
    QCOMPARE(d_->messages(), QStringList("不支持该扩展名播放!"));
    QTRY_VERIFY(!v.isVisible());
    v.strFile = tf_->write("broken.png", "not a picture");
    QVERIFY(!v.Form_Activate());
    QVERIFY(d_->messages().size() == 2 && d_->messages()[1].contains("broken.png"));
}

namespace {
// Marks a JPEG as taken with the camera turned: EXIF orientation 6 (shown a quarter turn right).
void markTurned(const QString &jpeg)
{
    static const char app1[] = "\xFF\xE1\x00\x22"
                               "Exif\0\0"
                               "MM\x00\x2A\x00\x00\x00\x08"
                               "\x00\x01\x01\x12\x00\x03\x00\x00\x00\x01\x00\x06\x00\x00"
                               "\x00\x00\x00\x00";
    QFile f(jpeg);
    f.open(QIODevice::ReadWrite);
    const QByteArray bytes = f.readAll();
    f.resize(0);
    f.write(bytes.left(2) + QByteArray(app1, sizeof(app1) - 1) + bytes.mid(2));
}
} // namespace

void TestEditorViewer::pictureScaledToWindow_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("stored");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<QSize>("shown"); // in a window of 500 x 400
    QTest::newRow("png") << "wide.png" << QSize(2000, 1000) << 2.0 << QSize(500, 250);
    QTest::newRow("jpg") << "wide.jpg" << QSize(2000, 1000) << 2.0 << QSize(500, 250);
    // Beyond Qt's allocation limit when decoded whole.
    QTest::newRow("48 megapixels") << "camera.jpg" << QSize(8000, 6000) << 4.0 / 3 << QSize(500, 375);
    QTest::newRow("EXIF turned") << "turned.jpg" << QSize(4000, 3000) << 0.75 << QSize(300, 400);
    QTest::newRow("never enlarged") << "small.bmp" << QSize(40, 80) << 0.5 << QSize(40, 80);
}

void TestEditorViewer::pictureScaledToWindow()
{
    QFETCH(QString, name);
    QFETCH(QSize, stored);
    QFETCH(double, ratio);
    QFETCH(QSize, shown);
    frmPlay v;
    v.strFile = tf_->picture(name, stored);
    if (name.startsWith("turned"))
        markTurned(v.strFile);
    v.resize(500, 400);
    v.show(); // showing alone loads it
    QVERIFY(qAbs(v.pictureRatio() - ratio) < 1e-9 && v.Picture1->isVisibleTo(&v) && !v.MediaPlayer1->isVisibleTo(&v));
    QCOMPARE(v.Picture1->pixmap().size(), shown);
    QCOMPARE(v.decodedSize(), shown); // no more decoded than shown
    v.resize(250, 400);               // follows the window
    QCOMPARE(v.Picture1->pixmap().size(), shown.scaled(250, 400, Qt::KeepAspectRatio).boundedTo(shown));
    // Grown: decoded again rather than enlarged from the smaller decode.
    v.resize(1000, 800);
    const QSize larger = v.Picture1->pixmap().size();
    QCOMPARE(larger, stored.width() < 1000 ? shown : shown * 2);
    QVERIFY(v.decodedSize().width() >= larger.width() && v.decodedSize().height() >= larger.height());
    QVERIFY(d_->asked.isEmpty());
}

QTEST_MAIN(TestEditorViewer)
#include "test_editor_viewer.moc"
