#include "ScriptedDialogs.h"
#include "TestFolder.h"
#include "app/AppStart.h"
#include "app/IniFile.h"
#include "app/SharedState.h"
#include "app/WindowServices.h"
#include "app/frmCheck.h"
#include "app/frmLogo.h"
#include "app/mdiFrm.h"
#include "browse/frmBrowse.h"
#include "browse/frmFind.h"
#include "store/DialogOwner.h"
#include "store/ProcessExit.h"
#include "store/QtDialogs.h"
#include "store/Services.h"
#include "store/clsCurrentDb.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QProcess>
#include <QtTest>
#include <sys/stat.h>

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void menuTree();
    void seedingFreshFile();
    void seedingLeavesConfiguredFileAlone();
    void seedingReportsOnlyWhatLosesData();
    void importCommandsHandOver();
    void splashClosesOnClick();
    void splashClosesOnTime();
    void exitReleasesDatabase();
    void restartStartsProgramAgain();
    void topMost();
    void placeRememberedAndFitted();
    void findFromAnyWindow();
    void messageBoxes_data();
    void messageBoxes();
};

void TestMainWindow::menuTree()
{
    TestFolder tf;
    ScriptedDialogs d;
    mdiFrm w;
    struct Entry {
        const char *name;
        const char *caption;
        const char *shortcut;
    };
    const QList<QPair<QString, QList<Entry>>> tree = {
        {QStringLiteral("系统设置(&F)"),
         {{"mnu_Setting", "系统设置(&S)", ""}, {"mnu_LoginAgain", "重新登陆(&R)", ""}, {"mnu_Exit", "退出系统(&X)", ""}}},
        {QStringLiteral("导入文件(&A)"),
         {{"mnu_AddFolder", "导入文件夹(&M)...", ""},
          {"mnu_bar", "___文件__________", ""},
          {"mnu_AddText", "导入文本(&A)", "Ctrl+D"},
          {"mnu_AddImage", "导入图片(&L)", "Ctrl+E"},
          {"mnu_AddMedia", "导入动画,视频(&C)", "Ctrl+G"},
          {"mnu_AddSound", "导入音频(&E)", "Ctrl+H"},
          {"mnu_AddOffice", "导入Office软件(&O)", "Ctrl+R"}}},
        {QStringLiteral("浏览文件(&B)"),
         {{"mnu_BroFolder", "浏览文件夹(&M)", ""},
          {"mnubar1", "___文件__________", ""},
          {"mnu_BroText", "浏览文本(&A)", "Ctrl+J"},
          {"mnu_BroImage", "浏览图片(&L)", "Ctrl+K"},
          {"mnu_BroMedia", "浏览动画,视频(&C)", "Ctrl+L"},
          {"mnu_BroSound", "浏览音频(&E)", "Ctrl+M"},
          {"mnu_BroOffice", "浏览Office软件(&O)", "Ctrl+N"}}},
        {QStringLiteral("文件操作(&F)"), {{"mnu_Find", "文件查找(&C)", ""}, {"mnu_RecycleBin", "回收站", ""}, {"mnu_Check", "检查目录", ""}}},
    };
    const QList<QAction *> top = w.menuBar()->actions();
    QCOMPARE(top.size(), 5);
    QStringList topNames;
    for (QAction *a : top)
        topNames << a->objectName();
    QCOMPARE(topNames, QStringList({QStringLiteral("mnu_SysTem"), QStringLiteral("mnuAdd"), QStringLiteral("mnubrowse"),
                                    QStringLiteral("mnu_FindData"), QStringLiteral("mnu_About")}));
    for (int i = 0; i < tree.size(); ++i) {
        QCOMPARE(top[i]->text(), tree[i].first);
        const QList<QAction *> items = top[i]->menu()->actions();
        QCOMPARE(items.size(), tree[i].second.size());
        for (int j = 0; j < items.size(); ++j) {
            QCOMPARE(items[j]->objectName(), QLatin1String(tree[i].second[j].name));
            QCOMPARE(items[j]->text(), QString::fromUtf8(tree[i].second[j].caption));
            QCOMPARE(items[j]->shortcut(), QKeySequence(QString::fromUtf8(tree[i].second[j].shortcut)));
        }
    }
    QCOMPARE(top[4]->text(), QStringLiteral("关于"));
    QVERIFY(!top[4]->menu());
    QCOMPARE(w.windowTitle(), QStringLiteral("多媒体文件系统"));
    // The dividers do nothing.
    gCaption = QStringLiteral("unchanged");
    w.mnu_bar->trigger();
    w.mnubar1->trigger();
    QCOMPARE(gCaption, QStringLiteral("unchanged"));
    // The check window exists once, however often it is chosen.
    w.mnu_Check->trigger();
    w.mnu_Check->trigger();
    QList<QWidget *> checks;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (qobject_cast<frmCheck *>(top) && top->isVisible())
            checks << top;
    QCOMPARE(checks.size(), 1);
    QCOMPARE(checks[0]->windowTitle(), QStringLiteral("检查目录"));
    checks[0]->close();
    QVERIFY(d.allAnswered());
}

