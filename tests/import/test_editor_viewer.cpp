#include "ScriptedDialogs.h"
#include "TestFolder.h"
#include "import/frmPlay.h"
#include "import/frmtblAttachmentEdit.h"
#include "store/RecordChanged.h"
#include "store/SqlQuote.h"
#include "store/clsCurrentDb.h"

#include <QDateTimeEdit>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

class TestEditorViewer : public QObject {
    Q_OBJECT
private slots:
    void addMode();
    void requiredCheckOrder();
    void saveWritesTrimmedValues();
    void rowWithoutDate();
    void deleteRow();
    void editorWritesOnlyTheRowItShowed();
    void viewerChoosesByExtension();
    void pictureScaledToWindow_data();
    void pictureScaledToWindow();
    void unreadablePicture();
    void viewerActivatesWhenShown();
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
} // namespace

void TestEditorViewer::addMode()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    frmtblAttachmentEdit e;
    e.Form_Activate();
    QVERIFY(!e.cmdSave->isEnabled());
    QVERIFY(!e.cmdDelData->isEnabled());
    QCOMPARE(e.Text3->text(), QStringLiteral("FileName"));
    QCOMPARE(e.Text2->date(), QDate(2009, 11, 11));
    QCOMPARE(e.windowTitle(), QStringLiteral("文件详情编辑"));
    QVERIFY(e.Text6->isHidden() && e.Text7->isHidden());
    d.answerMessage(6);
    e.cmdDelData_Click();
    QCOMPARE(d.messages().last(), QStringLiteral("新增模式,无法删除指定记录!"));
    // A condition that matches no row leaves the initial contents and the buttons on.
    e.strWhere = QStringLiteral(" SaveFileName='none'");
    e.Form_Activate();
    QVERIFY(e.cmdSave->isEnabled());
    QCOMPARE(e.Text4->text(), QStringLiteral("FolderName"));
}

void TestEditorViewer::requiredCheckOrder()
{
    TestFolder tf;
    tf.createCatalogue();
    addRow(QStringLiteral("'2010-01-02 03:04:05'"));
    ScriptedDialogs d;
    frmtblAttachmentEdit e;
    openTheRow(e);
    e.show();
    QVERIFY(QTest::qWaitForWindowExposed(&e));
    e.Text1->clear();
    e.Text3->clear();
    e.cmdSave->click();
    QCOMPARE(d.messages(), QStringList(QStringLiteral("必填项,不允许为空!")));
    QCOMPARE(d.asked.last().buttons, 64);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(e.Text3));
    QVERIFY(e.isVisible());
    // A hidden box is reported without moving the focus.
    e.Text3->setText(QStringLiteral("x"));
    e.Text1->setPlainText(QStringLiteral("y"));
    e.Text6->clear();
    e.Text4->setFocus();
    e.cmdSave->click();
    QCOMPARE(d.messages().size(), 2);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(e.Text4));
    QCOMPARE(theRow().text(QStringLiteral("FileName")), QStringLiteral("a.txt"));
}

void TestEditorViewer::saveWritesTrimmedValues()
{
    TestFolder tf;
    tf.createCatalogue();
    addRow(QStringLiteral("'2010-01-02 03:04:05'"));
    ScriptedDialogs d;
    frmtblAttachmentEdit e;
    openTheRow(e);
    QCOMPARE(e.Text1->toPlainText(), QStringLiteral("简介"));
    QCOMPARE(e.Text2->dateTime(), QDateTime(QDate(2010, 1, 2), QTime(3, 4, 5)));
    QCOMPARE(e.Text7->text(), QStringLiteral("2"));
    e.Text1->setPlainText(QStringLiteral("   "));
    e.Text4->setText(QStringLiteral(" O'Brien's; 类别 "));
    QVERIFY(e.isChkValuse());
    QCOMPARE(e.updateStatement(),
             QStringLiteral("Update [tblAttachment] set [Currentinfo]='' ,[Date]='2010-01-02 03:04:05' ,[FileName]='a.txt' "
                            ",[FolderName]='O''Brien''s; 类别' ,[SaveFileName]='1.txt' ,[tblFileKind]='2'  where  "
                            "SaveFileName='1.txt'"));
    e.cmdSave_Click();
    QCOMPARE(e.result(), int(QDialog::Accepted));
    Recordset rs = theRow();
    QCOMPARE(rs.text(QStringLiteral("Currentinfo")), QString());
    QCOMPARE(rs.text(QStringLiteral("FolderName")), QStringLiteral("O'Brien's; 类别"));
    QCOMPARE(rs.field(QStringLiteral("tblFileKind")).toInt(), 2);
    QCOMPARE(rs.text(QStringLiteral("Date")), QStringLiteral("2010-01-02 03:04:05"));
    // A changed date is written in the stored form.
    e.Form_Activate();
    QCOMPARE(e.Text1->toPlainText(), QString());
    e.Text1->setPlainText(QStringLiteral("x"));
    e.Text2->setDateTime(QDateTime(QDate(2011, 5, 6), QTime(7, 8, 9)));
    e.cmdSave_Click();
    QCOMPARE(theRow().text(QStringLiteral("Date")), QStringLiteral("2011-05-06 07:08:09"));
}

void TestEditorViewer::rowWithoutDate()
{
    TestFolder tf;
    tf.createCatalogue();
    addRow(QStringLiteral("NULL"));
    ScriptedDialogs d;
    frmtblAttachmentEdit e;
    openTheRow(e);
    QCOMPARE(e.Text2->text().trimmed(), QString());
    e.cmdSave_Click();
    QVERIFY(theRow().field(QStringLiteral("Date")).isNull());
}

