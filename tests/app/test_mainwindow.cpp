#include "CatalogueTest.h"
#include "app/AppStart.h"
#include "app/RegistryReader.h"
#include "app/SearchIndexBar.h"
#include "app/frmAbout.h"
#include "app/frmLogo.h"
#include "app/frmSetting.h"
#include "app/mdiFrm.h"
#include "browse/frmFind.h"
#include "store/DialogOwner.h"
#include "store/IniFile.h"
#include "store/ProcessExit.h"
#include "store/SearchIndexBuild.h"
#include "ui/QtDialogs.h"
#include "ui/SharedState.h"
#include "ui/WindowServices.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <sys/stat.h>

namespace {
// What a menu command hands over to the window it opens.
QVariantList handedOver()
{
    return {gFilter, gCaption, gKind};
}

// Sets or clears the immutable flag; false where chattr is not available.
bool immutable(const QString &path, bool on)
{
    return QProcess::execute(QStringLiteral("chattr"), {QLatin1String(on ? "+i" : "-i"), path}) == 0;
}

QList<QWidget *> shownWindows(const char *className)
{
    QList<QWidget *> found;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (top->inherits(className) && top->isVisible())
            found << top;
    return found;
}
} // namespace

struct FakeRegistry : RegistryReader {
    QHash<QString, QVariant> values; // "key|value" -> value
    bool read(Root, const QString &key, const QString &valueName, QVariant *value) const override
    {
        *value = values.value(key + QLatin1Char('|') + valueName, *value);
        return values.contains(key + QLatin1Char('|') + valueName);
    }
};

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    // A fresh start: the menus, the defaults written, and the place of the last window remembered.
    void freshStart()
    {
        TestFolder tf;
        ScriptedDialogs d;
        auto *w = new mdiFrm;
        // Each top entry: objectName and caption, then its menu's entries as objectName, caption, shortcut.
        const QStringList tree = {
            "mnu_SysTem 系统设置(&F) | mnu_Setting 系统设置(&S)  | mnu_LoginAgain 重新登陆(&R)  | mnu_Exit 退出系统(&X) ",
            "mnuAdd 导入文件(&A) | mnu_AddFolder 导入文件夹(&M)...  | mnu_bar ___文件__________  | "
            "mnu_AddText 导入文本(&A) Ctrl+D | mnu_AddImage 导入图片(&L) Ctrl+E | mnu_AddMedia 导入动画,视频(&C) Ctrl+G | "
            "mnu_AddSound 导入音频(&E) Ctrl+H | mnu_AddOffice 导入Office软件(&O) Ctrl+R",
            "mnubrowse 浏览文件(&B) | mnu_BroFolder 浏览文件夹(&M)  | mnubar1 ___文件__________  | "
            "mnu_BroText 浏览文本(&A) Ctrl+J | mnu_BroImage 浏览图片(&L) Ctrl+K | mnu_BroMedia 浏览动画,视频(&C) Ctrl+L | "
            "mnu_BroSound 浏览音频(&E) Ctrl+M | mnu_BroOffice 浏览Office软件(&O) Ctrl+N",
            "mnu_FindData 文件操作(&F) | mnu_Find 文件查找(&C)  | mnu_RecycleBin 回收站  | mnu_Check 检查目录 ",
            "mnu_About 关于",
        };
        const QList<QAction *> top = w->menuBar()->actions();
        QCOMPARE(top.size(), tree.size());
        for (int i = 0; i < tree.size(); ++i) {
            QString seen = top[i]->objectName() + QLatin1Char(' ') + top[i]->text();
            for (QAction *a : top[i]->menu() ? top[i]->menu()->actions() : QList<QAction *>())
                seen += QStringLiteral(" | %1 %2 %3").arg(a->objectName(), a->text(), a->shortcut().toString());
            QCOMPARE(seen, tree[i]);
        }
        QCOMPARE(w->windowTitle(), QStringLiteral("多媒体文件系统"));
        // A fresh file gets the first defaults first, in their order; today's formats follow.
        const QString text = QString::fromUtf8(Corpus::read(tf.file(QStringLiteral("UserDefault.ini"))));
        qsizetype at = -1;
        for (const char *line :
             {"txtImage=*.bmp;*.ico;*.gif;*.jpg;*.png;*.jpeg;",
              "txtMedia=*.exe;*.swf;*.dat;*.avi;*.mpeg;*.rm;*.rmvb;*.3gp;*.mp4;*.mkv;",
              "txtOffice=*.doc;*.xls;*.ppt;*.mdb;*.docx;*.xlsx;*.pptx;*.pdf;",
              "txtSound=*.Mdi;*.mp3;*.mav;*.wav;*.mid;*.flac;*.ogg;*.m4a;*.aac\r\n", "txtText=*.txt;*.log;"}) {
            const qsizetype found = text.indexOf(QString::fromUtf8(line));
            QVERIFY2(found > at, line);
            at = found;
        }
        QVERIFY(ReadIni(QStringLiteral("DataBaseFilePath")).isEmpty());
        QVERIFY(!clsCurrentDb::exists()); // the database is not touched at start
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(screen.contains(w->geometry()), "the design size must not run off a small screen");
        w->setGeometry(screen.left() + 40, screen.top() + 60, 500, 400);
        w->close();
        mdiFrm next;
        QCOMPARE(next.geometry(), QRect(screen.left() + 40, screen.top() + 60, 500, 400));
    }

    // The status line shows a search index build with its progress only while one runs,
    // and its button stops it.
    void searchIndexLine()
    {
        TestFolder tf;
        ScriptedDialogs d;
        mdiFrm w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!w.statusBar()->isVisible());
        std::atomic_bool stop{false};
        const std::uint64_t build = SearchIndexBuild::started(&stop);
        SearchIndexBuild::progressed(build, 420);
        QTRY_VERIFY(w.statusBar()->isVisible());
        QCOMPARE(w.searchIndexBar->prgSearchIndex->value(), 420);
        QVERIFY(w.searchIndexBar->lblSearchIndex->text().startsWith(QStringLiteral("正在建立搜索索引")));
        QVERIFY(w.centralWidget()->geometry().bottom() < w.statusBar()->geometry().top());
        QTest::mouseClick(w.searchIndexBar->cmdSearchIndexCancel, Qt::LeftButton);
        QVERIFY(stop);
        QVERIFY(!w.searchIndexBar->cmdSearchIndexCancel->isEnabled());
        SearchIndexBuild::ended(build);
        QTRY_VERIFY(!w.statusBar()->isVisible());
    }

    // Start-up tells once about a file it cannot read, and nothing about one it cannot write.
    void seedingReportsOnlyWhatLosesData()
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
        if (!immutable(tf.path(), true))
            QSKIP("chattr +i is not available here");
        mdiFrm w;
        immutable(tf.path(), false);
        QVERIFY(d.messages().isEmpty());
        QVERIFY(!QFile::exists(tf.file(QStringLiteral("UserDefault.ini"))));
    }

    // A configured file is left alone; each command hands its filter, caption and kind over.
    // Exit and restart both release the database and the handed-over texts; gKind stays.
    void commandsHandOverExitAndRestart()
    {
        TestFolder tf;
        tf.createCatalogue();
        ScriptedDialogs d;
        const QByteArray original = "[UserDefault]\r\ntxtText=*.md\r\n";
        tf.write(QStringLiteral("UserDefault.ini"), original);
        mdiFrm w;
        QCOMPARE(Corpus::read(tf.file(QStringLiteral("UserDefault.ini"))), original);
        QVERIFY_THROWS_EXCEPTION(ProcessExit, w.mnu_Exit->trigger()); // nothing opened yet: still through the seam
        gFilter = QStringLiteral("before");
        w.mnu_AddImage->trigger();
        QCOMPARE(handedOver(), QVariantList({QString(), "导入图片", 3})); // no filter configured
        WriteIni(QStringLiteral("txtSound"), QStringLiteral("*.ogg"));
        w.mnu_AddSound->trigger();
        QCOMPARE(handedOver(), QVariantList({"*.ogg", "导入音频文件", 5}));
        w.mnu_AddFolder->trigger();
        QCOMPARE(handedOver(), QVariantList({"*.*", "导入文件夹", 1}));
        for (QAction *command : {w.mnu_BroOffice, w.mnu_bar, w.mnubar1}) // the dividers do nothing
            command->trigger();
        QCOMPARE(handedOver(), QVariantList({"*.*", "浏览Office软件", 6})); // browse leaves the filter alone

        for (QAction *command : {w.mnu_Exit, w.mnu_LoginAgain}) {
            CurrentDb().OpenRecordset(QStringLiteral("Select * From tblAttachment"));
            gCaption = QStringLiteral("x");
            gKind = 4;
            QVERIFY_THROWS_EXCEPTION(ProcessExit, command->trigger());
            QVERIFY(!clsCurrentDb::exists());
            QCOMPARE(handedOver(), QVariantList({QString(), QString(), 4}));
        }
        QCOMPARE(d.started, QStringList(QCoreApplication::applicationFilePath()));
        // A program that cannot be started is reported and the window stays.
        d.startSucceeds = false;
        w.mnu_LoginAgain->trigger();
        QCOMPARE(d.exits, 3);
        QCOMPARE(d.messages().size(), 1);
        w.close(); // and the windows it opened
    }

    void splashCloses_data()
    {
        QTest::addColumn<bool>("click");
        QTest::newRow("on a click") << true;
        QTest::newRow("on time") << false;
    }

    void splashCloses()
    {
        QFETCH(bool, click);
        QPointer<frmLogo> logo = new frmLogo;
        logo->show();
        QSignalSpy finished(logo.data(), &frmLogo::finished);
        QTest::mouseClick(logo->Label1, Qt::LeftButton); // a label does not count
        if (click)
            QTest::mouseClick(logo, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(finished.count(), int(click));
        QTest::qWait(1300); // once only: the timer does not fire after a click
        QCOMPARE(finished.count(), 1);
        QTRY_VERIFY(logo.isNull()); // unloaded
    }

    // Find, settings, about and check windows exist once; browse windows open anew each time.
    void singleInstances()
    {
        TestFolder tf;
        tf.createCatalogue();
        ScriptedDialogs d;
        mdiFrm w;
        w.show();
        w.mnu_BroImage->trigger();
        w.mnu_BroImage->trigger();
        const QList<QWidget *> browsers = shownWindows("frmBrowse");
        QCOMPARE(browsers.size(), 2);
        browsers[0]->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(browsers[0]));
        QTest::keyClick(browsers[0], Qt::Key_F, Qt::ControlModifier); // from any window of the program
        auto *find = static_cast<frmFind *>(w.findWindow());
        QVERIFY(find && find->isVisible());
        QVERIFY(find->width() <= QGuiApplication::primaryScreen()->availableGeometry().width()); // fitted to the screen
        QTRY_VERIFY(find->txtContent->hasFocus());
        w.mnu_Find->trigger();
        QCOMPARE(w.findWindow(), find);
        find->close();
        QTRY_VERIFY(!w.findWindow()); // closing discards it
        w.mnu_Find->trigger();
        QVERIFY(w.findWindow());
        w.mnu_Setting->trigger();
        QWidget *settings = w.settingWindow();
        w.mnu_Setting->trigger();
        QCOMPARE(w.settingWindow(), settings);
        w.mnu_About->trigger();
        QVERIFY(w.aboutWindow() && w.aboutWindow()->isVisible());
        w.mnu_Check->trigger();
        w.mnu_Check->trigger();
        QCOMPARE(shownWindows("frmCheck").size(), 1);
        QVERIFY(d.allAnswered());
        w.close();
    }

    void messageBoxes_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("answer");      // to Enter
        QTest::addColumn<bool>("ownerShown"); // a progress dialog still waiting out its delay is not
        QTest::newRow("report") << int(Msg::OkOnly | Msg::Information) << int(Msg::IdOk) << true;
        QTest::newRow("question") << int(Msg::YesNo | Msg::Question) << int(Msg::IdYes) << false;
        QTest::newRow("destroys") << int(Msg::YesNo | Msg::Question | Msg::DefaultSecond) << int(Msg::IdNo) << true;
    }

    void messageBoxes()
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

    // With no text filter the defaults are shown, not written; OK writes what the boxes hold.
    void settingsWindow()
    {
        TestFolder tf;
        ScriptedDialogs d;
        tf.write(QStringLiteral("UserDefault.ini"), "[UserDefault]\r\ntxtText=\r\ntxtImage=*.raw\r\n");
        QPointer<frmSetting> s = new frmSetting;
        QCOMPARE(s->txtImage->text(), mdiFrm::defaultFilters().first().second); // not the stored *.raw
        QVERIFY(s->windowFlags() & Qt::WindowStaysOnTopHint);
        s->show();
        s->cmdCancel->click();
        QTRY_VERIFY(s.isNull());
        QCOMPARE(ReadIni(QStringLiteral("txtImage")), QStringLiteral("*.raw"));
        tf.write(QStringLiteral("UserDefault.ini"), "[UserDefault]\r\ntxtText=*.md\r\ntxtImage=\r\ntxtOffice=*.odt\r\n");
        s = new frmSetting;
        QCOMPARE(s->txtText->text(), QStringLiteral("*.md"));
        QCOMPARE(s->txtImage->text(), QString());
        d.answerMessage(7);
        s->cmdReset->click();
        QCOMPARE(d.asked.last().text, QStringLiteral("您确定要恢复到默认设置吗?"));
        QCOMPARE(s->txtOffice->text(), QStringLiteral("*.odt")); // answered No
        s->txtSound->setText(QStringLiteral(" *.flac ; bad pattern "));
        s->txtOffice->clear();
        if (immutable(tf.file(QStringLiteral("UserDefault.ini")), true)) {
            s->show(); // a write that fails keeps the window open with what was typed
            s->cmdOK_Click();
            immutable(tf.file(QStringLiteral("UserDefault.ini")), false);
            QVERIFY(s->isVisible() && d.messages().size() == 2);
        }
        s->cmdOK_Click();
        QCOMPARE(QStringList({ReadIni(QStringLiteral("txtSound")), ReadIni(QStringLiteral("txtOffice")),
                              ReadIni(QStringLiteral("txtText"))}),
                 QStringList({"*.flac ; bad pattern", "", "*.md"}));
        frmSetting again;
        d.answerMessage(6);
        again.cmdReset_Click();
        QVERIFY(again.txtOffice->text().startsWith(QStringLiteral("*.doc;*.xls;*.ppt;*.mdb;*.docx;")));
        QCOMPARE(ReadIni(QStringLiteral("txtOffice")), QString()); // not until OK
    }

    // Kept on top until SetTopMost -2 lets go, in the same place; system information and registry values.
    void aboutWindow()
    {
        frmAbout a;
        QVERIFY(a.windowFlags() & Qt::WindowStaysOnTopHint);
        const QRect place = a.geometry();
        SetTopMost(&a, -2);
        QVERIFY(!(a.windowFlags() & Qt::WindowStaysOnTopHint));
        QCOMPARE(a.geometry(), place);
        ScriptedDialogs d;
        FakeRegistry reg;
        RegistryReader::install(&reg);
        const QString infoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO|PATH");
        QTemporaryDir tools;
        const QString tool = tools.filePath(QStringLiteral("MSINFO32.EXE"));
        frmAbout::StartSysInfo(); // no registry at all
        QCOMPARE(QVariantList({d.asked.last().text, d.asked.last().title, d.asked.last().buttons}),
                 QVariantList({"此时系统信息不可用", "多媒体文件系统", 0}));
        reg.values[infoKey] = QStringLiteral("C:\\tools\\msinfo32.exe");
        frmAbout::StartSysInfo();
        QCOMPARE(d.started, QStringList(QStringLiteral("C:\\tools\\msinfo32.exe")));
        d.startSucceeds = false; // a PATH naming a missing file
        frmAbout::StartSysInfo();
        QCOMPARE(d.messages().size(), 2);
        d.startSucceeds = true;
        reg.values.remove(infoKey);
        reg.values[QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location|MSINFO")] = tools.path();
        frmAbout::StartSysInfo(); // a folder without the tool
        QCOMPARE(d.messages().size(), 3);
        QVERIFY(QFile(tool).open(QIODevice::WriteOnly));
        frmAbout::StartSysInfo();
        QCOMPARE(d.started.last(), tool);
        QCOMPARE(d.messages().size(), 3);
        reg.values = {
            {"k|text", QString(QStringLiteral("abc") + QChar(0))}, {"k|number", 4242}, {"k|binary", QByteArray("\x01\x02")}};
        QString v = QStringLiteral("old");
        QStringList seen; // found=value after each look-up; other kinds leave the value unchanged
        for (const char *name : {"text", "number", "binary", "none"}) {
            const bool found = GetKeyValue(RegistryReader::LocalMachine, QStringLiteral("k"), QLatin1String(name), v);
            seen << QStringLiteral("%1=%2").arg(found).arg(v);
        }
        QCOMPARE(seen, QStringList({"1=abc", "1=4242", "1=4242", "0="}));
        RegistryReader::install(nullptr);
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
