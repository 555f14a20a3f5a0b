#include "ScriptedDialogs.h"
#include "controls/OleColor.h"
#include "controls/PropertyBag.h"
#include "controls/UsrButton.h"

#include <QSignalSpy>
#include <QtTest>

class TestUsrButton : public QObject {
    Q_OBJECT
private slots:
    void newInstance();
    void toggleButton();
    void rightClickAndDoubleClick();
    void spaceKey();
    void hotTrackingAndToolTip();
    void designModeHasNoTracking();
    void storedKeys();
    void emptyStore();
    void changeNotices();
    void minimumSize();
    void aboutAndOpenLink();
};

namespace {
void click(UsrButton &b, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(&b, button, {}, QPoint(10, 10));
}
} // namespace

void TestUsrButton::newInstance()
{
    UsrButton b;
    b.InitProperties(QStringLiteral("UsrButton1"));
    QCOMPARE(b.Style(), 9);
    QCOMPARE(b.Caption(), QStringLiteral("UsrButton1"));
    QCOMPARE(b.Font().family(), QStringLiteral("Verdana"));
    QCOMPARE(b.Font().pointSizeF(), 8.25);
    QCOMPARE(b.Version(), QStringLiteral("3.0"));
    QCOMPARE(b.BackColor(), OleColor::translate(OleColor::system(15)));
    QCOMPARE(b.NonThemeStyle(), 0);
    QCOMPARE(b.ToolTipType(), 0);
}

void TestUsrButton::toggleButton()
{
    UsrButton b;
    b.resize(80, 26);
    b.setButtonType(1);
    QSignalSpy clicks(&b, &UsrButton::Click);
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(b.state(), int(ButtonLook::Pressed));
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(b.Value());
    QCOMPARE(clicks.count(), 1);
    b.render(); // a toggled-on button is drawn pressed
    QCOMPARE(b.state(), int(ButtonLook::Pressed));
    click(b);
    QVERIFY(!b.Value());
    QCOMPARE(clicks.count(), 2);
    b.render();
    QCOMPARE(b.state(), int(ButtonLook::Hot));
}

