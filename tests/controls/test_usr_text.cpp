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
    void focusColour();
    void enterChain_data();
    void enterChain();
    void eventOrderAndCancel();
    void minimumHeight();
    void storedKeys();
    void requiredCheckSeesIt();
};

namespace {
// Boxes in tab order, then a plain line edit.
struct Form {
    QWidget window;
    QList<UsrText *> boxes;
    UsrText *text;
    QLineEdit *next;
    explicit Form(int count = 1)
    {
        auto *layout = new QVBoxLayout(&window);
        for (int i = 0; i < count; ++i) {
            boxes << new UsrText(&window);
            layout->addWidget(boxes.last());
        }
        text = boxes.first();
        next = new QLineEdit(&window);
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

void TestUsrText::focusColour()
{
    Form f;
    f.next->setFocus();
    QTRY_VERIFY(f.next->hasFocus());
    f.text->setBackColor(OleColor::rgb(10, 200, 10));
    QCOMPARE(base(f.text), QColor(10, 200, 10));
    f.text->txtText1->setFocus();
    QTRY_VERIFY(f.text->txtText1->hasFocus());
    QCOMPARE(base(f.text), QColor(236, 231, 222)); // cream
    f.next->setFocus();
    QTRY_VERIFY(f.next->hasFocus());
    // Back to the system window colour, not to the colour set before.
    QCOMPARE(base(f.text), OleColor::toQColor(OleColor::system(5)));

    f.text->setIsChangeColorGetFocus(false);
    f.text->setBackColor(OleColor::rgb(1, 2, 3));
    f.text->txtText1->setFocus();
    QTRY_VERIFY(f.text->txtText1->hasFocus());
    QCOMPARE(base(f.text), QColor(1, 2, 3));
}

void TestUsrText::enterChain_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("focusAt");
    QTest::newRow("0: moves on, selects nothing") << 0 << QStringList{"onea", "twob", "threec"} << 2;
    QTest::newRow("1: stays, selects all") << 1 << QStringList{"abc", "two", "three"} << 0;
    QTest::newRow("2: moves on, selects all") << 2 << QStringList{"a", "b", "c"} << 2;
    QTest::newRow("7: stays, selects nothing") << 7 << QStringList{"oneabc", "two", "three"} << 0;
}

// Three boxes; the focus comes by Tab, as the Enter key sends it.
void TestUsrText::enterChain()
{
    QFETCH(int, style);
    QFETCH(QStringList, texts);
    QFETCH(int, focusAt);
    Form f(3);
    const QStringList start = {"one", "two", "three"};
    int enters = 0;
    for (int i = 0; i < 3; ++i) {
        f.boxes[i]->setIsStyle(style);
        f.boxes[i]->setText(start[i]);
        connect(f.boxes[i], &UsrText::EnterClick, this, [&] { ++enters; });
    }
    f.next->setFocus();
    QTRY_VERIFY(f.next->hasFocus());
    f.text->txtText1->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(f.text->txtText1->hasFocus());
    for (char c : QByteArray("a\rb\rc")) {
        QTest::keyClick(QApplication::focusWidget(), c);
        QCoreApplication::processEvents();
    }
    QCOMPARE(QStringList({f.boxes[0]->Text(), f.boxes[1]->Text(), f.boxes[2]->Text()}), texts);
    QVERIFY(f.boxes[focusAt]->txtText1->hasFocus());
    QCOMPARE(enters, 2);
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
