#include "CatalogueTest.h"
#include "import/frmPlay.h"
#include "import/frmtblAttachmentEdit.h"
#include "store/RecordChanged.h"

#include <QtWidgets>

class TestEditorViewer : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void addMode();
    void requiredCheckAndSave();
    void rowWithoutDateAndDelete();
    void editorWritesOnlyTheRowItShowed();
    void viewer();
    void pictureScaledToWindow_data();
    void pictureScaledToWindow();

private:
    std::unique_ptr<TestFolder> tf_;
    std::unique_ptr<ScriptedDialogs> d_;
};

namespace {
void addRow(const QString &date)
{
    CurrentDb().OpenRecordset(
        QStringLiteral("insert into tblAttachment (Currentinfo,[Date],FileName,FolderName,SaveFileName,tblFileKind) "
                       "values (' 简介 ',%1,'a.txt','2010','1.txt',2)")
            .arg(date));
}
// Loads the row that addRow made, as the record list opens the editor.
void openTheRow(frmtblAttachmentEdit &e)
{
    e.strWhere = QStringLiteral(" SaveFileName='1.txt'");
    e.Form_Activate();
}

Recordset theRow()
{
    return CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment Where SaveFileName='1.txt'"));
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
    tf_ = std::make_unique<TestFolder>();
    tf_->createCatalogue();
    d_ = std::make_unique<ScriptedDialogs>();
}

void TestEditorViewer::cleanup()
{
    QVERIFY(d_->allAnswered());
    d_.reset();
    tf_.reset();
}

void TestEditorViewer::addMode()
{
    frmtblAttachmentEdit e;
    e.Form_Activate();
    QVERIFY(!e.cmdSave->isEnabled() && !e.cmdDelData->isEnabled() && e.Text6->isHidden() && e.Text7->isHidden());
    QCOMPARE(e.windowTitle() + '|' + e.Text3->text() + '|' + e.Text2->text(), QStringLiteral("文件详情编辑|FileName|2009-11-11 00:00:00"));
    d_->answerMessage(Msg::IdYes);
    e.cmdDelData_Click();
    QCOMPARE(d_->messages().last(), QStringLiteral("新增模式,无法删除指定记录!"));
    // A condition that matches no row leaves the initial contents and the buttons on.
    e.strWhere = QStringLiteral(" SaveFileName='none'");
    e.Form_Activate();
    QVERIFY(e.cmdSave->isEnabled());
    QCOMPARE(e.Text4->text(), QStringLiteral("FolderName"));
}

void TestEditorViewer::requiredCheckAndSave()
{
    addRow("'2010-01-02 03:04:05'");
    frmtblAttachmentEdit e;
    openTheRow(e);
    e.show();
    QVERIFY(QTest::qWaitForWindowExposed(&e));
    e.Text1->clear();
    e.Text3->clear();
    e.cmdSave->click();
    QCOMPARE(d_->messages(), QStringList("必填项,不允许为空!"));
    QCOMPARE(d_->asked.last().buttons, int(Msg::Information));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(e.Text3));
    QVERIFY(e.isVisible());
    // A hidden box is reported without moving the focus.
    e.Text3->setText("x");
    e.Text1->setPlainText("y");
    e.Text6->clear();
    e.Text4->setFocus();
    e.cmdSave->click();
    QCOMPARE(d_->messages().size(), 2);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(e.Text4));
    QCOMPARE(rowText("FileName"), QStringLiteral("a.txt"));
    // Saved, the values go back trimmed, in the stored forms.
    openTheRow(e);
    QCOMPARE(e.Text1->toPlainText() + '|' + e.Text2->text() + '|' + e.Text7->text(), QStringLiteral("简介|2010-01-02 03:04:05|2"));
    e.Text1->setPlainText("   ");
    e.Text4->setText(" O'Brien's; 类别 ");
    QVERIFY(e.isChkValuse());
    QCOMPARE(e.updateStatement(),
             QStringLiteral("Update [tblAttachment] set [Currentinfo]='' ,[Date]='2010-01-02 03:04:05' ,[FileName]='a.txt' "
                            ",[FolderName]='O''Brien''s; 类别' ,[SaveFileName]='1.txt' ,[tblFileKind]='2'  where  "
                            "SaveFileName='1.txt'"));
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