void TestEditorViewer::deleteRow()
{
    TestFolder tf;
    tf.createCatalogue();
    addRow(QStringLiteral("NULL"));
    const QString copy = tf.write(QStringLiteral("Attachment/1.txt"), "x");
    ScriptedDialogs d;
    frmtblAttachmentEdit e;
    openTheRow(e);
    d.answerMessage(7);
    e.cmdDelData_Click();
    QCOMPARE(theRow().RecordCount(), 1);
    d.answerMessage(6);
    e.cmdDelData_Click();
    QCOMPARE(d.asked.last().text, QStringLiteral("是否删除该记录?"));
    QCOMPARE(theRow().RecordCount(), 0);
    QVERIFY(QFile::exists(copy)); // the editor never touches the stored copy
}

// The editor writes a row only as it showed it: loaded when it is shown, whoever opened it;
// not when another program changed or removed the row meanwhile (the user's text stays);
// and with the stored name exactly as read.
void TestEditorViewer::editorWritesOnlyTheRowItShowed()
{
    TestFolder tf;
    tf.createCatalogue();
    addRow(QStringLiteral("NULL"));
    ScriptedDialogs d;
    {
        frmtblAttachmentEdit e;
        e.strWhere = QStringLiteral(" SaveFileName='1.txt'");
        e.show();
        QCOMPARE(e.Text3->text(), QStringLiteral("a.txt"));
        e.cmdSave->click();
        QCOMPARE(theRow().text(QStringLiteral("FileName")), QStringLiteral("a.txt"));
    }
    for (const QString &other : {QStringLiteral("Update tblAttachment set FolderName='2011' where SaveFileName='1.txt'"),
                                 QStringLiteral("Delete * From tblAttachment where SaveFileName='1.txt'")}) {
        frmtblAttachmentEdit e;
        openTheRow(e);
        e.show();
        CurrentDb().OpenRecordset(other);
        e.Text1->setPlainText(QStringLiteral("mine"));
        e.cmdSave->click();
        QCOMPARE(d.messages().last(), RecordChanged::text());
        QVERIFY(e.isVisible());
        QCOMPARE(e.Text1->toPlainText(), QStringLiteral("mine"));
        QCOMPARE(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment Where Currentinfo='mine'")).RecordCount(), 0);
        addRow(QStringLiteral("NULL"));
    }
    CurrentDb().OpenRecordset(QStringLiteral("Update tblAttachment set SaveFileName='1.txt  '"));
    frmtblAttachmentEdit e;
    e.strWhere = QStringLiteral(" SaveFileName='1.txt  '");
    e.show();
    e.cmdSave->click();
    QCOMPARE(CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment Where SaveFileName='1.txt  '")).RecordCount(), 1);
}

void TestEditorViewer::viewerChoosesByExtension()
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

    ScriptedDialogs d;
    frmPlay v;
    v.strFile = QStringLiteral("/tmp/clip.xyz");
    QVERIFY(!v.Form_Activate());
    QCOMPARE(d.messages(), QStringList(QStringLiteral("不支持该扩展名播放!")));
    QCOMPARE(v.windowTitle(), QStringLiteral("播放器"));
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
    TestFolder tf;
    ScriptedDialogs d;
    frmPlay v;
    v.strFile = tf.picture(name, stored);
    if (name.startsWith(QLatin1String("turned")))
        markTurned(v.strFile);
    v.resize(500, 400);
    v.show(); // showing alone loads it
    QVERIFY(qAbs(v.pictureRatio() - ratio) < 1e-9);
    QVERIFY(v.Picture1->isVisibleTo(&v));
    QVERIFY(!v.MediaPlayer1->isVisibleTo(&v));
    QCOMPARE(v.Picture1->pixmap().size(), shown);
    QCOMPARE(v.decodedSize(), shown); // no more decoded than shown
    v.resize(250, 400); // follows the window
    QCOMPARE(v.Picture1->pixmap().size(), shown.scaled(250, 400, Qt::KeepAspectRatio).boundedTo(shown));
    // Grown: decoded again rather than enlarged from the smaller decode.
    v.resize(1000, 800);
    const QSize larger = v.Picture1->pixmap().size();
    QCOMPARE(larger, stored.width() < 1000 ? shown : shown * 2);
    QVERIFY(v.decodedSize().width() >= larger.width() && v.decodedSize().height() >= larger.height());
    QVERIFY(d.asked.isEmpty());
}

void TestEditorViewer::unreadablePicture()
{
    TestFolder tf;
    ScriptedDialogs d;
    frmPlay v;
    v.strFile = tf.write(QStringLiteral("broken.png"), "not a picture");
    QVERIFY(!v.Form_Activate());
    QCOMPARE(d.messages().size(), 1);
    QVERIFY(d.messages().first().contains(QStringLiteral("broken.png")));
}

void TestEditorViewer::viewerActivatesWhenShown()
{
    TestFolder tf;
    ScriptedDialogs d;
    frmPlay v;
    v.strFile = tf.picture(QStringLiteral("photo.jpg"), QSize(80, 60));
    // Activated by the opener: the showing that follows does not activate again.
    QVERIFY(v.Form_Activate());
    v.strFile = QStringLiteral("/tmp/clip.xyz");
    v.show();
    QVERIFY(d.asked.isEmpty());
    v.hide();
    // A new showing activates again: refused, told, closed.
    v.show();
    QCOMPARE(d.messages(), QStringList(QStringLiteral("不支持该扩展名播放!")));
    QTRY_VERIFY(!v.isVisible());
}

QTEST_MAIN(TestEditorViewer)
#include "test_editor_viewer.moc"