void TestMainWindow::seedingFreshFile()
{
    TestFolder tf;
    ScriptedDialogs d;
    mdiFrm w;
    QFile f(tf.file(QStringLiteral("UserDefault.ini")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    // The first defaults come first, in their order; today's formats follow.
    const QStringList order = {QStringLiteral("txtImage=*.bmp;*.ico;*.gif;*.jpg;*.png;*.jpeg;"),
                               QStringLiteral("txtMedia=*.exe;*.swf;*.dat;*.avi;*.mpeg;*.rm;*.rmvb;*.3gp;*.mp4;*.mkv;"),
                               QStringLiteral("txtOffice=*.doc;*.xls;*.ppt;*.mdb;*.docx;*.xlsx;*.pptx;*.pdf;"),
                               QStringLiteral("txtSound=*.Mdi;*.mp3;*.mav;*.wav;*.mid;*.flac;*.ogg;*.m4a;*.aac\r\n"),
                               QStringLiteral("txtText=*.txt;*.log;")};
    qsizetype at = -1;
    for (const QString &line : order) {
        const qsizetype found = text.indexOf(line);
        QVERIFY2(found > at, qPrintable(line));
        at = found;
    }
    QVERIFY(ReadIni(QStringLiteral("DataBaseFilePath")).isEmpty());
    // The database is not touched at start.
    QVERIFY(!clsCurrentDb::exists());
}

// Start-up tells once about a file it cannot read, and nothing about one it cannot write.
void TestMainWindow::seedingReportsOnlyWhatLosesData()
{
    {
        TestFolder tf;
        ScriptedDialogs d;
        QCOMPARE(::mkfifo(QFile::encodeName(tf.file(QStringLiteral("UserDefault.ini"))).constData(), 0644), 0);
        mdiFrm w;
        QCOMPARE(d.messages().size(), 1);
        QVERIFY(d.messages().first().contains(QStringLiteral("无法读取")));
    }
    TestFolder tf;
    ScriptedDialogs d;
    if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), tf.path()}) != 0)
        QSKIP("chattr +i is not available here");
    mdiFrm w;
    QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), tf.path()});
    QVERIFY(d.messages().isEmpty());
    QVERIFY(!QFile::exists(tf.file(QStringLiteral("UserDefault.ini"))));
}

void TestMainWindow::seedingLeavesConfiguredFileAlone()
{
    TestFolder tf;
    ScriptedDialogs d;
    const QByteArray original = "[UserDefault]\r\ntxtText=*.md\r\n";
    tf.write(QStringLiteral("UserDefault.ini"), original);
    mdiFrm w;
    QFile f(tf.file(QStringLiteral("UserDefault.ini")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), original);
    // The picture import then gets an empty filter.
    gFilter = QStringLiteral("before");
    w.mnu_AddImage->trigger();
    QCOMPARE(gFilter, QString());
    QCOMPARE(gKind, 3);
}

void TestMainWindow::importCommandsHandOver()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    mdiFrm w;
    WriteIni(QStringLiteral("txtSound"), QStringLiteral("*.ogg"));
    w.mnu_AddSound->trigger();
    QCOMPARE(gFilter, QStringLiteral("*.ogg"));
    QCOMPARE(gCaption, QStringLiteral("导入音频文件"));
    QCOMPARE(gKind, 5);
    w.mnu_AddFolder->trigger();
    QCOMPARE(gFilter, QStringLiteral("*.*"));
    QCOMPARE(gKind, 1);
    w.mnu_BroOffice->trigger();
    QCOMPARE(gFilter, QStringLiteral("*.*")); // browse leaves the filter alone
    QCOMPARE(gCaption, QStringLiteral("浏览Office软件"));
    QCOMPARE(gKind, 6);
}

void TestMainWindow::splashClosesOnClick()
{
    auto *logo = new frmLogo;
    logo->show();
    QSignalSpy finished(logo, &frmLogo::finished);
    QCOMPARE(logo->Label2->text(), QStringLiteral("版本   1.0.0"));
    QCOMPARE(logo->Label1->text(), QStringLiteral("多媒体文件系统"));
    QCOMPARE(logo->Timer1->interval(), 1000);
    QTest::mouseClick(logo->Label1, Qt::LeftButton); // a label does not count
    QCOMPARE(finished.count(), 0);
    QTest::mouseClick(logo, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(finished.count(), 1);
    QTest::qWait(1300); // the timer never fires afterwards
    QCOMPARE(finished.count(), 1);
}

void TestMainWindow::splashClosesOnTime()
{
    QPointer<frmLogo> logo = new frmLogo;
    logo->show();
    QSignalSpy finished(logo.data(), &frmLogo::finished);
    QTest::qWait(500);
    QCOMPARE(finished.count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 3000);
    QTRY_VERIFY(logo.isNull()); // unloaded
}

void TestMainWindow::exitReleasesDatabase()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    mdiFrm w;
    // Nothing opened yet: exit still goes through the seam.
    QVERIFY_THROWS_EXCEPTION(ProcessExit, w.mnu_Exit->trigger());
    QCOMPARE(d.exits, 1);
    CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment"));
    gCaption = QStringLiteral("x");
    QVERIFY_THROWS_EXCEPTION(ProcessExit, w.mnu_Exit->trigger());
    QVERIFY(!clsCurrentDb::exists());
    QVERIFY(gCaption.isEmpty());
}