void TestUsrButton::rightClickAndDoubleClick()
{
    UsrButton b;
    b.resize(80, 26);
    QSignalSpy clicks(&b, &UsrButton::Click);
    click(b, Qt::RightButton);
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(b.state(), int(ButtonLook::Normal));
    QTest::mouseDClick(&b, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(b.state(), int(ButtonLook::Normal)); // the last release was the right button's
    // After a left release a double click shows the pressed look and raises no second Click.
    click(b);
    QCOMPARE(clicks.count(), 1);
    QTest::mouseDClick(&b, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(b.state(), int(ButtonLook::Pressed));
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(clicks.count(), 1);
}

void TestUsrButton::spaceKey()
{
    UsrButton b;
    b.resize(80, 26);
    b.show();
    QSignalSpy clicks(&b, &UsrButton::Click);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QCoreApplication::sendEvent(&b, &down);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(b.state(), int(ButtonLook::Pressed));
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
    QCoreApplication::sendEvent(&b, &repeat);
    QCOMPARE(clicks.count(), 1); // held: still one Click, still pressed
    QCOMPARE(b.state(), int(ButtonLook::Pressed));
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QCoreApplication::sendEvent(&b, &up);
    QCOMPARE(b.state(), int(ButtonLook::Hot));
    QCOMPARE(clicks.count(), 1);
}

void TestUsrButton::hotTrackingAndToolTip()
{
    QWidget host;
    UsrButton b(&host);
    b.resize(80, 26);
    b.setToolTip(QStringLiteral("host tip"));
    host.show();
    QCOMPARE(b.ToolTip(), QStringLiteral("host tip")); // taken over from the host
    QVERIFY(b.QWidget::toolTip().isEmpty());
    b.setToolTipTitle(QStringLiteral("标题"));
    b.setToolTipIcon(2);
    b.setToolTipType(1);
    b.setToolTipBackColor(0);
    b.setToolTipForeColor(OleColor::rgb(200, 0, 0));
    QSignalSpy enter(&b, &UsrButton::MouseEnter), leave(&b, &UsrButton::MouseLeave);
    QEnterEvent in(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&b, &in);
    QCOMPARE(enter.count(), 1);
    QVERIFY(b.mouseInside());
    QCOMPARE(b.state(), int(ButtonLook::Hot));
    ButtonToolTip *tip = b.toolTipWindow();
    QVERIFY(tip);
    QCOMPARE(tip->text(), QStringLiteral("host tip"));
    QCOMPARE(tip->title(), QStringLiteral("标题"));
    QCOMPARE(tip->titleIcon(), 2);
    QVERIFY(tip->balloon());
    QCOMPARE(tip->background(), QApplication::palette().color(QPalette::ToolTipBase)); // 0 keeps the default
    QCOMPARE(tip->foreground(), QColor(200, 0, 0));
    QEvent out(QEvent::Leave);
    QCoreApplication::sendEvent(&b, &out);
    QCOMPARE(leave.count(), 1);
    QCOMPARE(b.state(), int(ButtonLook::Normal));
    // A change shows at the next entry, in a new tip.
    b.setToolTipText(QStringLiteral("new"));
    QCoreApplication::sendEvent(&b, &in);
    QCOMPARE(b.toolTipWindow()->text(), QStringLiteral("new"));
    b.hide();
    QCOMPARE(b.QWidget::toolTip(), QStringLiteral("new")); // handed back to the host
}

void TestUsrButton::designModeHasNoTracking()
{
    UsrButton::setDesignMode(true);
    UsrButton b;
    b.resize(80, 26);
    b.setStyle(3);
    QSignalSpy enter(&b, &UsrButton::MouseEnter);
    QEnterEvent in(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&b, &in);
    QCOMPARE(enter.count(), 0);
    b.render();
    QCOMPARE(b.lastLook().state, int(ButtonLook::Hot)); // every style but 5 looks hot
    b.setStyle(5);
    UsrButton fresh;
    fresh.resize(80, 26);
    fresh.setStyle(5);
    fresh.render();
    QCOMPARE(fresh.lastLook().state, int(ButtonLook::Normal));
    UsrButton::setDesignMode(false);
}

void TestUsrButton::storedKeys()
{
    UsrButton b;
    b.resize(80, 26);
    b.setStyle(7);
    b.setCaption(QStringLiteral("保存"));
    b.setNonThemeStyle(2);
    b.setUseCustomColors(true);
    b.setBackColor(OleColor::rgb(1, 2, 3));
    b.setToolTipText(QStringLiteral("tip"));
    b.setToolTipBackColor(OleColor::rgb(9, 9, 9));
    b.setButtonType(1);
    b.setValue(true);
    PropertyBag bag;
    b.WriteProperties(bag);
    QCOMPARE(bag.writeLog(),
             QStringList({"Icon", "Style", "Caption", "IconSize", "IconAlign", "CaptionAlign", "iNonThemeStyle", "Enabled",
                          "ShowFocus", "USeCustomColors", "BackColor", "HighlightColor", "FontColor", "FontHighlightColor",
                          "ToolTipText", "Tooltiptitle", "ToolTipIcon", "ToolTipType", "ttBackColor", "ttForeColor", "Font",
                          "ButtonType", "Value"}));
    // Defaults need not be stored; keys without a default always are.
    QVERIFY(!bag.contains(QStringLiteral("IconSize")));
    QVERIFY(bag.contains(QStringLiteral("Tooltiptitle")) && bag.contains(QStringLiteral("Font")));
    UsrButton back;
    back.resize(80, 26);
    back.ReadProperties(bag);
    QCOMPARE(bag.readLog().mid(0, 7), QStringList({"Icon", "Style", "Caption", "IconSize", "CaptionAlign", "IconAlign",
                                                   "iNonThemeStyle"}));
    QCOMPARE(back.Style(), 7);
    QCOMPARE(back.Caption(), QStringLiteral("保存"));
    QCOMPARE(back.NonThemeStyle(), 2);
    QVERIFY(back.UseCustomColors());
    QCOMPARE(back.BackColor(), OleColor::rgb(1, 2, 3));
    QCOMPARE(back.ToolTip(), QStringLiteral("tip"));
    QCOMPARE(back.ToolTipBackColor(), OleColor::rgb(9, 9, 9));
    QVERIFY(back.Value());
    QCOMPARE(back.ButtonType(), 1);
}

void TestUsrButton::emptyStore()
{
    PropertyBag bag;
    UsrButton b;
    b.resize(80, 26);
    b.ReadProperties(bag);
    QCOMPARE(b.Style(), 3);
    QCOMPARE(b.Caption(), QString());
    QCOMPARE(b.IconSize(), 16);
    QCOMPARE(b.IconAlign(), 0);
    QCOMPARE(b.NonThemeStyle(), 5);
    QVERIFY(b.Enabled());
    QCOMPARE(b.ToolTipType(), 1);
    QCOMPARE(b.ToolTipBackColor(), OleColor::translate(OleColor::system(23)));
    QVERIFY(b.Icon().isNull());
    QCOMPARE(b.state(), int(ButtonLook::Normal));
}

void TestUsrButton::changeNotices()
{
    UsrButton b;
    QSignalSpy changed(&b, &UsrButton::PropertyChanged);
    b.setNonThemeStyle(1);
    b.setToolTipText(QStringLiteral("x"));
    b.setToolTipTitle(QStringLiteral("x"));
    b.setToolTipIcon(1);
    b.setUseCustomColors(true);
    b.setEnabledProperty(false);
    QStringList names;
    for (const auto &args : changed)
        names << args.first().toString();
    QCOMPARE(names, QStringList({"NonThemeStyle", "ToolTipText", "TooltipTitle", "TooltipIcon", "UseCustomColors", "Enabled"}));
    QVERIFY(!b.isEnabled());
}

void TestUsrButton::minimumSize()
{
    UsrButton b;
    b.resize(10, 40);
    QCOMPARE(b.size(), QSize(20, 40));
    b.resize(50, 5);
    QCOMPARE(b.size(), QSize(50, 20));
}

void TestUsrButton::aboutAndOpenLink()
{
    ScriptedDialogs d;
    UsrButton b;
    QVERIFY(b.OpenLink(QStringLiteral("https://example.invalid/")) > 32);
    QCOMPARE(d.opened, QStringList(QStringLiteral("https://example.invalid/")));
    b.About();
    QVERIFY(b.aboutWindow() && b.aboutWindow()->isVisible());
    QCOMPARE(b.aboutWindow()->windowTitle(), QStringLiteral("About UsrButton 3.0"));
    QTest::mouseClick(b.aboutWindow(), Qt::LeftButton);
    QVERIFY(!b.aboutWindow()->isVisible());
}

QTEST_MAIN(TestUsrButton)
#include "test_usr_button.moc"
