#include "ScriptedDialogs.h"
#include "TestFolder.h"
#include "app/IniFile.h"
#include "app/RegistryReader.h"
#include "app/frmAbout.h"
#include "app/frmSetting.h"
#include "app/mdiFrm.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class FakeRegistry : public RegistryReader {
public:
    QHash<QString, QVariant> values; // "key|value" -> value
    bool read(Root, const QString &key, const QString &valueName, QVariant *value) const override
    {
        const auto it = values.constFind(key + QLatin1Char('|') + valueName);
        if (it == values.constEnd())
            return false;
        *value = it.value();
        return true;
    }
};

class TestSettingsAbout : public QObject {
    Q_OBJECT
private slots:
    void settingsShowDefaultsWithoutWriting();
    void settingsSaveAndReset();
    void about();
    void systemInformation();
    void keyValues();
    void singleInstances();
};

namespace {
const QString kInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO|PATH");
const QString kLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location|MSINFO");
} // namespace

void TestSettingsAbout::settingsShowDefaultsWithoutWriting()
{
    TestFolder tf;
    ScriptedDialogs d;
    tf.write(QStringLiteral("UserDefault.ini"), "[UserDefault]\r\ntxtText=\r\ntxtImage=*.raw\r\n");
    QPointer<frmSetting> s = new frmSetting;
    QCOMPARE(s->windowTitle(), QStringLiteral("系统设置"));
    QVERIFY(s->txtImage->text().startsWith(QStringLiteral("*.bmp;*.ico;*.gif;*.jpg;*.png;")));
    QVERIFY(s->txtText->text().startsWith(QStringLiteral("*.txt;*.log;")));
    QCOMPARE(s->txtSound->text(), QStringLiteral("*.Mdi;*.mp3;*.mav;*.wav;*.mid;*.flac;*.ogg;*.m4a;*.aac"));
    QCOMPARE(ReadIni(QStringLiteral("txtImage")), QStringLiteral("*.raw")); // nothing written at load
    QVERIFY(s->windowFlags() & Qt::WindowStaysOnTopHint);
    s->show();
    s->cmdCancel->click();
    QTRY_VERIFY(s.isNull());
    QCOMPARE(ReadIni(QStringLiteral("txtImage")), QStringLiteral("*.raw"));
}

void TestSettingsAbout::settingsSaveAndReset()
{
    TestFolder tf;
    ScriptedDialogs d;
    WriteIni(QStringLiteral("txtText"), QStringLiteral("*.md"));
    WriteIni(QStringLiteral("txtOffice"), QStringLiteral("*.odt"));
    auto *s = new frmSetting;
    QCOMPARE(s->txtText->text(), QStringLiteral("*.md"));
    QCOMPARE(s->txtImage->text(), QString());
    d.answerMessage(7);
    s->cmdReset->click();
    QCOMPARE(d.asked.last().text, QStringLiteral("您确定要恢复到默认设置吗?"));
    QCOMPARE(s->txtOffice->text(), QStringLiteral("*.odt"));
    s->txtSound->setText(QStringLiteral(" *.flac ; bad pattern "));
    s->txtOffice->clear();
    s->cmdOK_Click();
    QCOMPARE(ReadIni(QStringLiteral("txtSound")), QStringLiteral("*.flac ; bad pattern"));
    QCOMPARE(ReadIni(QStringLiteral("txtOffice")), QString());
    QCOMPARE(ReadIni(QStringLiteral("txtText")), QStringLiteral("*.md"));

    frmSetting again;
    d.answerMessage(6);
    again.cmdReset_Click();
    QVERIFY(again.txtOffice->text().startsWith(QStringLiteral("*.doc;*.xls;*.ppt;*.mdb;*.docx;")));
    QCOMPARE(ReadIni(QStringLiteral("txtOffice")), QString()); // not until OK
}

void TestSettingsAbout::about()
{
    frmAbout a;
    QCOMPARE(a.windowTitle(), QStringLiteral("关于 多媒体文件系统"));
    QCOMPARE(a.lblVersion->text(), QStringLiteral("版本 1.0.0"));
    QCOMPARE(a.lblTitle->text(), QStringLiteral("多媒体文件系统"));
    QCOMPARE(a.lblDisclaimer->text().split(QLatin1Char('\n')).size(), 4);
    QVERIFY(a.lblDisclaimer->text().contains(QStringLiteral("\t系统出问题")));
    QCOMPARE(a.cmdSysInfo->text(), QStringLiteral("系统信息(&S)..."));
    QVERIFY(a.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!(a.windowFlags() & Qt::WindowMaximizeButtonHint));
}

