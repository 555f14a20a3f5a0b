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
    void keyCodes_data();
    void keyCodes();
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

void TestUsrText::keyCodes_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("code");
    const struct {
        const char *name;
        int key, modifiers, code;
    } rows[] = {
        {"Delete", Qt::Key_Delete, 0, 46},     {"Left", Qt::Key_Left, 0, 37},
        {"Up", Qt::Key_Up, 0, 38},             {"Right", Qt::Key_Right, 0, 39},
        {"Down", Qt::Key_Down, 0, 40},         {"Home", Qt::Key_Home, 0, 36},
        {"End", Qt::Key_End, 0, 35},           {"Page Up", Qt::Key_PageUp, 0, 33},
        {"Page Down", Qt::Key_PageDown, 0, 34}, {"Insert", Qt::Key_Insert, 0, 45},
        {"F1", Qt::Key_F1, 0, 112},            {"F12", Qt::Key_F12, 0, 123},
        {"a", Qt::Key_A, 0, 65},               {"Shift+Z", Qt::Key_Z, Qt::ShiftModifier, 90},
        {"0", Qt::Key_0, 0, 48},               {"9", Qt::Key_9, 0, 57},
        {"Shift+1", Qt::Key_Exclam, Qt::ShiftModifier, 49}, {"Backspace", Qt::Key_Backspace, 0, 8},
        {"Enter", Qt::Key_Return, 0, 13},      {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, 13},
        {"Shift", Qt::Key_Shift, 0, 16},       {"Control", Qt::Key_Control, 0, 17},
        {"Alt", Qt::Key_Alt, 0, 18},           {"Escape", Qt::Key_Escape, 0, 27},
        {"Space", Qt::Key_Space, 0, 32},       {"keypad 0", Qt::Key_0, Qt::KeypadModifier, 96},
        {"keypad 9", Qt::Key_9, Qt::KeypadModifier, 105}, {"keypad *", Qt::Key_Asterisk, Qt::KeypadModifier, 106},
        {"keypad +", Qt::Key_Plus, Qt::KeypadModifier, 107}, {"keypad -", Qt::Key_Minus, Qt::KeypadModifier, 109},
        {"keypad .", Qt::Key_Period, Qt::KeypadModifier, 110}, {"keypad /", Qt::Key_Slash, Qt::KeypadModifier, 111},
        {";", Qt::Key_Semicolon, 0, 186},      {"-", Qt::Key_Minus, 0, 189},
    };
    for (const auto &r : rows)
        QTest::newRow(r.name) << r.key << r.modifiers << r.code;
}

void TestUsrText::keyCodes()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, code);
    Form f;
    QLineEdit *box = f.text->txtText1;
    QList<short> downs, ups;
    bool cancel = false;
    connect(f.text, &UsrText::KeyDown, this, [&](short &c, short &) {
        downs << c;
        if (cancel)
            c = 0;
    });
    connect(f.text, &UsrText::KeyUp, this, [&](short &c, short &) { ups << c; });
    QTest::keyClick(box, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(downs.last(), short(code)); // modifier keys come before it and are released after
    QCOMPARE(ups.first(), short(code));

    // A handler that zeroes the code stops the key: text, cursor and focus stay.
    QCoreApplication::processEvents();
    box->setFocus();
    QTRY_VERIFY(box->hasFocus());
    cancel = true;
    f.text->setText(QStringLiteral("abc"));
    box->setCursorPosition(1);
    QTest::keyClick(box, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCoreApplication::processEvents();
    QCOMPARE(f.text->Text(), QStringLiteral("abc"));
    QCOMPARE(box->cursorPosition(), 1);
    QVERIFY(box->hasFocus());
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