// A row without a date shows none and keeps none. Delete asks first (No keeps the row)
// and never touches the stored copy.
void TestEditorViewer::rowWithoutDateAndDelete()
{
    addRow("NULL");
    const QString copy = tf_->write("Attachment/1.txt", "x");
    frmtblAttachmentEdit e;
    openTheRow(e);
    QCOMPARE(e.Text2->text().trimmed(), QString());
    e.cmdSave_Click();
    QVERIFY(theRow().field(QStringLiteral("Date")).isNull());
    openTheRow(e);
    d_->answerMessage(Msg::IdNo);
    e.cmdDelData_Click();
    QCOMPARE(theRow().RecordCount(), 1);
    d_->answerMessage(Msg::IdYes);
    e.cmdDelData_Click();
    QCOMPARE(d_->asked.last().text, QStringLiteral("是否删除该记录?"));
    QCOMPARE(theRow().RecordCount(), 0);
    QVERIFY(QFile::exists(copy));
}

// The editor writes a row only as it showed it: loaded when it is shown, whoever opened it;
// not when another program changed or removed the row meanwhile (the user's text stays);
// and with the stored name exactly as read.
void TestEditorViewer::editorWritesOnlyTheRowItShowed()
{
    addRow("NULL");
    {
        frmtblAttachmentEdit e;
        e.strWhere = QStringLiteral(" SaveFileName='1.txt'");
        e.show();
        QCOMPARE(e.Text3->text(), QStringLiteral("a.txt"));
        e.cmdSave->click();
        QCOMPARE(rowText("FileName"), QStringLiteral("a.txt"));
    }
    for (const char *other : {"Update tblAttachment set FolderName='2011' where SaveFileName='1.txt'",
                              "Delete * From tblAttachment where SaveFileName='1.txt'"}) {
        frmtblAttachmentEdit e;
        openTheRow(e);
        e.show();
        CurrentDb().OpenRecordset(QString::fromLatin1(other));
        e.Text1->setPlainText("mine");
        e.cmdSave->click();
        QVERIFY(d_->messages().endsWith(RecordChanged::text()));
        QVERIFY(e.isVisible());
        QCOMPARE(e.Text1->toPlainText(), QStringLiteral("mine"));
        QCOMPARE(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment Where Currentinfo='mine'")).RecordCount(), 0);
        addRow("NULL");
    }
    CurrentDb().OpenRecordset(QStringLiteral("Update tblAttachment set SaveFileName='1.txt  '"));
    frmtblAttachmentEdit e;
    e.strWhere = QStringLiteral(" SaveFileName='1.txt  '");
    e.show();
    e.cmdSave->click();
    QCOMPARE(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment Where SaveFileName='1.txt  '")).RecordCount(), 1);
}

void TestEditorViewer::viewer()
{
    using C = frmPlay::Content;
    const QList<QPair<QString, C>> cases = {
        {"/a/photo.png", C::Picture}, {"/a/photo.jpeg", C::Picture}, {"/a/PHOTO.JPG", C::Picture},
        {"/a/x.gif", C::Picture},     {"/a/x.tiff", C::Picture},     {"/a/x.ico", C::Picture},
        {"/a/x.bmp", C::Picture},     {"/a/s.mp3", C::Media},        {"/a/s.WAV", C::Media},
        {"/a/v.mpeg", C::Media},      {"/a/v.mp4", C::Media},        {"/a/v.ogg", C::Media},
        {"/a/v.avi", C::Media},       {"/a/p.jp", C::Unsupported},   {"/a/noext", C::Unsupported},
        {"/a.jpg/noext", C::Unsupported}, {"/a/x.txt", C::Unsupported}};
    for (const auto &c : cases)
        QVERIFY2(frmPlay::contentOf(c.first) == c.second, qPrintable(c.first));
    QVERIFY(qAbs(frmPlay::startVolume() - 0.501f) < 0.001f);
    // Activated by the opener, the showing that follows does not activate again; a new
    // showing does: an unknown extension is refused, told, and the window closes. A picture
    // that cannot be read is refused and told.
    frmPlay v;
    QCOMPARE(v.windowTitle(), QStringLiteral("播放器"));
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
    QVERIFY(qAbs(v.pictureRatio() - ratio) < 1e-9);
    QVERIFY(v.Picture1->isVisibleTo(&v) && !v.MediaPlayer1->isVisibleTo(&v));
    QCOMPARE(v.Picture1->pixmap().size(), shown);
    QCOMPARE(v.decodedSize(), shown); // no more decoded than shown
    v.resize(250, 400); // follows the window
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