void TestSettingsAbout::systemInformation()
{
    ScriptedDialogs d;
    FakeRegistry reg;
    RegistryReader::install(&reg);
    QTemporaryDir tools;

    frmAbout::StartSysInfo(); // no registry at all
    QCOMPARE(d.asked.last().text, QStringLiteral("此时系统信息不可用"));
    QCOMPARE(d.asked.last().title, QStringLiteral("多媒体文件系统"));
    QCOMPARE(d.asked.last().buttons, 0);

    reg.values[kInfoKey] = QStringLiteral("C:\\tools\\msinfo32.exe");
    frmAbout::StartSysInfo();
    QCOMPARE(d.started, QStringList(QStringLiteral("C:\\tools\\msinfo32.exe")));
    d.startSucceeds = false; // a PATH naming a missing file
    frmAbout::StartSysInfo();
    QCOMPARE(d.messages().size(), 2);

    d.startSucceeds = true;
    reg.values.remove(kInfoKey);
    reg.values[kLocationKey] = tools.path();
    frmAbout::StartSysInfo(); // a folder without the tool
    QCOMPARE(d.messages().size(), 3);
    QFile tool(tools.path() + QStringLiteral("/MSINFO32.EXE"));
    QVERIFY(tool.open(QIODevice::WriteOnly));
    tool.close();
    frmAbout::StartSysInfo();
    QCOMPARE(d.started.last(), tools.path() + QStringLiteral("/MSINFO32.EXE"));
    QCOMPARE(d.messages().size(), 3);
    RegistryReader::install(nullptr);
}

void TestSettingsAbout::keyValues()
{
    FakeRegistry reg;
    RegistryReader::install(&reg);
    reg.values[QStringLiteral("k|text")] = QString(QStringLiteral("abc") + QChar(0));
    reg.values[QStringLiteral("k|number")] = 4242;
    reg.values[QStringLiteral("k|binary")] = QByteArray("\x01\x02");
    QString v = QStringLiteral("old");
    QVERIFY(GetKeyValue(RegistryReader::LocalMachine, QStringLiteral("k"), QStringLiteral("text"), v));
    QCOMPARE(v, QStringLiteral("abc"));
    QVERIFY(GetKeyValue(RegistryReader::LocalMachine, QStringLiteral("k"), QStringLiteral("number"), v));
    QCOMPARE(v, QStringLiteral("4242"));
    QVERIFY(GetKeyValue(RegistryReader::LocalMachine, QStringLiteral("k"), QStringLiteral("binary"), v));
    QCOMPARE(v, QStringLiteral("4242")); // other kinds leave it unchanged
    QVERIFY(!GetKeyValue(RegistryReader::LocalMachine, QStringLiteral("k"), QStringLiteral("none"), v));
    QCOMPARE(v, QString());
    RegistryReader::install(nullptr);
    // Without a registry the platform reader finds nothing here.
#ifndef Q_OS_WIN
    QVERIFY(!GetKeyValue(RegistryReader::LocalMachine, QStringLiteral("SOFTWARE"), QStringLiteral("x"), v));
#endif
}

void TestSettingsAbout::singleInstances()
{
    TestFolder tf;
    tf.createCatalogue();
    ScriptedDialogs d;
    mdiFrm w;
    w.mnu_Find->trigger();
    QWidget *find = w.findWindow();
    QVERIFY(find && find->isVisible());
    find->findChild<QLineEdit *>(QStringLiteral("txtContent"))->setText(QStringLiteral("kept"));
    w.mnu_Find->trigger();
    QCOMPARE(w.findWindow(), find);
    QCOMPARE(find->findChild<QLineEdit *>(QStringLiteral("txtContent"))->text(), QStringLiteral("kept"));
    find->close();
    QTRY_VERIFY(!w.findWindow()); // closing discards it
    w.mnu_Find->trigger();
    QCOMPARE(w.findWindow()->findChild<QLineEdit *>(QStringLiteral("txtContent"))->text(), QString());

    w.mnu_Setting->trigger();
    QWidget *settings = w.settingWindow();
    w.mnu_Setting->trigger();
    QCOMPARE(w.settingWindow(), settings);
    w.mnu_About->trigger();
    QVERIFY(w.aboutWindow() && w.aboutWindow()->isVisible());
    // Browse entries open a new window each time.
    auto browsers = [] {
        int n = 0;
        for (QWidget *top : QApplication::topLevelWidgets())
            n += top->objectName() == QLatin1String("frmBrowse");
        return n;
    };
    w.mnu_BroImage->trigger();
    w.mnu_BroImage->trigger();
    QCOMPARE(browsers(), 2);
    w.close();
}

QTEST_MAIN(TestSettingsAbout)
#include "test_settings_about.moc"
