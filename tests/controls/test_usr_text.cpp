#include "ScriptedDialogs.h"
#include "controls/OleColor.h"
#include "controls/PropertyBag.h"
#include "controls/UsrText.h"
#include "import/RequiredCheck.h"

#include <QLineEdit>
#include <QVBoxLayout>
#include <QtTest>

namespace {
// Boxes in tab order, then a plain line edit.
struct Form {
    QWidget window;
    QList<UsrText *> boxes;
    QLineEdit *next = nullptr;
    UsrText *text() const { return boxes.first(); }
    explicit Form(int count = 1)
    {
        auto *layout = new QVBoxLayout(&window);
        while (boxes.size() < count)
            layout->addWidget(boxes.emplaceBack(new UsrText(&window)));
        layout->addWidget(next = new QLineEdit(&window));
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
};

bool focus(QWidget *w, Qt::FocusReason reason = Qt::OtherFocusReason)
{
    w->setFocus(reason);
    return QTest::qWaitFor([w] { return w->hasFocus(); });
}
} // namespace

class TestUsrText : public QObject {
    Q_OBJECT
private slots:
    void focusColour()
    {
        Form f;
        auto base = [&f] { return f.text()->txtText1->palette().color(QPalette::Base); };
        QVERIFY(focus(f.next));
        f.text()->setBackColor(OleColor::rgb(10, 200, 10));
        QVERIFY(focus(f.text()->txtText1));
        QCOMPARE(base(), QColor(236, 231, 222)); // cream
        QVERIFY(focus(f.next));
        QCOMPARE(base(), OleColor::toQColor(OleColor::system(5))); // not the colour set before
        f.text()->setIsChangeColorGetFocus(false);
        f.text()->setBackColor(OleColor::rgb(1, 2, 3));
        QVERIFY(focus(f.text()->txtText1));
        QCOMPARE(base(), QColor(1, 2, 3));
    }

    void enterChain_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("focusAt");
        QTest::newRow("0: moves on, selects nothing") << 0 << QStringList{"onea", "twob", "threec"} << 2;
        QTest::newRow("1: stays, selects all") << 1 << QStringList{"abc", "two", "three"} << 0;
        QTest::newRow("2: moves on, selects all") << 2 << QStringList{"a", "b", "c"} << 2;
        QTest::newRow("7: stays, selects nothing") << 7 << QStringList{"oneabc", "two", "three"} << 0;
    }

    // Three boxes; the focus comes by Tab, as the Enter key sends it. The first box's handler
    // cancels x and types a for y; the Tab comes after both handlers.
    void enterChain()
    {
        QFETCH(int, style);
        QFETCH(QStringList, texts);
        QFETCH(int, focusAt);
        Form f(3);
        const QStringList start = {"one", "two", "three"};
        QStringList events;
        for (int i = 0; i < 3; ++i) {
            f.boxes[i]->setIsStyle(style);
            f.boxes[i]->setText(start[i]);
            connect(f.boxes[i], &UsrText::EnterClick, this,
                    [&events, i] { events << QStringLiteral("EnterClick %1").arg(i); });
        }
        connect(f.text(), &UsrText::KeyPress, this, [&](short &ascii) {
            events << QStringLiteral("KeyPress %1%2").arg(ascii).arg(f.text()->txtText1->hasFocus() ? "" : " elsewhere");
            ascii = ascii == 'x' ? short(0) : ascii == 'y' ? short('a') : ascii;
        });
        QVERIFY(focus(f.next));
        QVERIFY(focus(f.text()->txtText1, Qt::TabFocusReason));
        for (char c : QByteArray("xy\rb\rc")) {
            QTest::keyClick(QApplication::focusWidget(), c);
            QCoreApplication::processEvents();
        }
        QCOMPARE(QStringList({f.boxes[0]->Text(), f.boxes[1]->Text(), f.boxes[2]->Text()}), texts);
        QVERIFY(f.boxes[focusAt]->txtText1->hasFocus());
        QCOMPARE(events.mid(0, 4), QStringList({"KeyPress 120", "KeyPress 121", "EnterClick 0", "KeyPress 13"}));
        QCOMPARE(events.filter(QStringLiteral("EnterClick")).size(), 2);
    }