void TestMainWindow::restartStartsProgramAgain()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    mdiFrm w;
    CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment"));
    gKind = 4;
    QVERIFY_THROWS_EXCEPTION(ProcessExit, w.mnu_LoginAgain->trigger());
    QCOMPARE(d.started, QStringList(QCoreApplication::applicationFilePath()));
    QVERIFY(!clsCurrentDb::exists());
    QCOMPARE(gKind, 4);

    // A program that cannot be started is reported and the window stays.
    d.startSucceeds = false;
    w.mnu_LoginAgain->trigger();
    QCOMPARE(d.exits, 1);
    QCOMPARE(d.messages().size(), 1);
}

void TestMainWindow::topMost()
{
    QWidget w;
    w.setGeometry(100, 100, 200, 100);
    SetTopMost(&w, -1);
    QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
    SetTopMost(&w, 5);
    QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
    SetTopMost(&w, -2);
    QVERIFY(!(w.windowFlags() & Qt::WindowStaysOnTopHint));
    QCOMPARE(w.geometry().size(), QSize(200, 100));
}

void TestMainWindow::placeRememberedAndFitted()
{
    TestFolder tf;
    ScriptedDialogs d;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    auto *first = new mdiFrm;
    QVERIFY2(screen.contains(first->geometry()), "the design size must not run off a small screen");
    first->setGeometry(screen.left() + 40, screen.top() + 60, 500, 400);
    first->close();
    mdiFrm next;
    QCOMPARE(next.geometry(), QRect(screen.left() + 40, screen.top() + 60, 500, 400));
}

void TestMainWindow::findFromAnyWindow()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    mdiFrm w;
    w.show();
    w.mnu_BroImage->trigger();
    QWidget *browse = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (qobject_cast<frmBrowse *>(top))
            browse = top;
    browse->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(browse));
    QTest::keyClick(browse, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(w.findWindow() && w.findWindow()->isVisible());
    // Windows wider than a small screen are fitted to it.
    QVERIFY(w.findWindow()->width() <= QGuiApplication::primaryScreen()->availableGeometry().width());
    QTRY_VERIFY(static_cast<frmFind *>(w.findWindow())->txtContent->hasFocus());
    browse->close();
    w.findWindow()->close();
}

void TestMainWindow::messageBoxes_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("answer"); // to Enter
    QTest::addColumn<bool>("ownerShown"); // a progress dialog still waiting out its delay is not
    QTest::newRow("report") << int(Msg::OkOnly | Msg::Information) << int(Msg::IdOk) << true;
    QTest::newRow("question") << int(Msg::YesNo | Msg::Question) << int(Msg::IdYes) << false;
    QTest::newRow("destroys") << int(Msg::YesNo | Msg::Question | Msg::DefaultSecond) << int(Msg::IdNo) << true;
}

void TestMainWindow::messageBoxes()
{
    QFETCH(int, style);
    QFETCH(int, answer);
    QFETCH(bool, ownerShown);
    QVERIFY(AppStart::installTranslations());
    QDialog owner;
    QWidget other;
    owner.setVisible(ownerShown);
    other.show();
    other.activateWindow(); // the owner, not the active window, holds the box
    DialogOwner guard(&owner);
    QString fault = QStringLiteral("no box");
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        fault.clear();
        // Under its owner, which is shown first so it cannot come up over the box later.
        if (box->parentWidget() != &owner || !owner.isVisible())
            fault += QStringLiteral(" owner");
        if (box->width() < box->fontMetrics().horizontalAdvance(box->windowTitle()) + 100)
            fault += QStringLiteral(" narrow");
        for (QAbstractButton *b : box->buttons())
            if (b->text().contains(QRegularExpression(QStringLiteral("^[&A-Za-z ]+$"))))
                fault += QStringLiteral(" English:") + b->text();
        QTest::keyClick(box, Qt::Key_Return);
    });
    const int code = QtDialogs().message(QStringLiteral("删除成功!"), style, QStringLiteral("文件系统-"));
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QCOMPARE(code, answer);
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
