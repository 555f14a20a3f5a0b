#include "ScriptedDialogs.h"
#include "controls/OleColor.h"
#include "controls/PropertyBag.h"
#include "controls/UsrText.h"
#include "import/RequiredCheck.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

class TestUsrText : public QObject {
    Q_OBJECT
private slots:
    void focusColourAndSelection();
    void enterMovesFocusByStyle();
    void eventOrderAndCancel();
    void minimumHeight();
    void storedKeys();
    void requiredCheckSeesIt();
};

namespace {
struct Form {
    QWidget window;
    UsrText *text;
    QLineEdit *next;
    Form()
    {
        auto *layout = new QVBoxLayout(&window);
        text = new UsrText(&window);
        next = new QLineEdit(&window);
        layout->addWidget(text);
        layout->addWidget(next);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
};

QColor base(const UsrText *t)
{
    return t->txtText1->palette().color(QPalette::Base);
}
} // namespace

void TestUsrText::focusColourAndSelection()
{
    Form f;
    f.next->setFocus();
    QTRY_VERIFY(f.next->hasFocus());
    f.text->setBackColor(OleColor::rgb(10, 200, 10));
    QCOMPARE(base(f.text), QColor(10, 200, 10));
    f.text->setText(QStringLiteral("hello"));
    f.text->txtText1->setFocus();
    QTRY_VERIFY(f.text->txtText1->hasFocus());
    QCOMPARE(base(f.text), QColor(236, 231, 222)); // cream
    QCOMPARE(f.text->txtText1->selectedText(), QStringLiteral("hello"));
    f.next->setFocus();
    QTRY_VERIFY(f.next->hasFocus());
    // Back to the system window colour, not to the colour set before.
    QCOMPARE(base(f.text), OleColor::toQColor(OleColor::system(5)));

    f.text->setIsStyle(0);
    f.text->setIsChangeColorGetFocus(false);
    f.text->setBackColor(OleColor::rgb(1, 2, 3));
    f.text->txtText1->setCursorPosition(2);
    f.text->txtText1->setFocus();
    QTRY_VERIFY(f.text->txtText1->hasFocus());
    QVERIFY(f.text->txtText1->selectedText().isEmpty());
    QCOMPARE(base(f.text), QColor(1, 2, 3));
}

void TestUsrText::enterMovesFocusByStyle()
{
    Form f;
    f.text->txtText1->setFocus();
    QTRY_VERIFY(f.text->txtText1->hasFocus());
    QTest::keyClick(f.text->txtText1, Qt::Key_Return);
    QTRY_VERIFY(f.next->hasFocus()); // style 2: on to the next control
    f.text->setIsStyle(1);
    f.text->txtText1->setFocus();
    QTRY_VERIFY(f.text->txtText1->hasFocus());
    QSignalSpy enter(f.text, &UsrText::EnterClick);
    QTest::keyClick(f.text->txtText1, Qt::Key_Return);
    QCoreApplication::processEvents();
    QVERIFY(f.text->txtText1->hasFocus());
    QCOMPARE(enter.count(), 1);
}

void TestUsrText::eventOrderAndCancel()
{
    Form f;
    f.text->setText(QString());
    f.text->txtText1->setFocus();
    QTRY_VERIFY(f.text->txtText1->hasFocus());
    QStringList order;
    bool focusStillHere = false;
    connect(f.text, &UsrText::EnterClick, this, [&] { order << QStringLiteral("EnterClick"); });
    connect(f.text, &UsrText::KeyPress, this, [&](short &ascii) {
        order << QStringLiteral("KeyPress %1").arg(ascii);
        focusStillHere = f.text->txtText1->hasFocus();
        if (ascii == 'x')
            ascii = 0; // cancelled
        if (ascii == 'a')
            ascii = 'b';
    });
    QTest::keyClicks(f.text->txtText1, QStringLiteral("xa"));
    QCOMPARE(f.text->Text(), QStringLiteral("b"));
    QTest::keyClick(f.text->txtText1, Qt::Key_Return);
    QCOMPARE(order, QStringList({"KeyPress 120", "KeyPress 97", "EnterClick", "KeyPress 13"}));
    QVERIFY(focusStillHere); // the Tab comes after both handlers
    QTRY_VERIFY(f.next->hasFocus());
}

void TestUsrText::minimumHeight()
{
    UsrText t;
    t.show();
    t.resize(100, 6);
    QCOMPARE(t.height(), 20);
    QCOMPARE(t.txtText1->geometry(), QRect(0, 0, 100, 20));
    t.resize(150, 40);
    QCOMPARE(t.txtText1->geometry(), QRect(0, 0, 150, 40));
}

void TestUsrText::storedKeys()
{
    QWidget host;
    UsrText t(&host);
    PropertyBag empty;
    t.ReadProperties(empty);
    QCOMPARE(empty.readLog(), QStringList({"BackColor", "ForeColor", "Enabled", "Font", "Appearance", "Alignment", "Text",
                                           "isStyle", "isColorGetFocus", "isChangeColorGetFocus"}));
    QCOMPARE(t.Text(), QStringLiteral("Text1"));
    QCOMPARE(t.isStyle(), 2);
    QCOMPARE(t.isColorGetFocus(), 14608364u);
    QCOMPARE(t.Appearance(), 1);
    QCOMPARE(t.Font(), host.font());
    QSignalSpy changed(&t, &UsrText::PropertyChanged);
    t.setText(QStringLiteral("值"));
    t.setAlignment(2);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed[0].first().toString(), QStringLiteral("Text"));
    PropertyBag bag;
    t.WriteProperties(bag);
    QCOMPARE(bag.keys(), QStringList({"Alignment", "Text"})); // the rest equal their defaults
    UsrText back(&host);
    back.ReadProperties(bag);
    QCOMPARE(back.Text(), QStringLiteral("值"));
    QVERIFY(back.txtText1->alignment() & Qt::AlignHCenter);
}

void TestUsrText::requiredCheckSeesIt()
{
    ScriptedDialogs d;
    QWidget window;
    auto *t = new UsrText(&window);
    t->setProperty("tag", QStringLiteral("1"));
    t->setText(QString());
    QVERIFY(!CheckRequired(&window));
    QCOMPARE(d.messages(), QStringList(QStringLiteral("必填项,不允许为空!")));
    t->setText(QStringLiteral(" "));
    QVERIFY(CheckRequired(&window));
}

QTEST_MAIN(TestUsrText)
#include "test_usr_text.moc"