    void keyCodes_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("code");
        const int keypad = Qt::KeypadModifier, shift = Qt::ShiftModifier;
        const struct {
            int key, modifiers, code;
        } rows[] = {
            {Qt::Key_Delete, 0, 46},
            {Qt::Key_Left, 0, 37},
            {Qt::Key_Up, 0, 38},
            {Qt::Key_Right, 0, 39},
            {Qt::Key_Down, 0, 40},
            {Qt::Key_Home, 0, 36},
            {Qt::Key_End, 0, 35},
            {Qt::Key_PageUp, 0, 33},
            {Qt::Key_PageDown, 0, 34},
            {Qt::Key_Insert, 0, 45},
            {Qt::Key_F1, 0, 112},
            {Qt::Key_F12, 0, 123},
            {Qt::Key_A, 0, 65},
            {Qt::Key_Z, shift, 90},
            {Qt::Key_0, 0, 48},
            {Qt::Key_9, 0, 57},
            {Qt::Key_Exclam, shift, 49},
            {Qt::Key_Backspace, 0, 8},
            {Qt::Key_Return, 0, 13},
            {Qt::Key_Enter, keypad, 13},
            {Qt::Key_Shift, 0, 16},
            {Qt::Key_Control, 0, 17},
            {Qt::Key_Alt, 0, 18},
            {Qt::Key_Escape, 0, 27},
            {Qt::Key_Space, 0, 32},
            {Qt::Key_0, keypad, 96},
            {Qt::Key_9, keypad, 105},
            {Qt::Key_Asterisk, keypad, 106},
            {Qt::Key_Plus, keypad, 107},
            {Qt::Key_Minus, keypad, 109},
            {Qt::Key_Period, keypad, 110},
            {Qt::Key_Slash, keypad, 111},
            {Qt::Key_Semicolon, 0, 186},
            {Qt::Key_Minus, 0, 189},
        };
        for (const auto &r : rows)
            QTest::addRow("%s", qPrintable(QKeySequence(r.key | r.modifiers).toString())) << r.key << r.modifiers << r.code;
    }

    void keyCodes()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, code);
        Form f;
        QLineEdit *box = f.text()->txtText1;
        f.text()->setText(QStringLiteral("abc"));
        box->setCursorPosition(1);
        QList<short> downs, ups;
        // A handler that zeroes the code stops the key: text, cursor and focus stay.
        connect(f.text(), &UsrText::KeyDown, this, [&](short &c, short &) { downs << std::exchange(c, 0); });
        connect(f.text(), &UsrText::KeyUp, this, [&](short &c, short &) { ups << c; });
        QVERIFY(focus(box));
        QTest::keyClick(box, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCoreApplication::processEvents();
        QCOMPARE(downs.last(), short(code)); // modifier keys come before it and are released after
        QCOMPARE(ups.first(), short(code));
        QCOMPARE(f.text()->Text(), QStringLiteral("abc"));
        QCOMPARE(box->cursorPosition(), 1);
        QVERIFY(box->hasFocus());
    }

    // Stored keys, the inner box's size, and the required check.
    void storedKeysSizeAndRequired()
    {
        ScriptedDialogs d;
        QWidget host;
        UsrText t(&host);
        PropertyBag empty;
        t.ReadProperties(empty);
        QCOMPARE(empty.readLog(), QStringList({"BackColor", "ForeColor", "Enabled", "Font", "Appearance", "Alignment",
                                               "Text", "isStyle", "isColorGetFocus", "isChangeColorGetFocus"}));
        QCOMPARE(QVariantList({t.Text(), t.isStyle(), t.isColorGetFocus(), t.Appearance(), t.Font()}),
                 QVariantList({"Text1", 2, OleColor::rgb(236, 231, 222), 1, host.font()}));
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
        host.show();
        t.resize(100, 6);
        QCOMPARE(t.txtText1->geometry(), QRect(0, 0, 100, 20));
        t.resize(150, 40);
        QCOMPARE(t.txtText1->geometry(), QRect(0, 0, 150, 40));
        t.setProperty("tag", QStringLiteral("1"));
        t.setText(QString());
        QVERIFY(!CheckRequired(&host));
        QCOMPARE(d.messages(), QStringList(QStringLiteral("必填项,不允许为空!")));
        t.setText(QStringLiteral(" "));
        QVERIFY(CheckRequired(&host));
    }
};

QTEST_MAIN(TestUsrText)
#include "test_usr_text.moc"
