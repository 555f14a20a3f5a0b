#include "ScriptedDialogs.h"
#include "controls/ButtonPainter.h"
#include "controls/OleColor.h"
#include "controls/PropertyBag.h"
#include "controls/UsrButton.h"

#include <QtTest>
#include <memory>

namespace {
// The bounds of the pixels of `colour`, or with `other` of all the rest.
QRect area(const QImage &img, QRgb colour, bool other = false)
{
    QRect found;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) == colour) != other)
                found |= QRect(x, y, 1, 1);
    return found;
}

using Pixels = QList<QPair<QPoint, QColor>>;

std::unique_ptr<UsrButton> button(int style, int w = 80, int h = 26)
{
    auto b = std::make_unique<UsrButton>();
    b->resize(w, h);
    b->setStyle(style);
    return b;
}
} // namespace

class TestUsrButton : public QObject {
    Q_OBJECT
private slots:
    // A button placed on a form and one read from a store without keys start differently;
    // links open through the dialog seam and the about window closes on a click.
    void defaultsSizeAndAbout()
    {
        ScriptedDialogs d;
        UsrButton placed, read;
        placed.InitProperties(QStringLiteral("UsrButton1"));
        QCOMPARE(QVariantList({placed.Style(), placed.Caption(), placed.Font().family(), placed.Font().pointSizeF(),
                               placed.Version(), placed.BackColor(), placed.NonThemeStyle(), placed.ToolTipType()}),
                 QVariantList({9, "UsrButton1", "Verdana", 8.25, "3.0", OleColor::translate(OleColor::system(15)), 0, 0}));
        PropertyBag empty;
        read.ReadProperties(empty);
        QCOMPARE(
            QVariantList({read.Style(), read.Caption(), read.IconSize(), read.IconAlign(), read.NonThemeStyle(),
                          read.Enabled(), read.ToolTipType(), read.ToolTipBackColor(), read.Icon().isNull(), read.state()}),
            QVariantList({3, QString(), 16, 0, 5, true, 1, OleColor::translate(OleColor::system(23)), true,
                          int(ButtonLook::Normal)}));
        read.resize(10, 40);
        QCOMPARE(read.size(), QSize(20, 40)); // 300 twips at the least
        read.resize(50, 5);
        QCOMPARE(read.size(), QSize(50, 20));
        QVERIFY(read.OpenLink(QStringLiteral("https://example.invalid/")) > 32);
        QCOMPARE(d.opened, QStringList(QStringLiteral("https://example.invalid/")));
        read.About();
        QVERIFY(read.aboutWindow() && read.aboutWindow()->isVisible());
        QTest::mouseClick(read.aboutWindow(), Qt::LeftButton);
        QVERIFY(!read.aboutWindow()->isVisible());
    }

    void input_data()
    {
        QTest::addColumn<int>("type");
        // Left button: p press, r release, c click, d double click; R right click; Space: s down,
        // h held (repeated), u up; v drawn.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("looks"); // after each step: Normal, Hot, Pressed
        QTest::addColumn<int>("clicks");
        QTest::newRow("toggle, drawn pressed while on") << 1 << "prvcv"
                                                        << "PHPHH" << 2;
        QTest::newRow("double click after a right release") << 0 << "Rd"
                                                            << "NN" << 0;
        QTest::newRow("double click after a left release") << 0 << "cdr"
                                                           << "HPH" << 1;
        QTest::newRow("Space held") << 0 << "shu"
                                    << "PPH" << 1;
    }

    void input()
    {
        QFETCH(int, type);
        QFETCH(QString, steps);
        QFETCH(QString, looks);
        QFETCH(int, clicks);
        UsrButton b;
        b.setButtonType(type);
        QSignalSpy clicked(&b, &UsrButton::Click);
        QString seen;
        for (const QChar step : steps) {
            switch (step.unicode()) {
            case 'p': QTest::mousePress(&b, Qt::LeftButton); break;
            case 'r': QTest::mouseRelease(&b, Qt::LeftButton); break;
            case 'c': QTest::mouseClick(&b, Qt::LeftButton); break;
            case 'd': QTest::mouseDClick(&b, Qt::LeftButton); break;
            case 'R': QTest::mouseClick(&b, Qt::RightButton); break;
            case 'v': b.render(); break;
            default: {
                QKeyEvent e(step == 'u' ? QEvent::KeyRelease : QEvent::KeyPress, Qt::Key_Space, {}, QStringLiteral(" "),
                            step == 'h');
                QCoreApplication::sendEvent(&b, &e);
            }
            }
            seen += QStringLiteral("?NHPD").at(step == 'v' ? b.lastLook().state : b.state());
        }
        QCOMPARE(seen, looks);
        QCOMPARE(clicked.count(), clicks);
    }

    void hotTrackingAndToolTip()
    {
        QWidget host;
        UsrButton b(&host);
        b.setToolTip(QStringLiteral("host tip"));
        host.show();
        QCOMPARE(b.ToolTip(), QStringLiteral("host tip")); // taken over from the host
        QVERIFY(b.QWidget::toolTip().isEmpty());
        b.setToolTipTitle(QStringLiteral("标题"));
        b.setToolTipIcon(2);
        b.setToolTipType(1);
        b.setToolTipBackColor(0); // keeps the default
        b.setToolTipForeColor(OleColor::rgb(200, 0, 0));
        QSignalSpy enter(&b, &UsrButton::MouseEnter), leave(&b, &UsrButton::MouseLeave);
        QEnterEvent in(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QCoreApplication::sendEvent(&b, &in);
        QCOMPARE(b.state(), int(ButtonLook::Hot));
        const ButtonToolTip *tip = b.toolTipWindow();
        QVERIFY(tip && tip->balloon());
        QCOMPARE(
            QVariantList({tip->text(), tip->title(), tip->titleIcon(), tip->background(), tip->foreground()}),
            QVariantList({"host tip", "标题", 2, QApplication::palette().color(QPalette::ToolTipBase), QColor(200, 0, 0)}));
        QEvent out(QEvent::Leave);
        QCoreApplication::sendEvent(&b, &out);
        QCOMPARE(b.state(), int(ButtonLook::Normal));
        // A change shows at the next entry, in a new tip.
        b.setToolTipText(QStringLiteral("new"));
        QCoreApplication::sendEvent(&b, &in);
        QCOMPARE(b.toolTipWindow()->text(), QStringLiteral("new"));
        QCOMPARE(QList<qsizetype>({enter.count(), leave.count()}), QList<qsizetype>({2, 1}));
        b.hide();
        QCOMPARE(b.QWidget::toolTip(), QStringLiteral("new")); // handed back to the host
        // At design time nothing is tracked, and every style but 5 looks hot.
        UsrButton::setDesignMode(true);
        for (int style : {3, 5}) {
            auto designed = button(style);
            QSignalSpy entered(designed.get(), &UsrButton::MouseEnter);
            QCoreApplication::sendEvent(designed.get(), &in);
            designed->render();
            QCOMPARE(entered.count(), 0);
            QCOMPARE(designed->lastLook().state, int(style == 5 ? ButtonLook::Normal : ButtonLook::Hot));
        }
        UsrButton::setDesignMode(false);
    }

    // Every change is announced under its own name, and stored under the stored form's key.
    void storedKeysAndChangeNotices()
    {
        UsrButton b;
        QSignalSpy changed(&b, &UsrButton::PropertyChanged);
        b.setStyle(7);
        b.setCaption(QStringLiteral("保存"));
        b.setNonThemeStyle(2);
        b.setUseCustomColors(true);
        b.setBackColor(OleColor::rgb(1, 2, 3));
        b.setToolTipText(QStringLiteral("tip"));
        b.setToolTipTitle(QStringLiteral("标题"));
        b.setToolTipIcon(1);
        b.setToolTipBackColor(OleColor::rgb(9, 9, 9));
        b.setButtonType(1);
        b.setValue(true);
        b.setEnabledProperty(false);
        QStringList names;
        for (const auto &args : changed)
            names << args.first().toString();
        QCOMPARE(names, QStringList({"Style", "Caption", "NonThemeStyle", "UseCustomColors", "BackColor", "ToolTipText",
                                     "TooltipTitle", "TooltipIcon", "ToolTipBackColor", "ButtonType", "Value", "Enabled"}));
        QVERIFY(!b.isEnabled());
        PropertyBag bag;
        b.WriteProperties(bag);
        QCOMPARE(bag.writeLog(),
                 QStringList({"Icon",         "Style",          "Caption",     "IconSize",           "IconAlign",
                              "CaptionAlign", "iNonThemeStyle", "Enabled",     "ShowFocus",          "USeCustomColors",
                              "BackColor",    "HighlightColor", "FontColor",   "FontHighlightColor", "ToolTipText",
                              "Tooltiptitle", "ToolTipIcon",    "ToolTipType", "ttBackColor",        "ttForeColor",
                              "Font",         "ButtonType",     "Value"}));
        // Defaults need not be stored; keys without a default always are.
        QVERIFY(!bag.contains("IconSize") && bag.contains("ToolTipType") && bag.contains("Font"));
        UsrButton back;
        back.ReadProperties(bag);
        QStringList readOrder = bag.writeLog();
        readOrder.swapItemsAt(4, 5); // CaptionAlign before IconAlign
        QCOMPARE(bag.readLog(), readOrder);
        QCOMPARE(QVariantList({back.Style(), back.Caption(), back.NonThemeStyle(), back.UseCustomColors(), back.BackColor(),
                               back.ToolTip(), back.ToolTipTitle(), back.ToolTipIcon(), back.ToolTipBackColor(),
                               back.Value(), back.ButtonType(), back.isEnabled()}),
                 QVariantList({7, "保存", 2, true, OleColor::rgb(1, 2, 3), "tip", "标题", 1, OleColor::rgb(9, 9, 9), true, 1,
                               false}));
    }

    void colourArithmetic()
    {
        QCOMPARE(ButtonPainter::blend(QColor(1, 2, 3), QColor(2, 2, 4)), QColor(2, 2, 4)); // 1.5 -> 2, 3.5 -> 4
        QCOMPARE(ButtonPainter::blend(QColor(2, 0, 5), QColor(3, 1, 6)), QColor(2, 0, 6)); // 2.5 -> 2, 0.5 -> 0, 5.5 -> 6
        QCOMPARE(ButtonPainter::lighten(QColor(100, 0, 255), 32), QColor(119, 32, 255));
        QCOMPARE(ButtonPainter::shift(QColor(250, 5, 100), 10), QColor(255, 15, 110));
        QCOMPARE(ButtonPainter::shift(QColor(250, 5, 100), -10), QColor(240, 0, 90));
        QCOMPARE(ButtonPainter::gradientStep(QColor(0, 0, 0), QColor(255, 3, 1), 1, 2), QColor(128, 2, 0));
        QCOMPARE(ButtonPainter::roundHalfEven(-3, 2), -2);
        QCOMPARE(OleColor::translate(0x00123456u), 0x00123456u);
        QCOMPARE(OleColor::translate(OleColor::system(99)), 0xFFFFFFFFu);
    }

    void captionOnOneLine_data()
    {
        QTest::addColumn<int>("align");
        QTest::addColumn<int>("flags");
        QTest::newRow("centred") << 0 << 37;
        QTest::newRow("left") << 1 << 36;
        QTest::newRow("right") << 2 << 38;
        QTest::newRow("top") << 3 << 33;
        QTest::newRow("bottom") << 4 << 41;
    }

    // A line break in the caption does not start a second line, whatever the alignment.
    void captionOnOneLine()
    {
        QFETCH(int, align);
        QFETCH(int, flags);
        auto b = button(11, 100, 60);
        b->setCaptionAlign(align);
        QCOMPARE(b->captionFormat(), flags);
        b->setCaption(QStringLiteral("A\nB"));
        const QFont font(QStringLiteral("DejaVu Sans"), 12);
        b->setFontProperty(font);
        const QImage img = b->render();
        const QRect ink = area(img, img.pixel(0, 0), true);
        QVERIFY(!ink.isEmpty());
        QVERIFY2(ink.height() <= QFontMetrics(font).height(), qPrintable(QString::number(ink.height())));
        if (align == 3) // at the top, 4 pixels below the edge
            QVERIFY2(ink.top() >= 4 && ink.top() <= 10, qPrintable(QString::number(ink.top())));
    }

    void framesReachFarSides_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("state");
        // Pixels and their colours; a negative coordinate counts from the far side: -1 is the last.
        QTest::addColumn<Pixels>("pixels");
        auto sys = [](quint32 n) { return OleColor::toQColor(OleColor::system(n)); };
        const QColor shadow = sys(OleColor::ButtonShadow), white = sys(OleColor::WindowBackground);
        const QColor face = sys(OleColor::ButtonFace), base = sys(OleColor::Highlight);
        const QColor disabled = OleColor::toQColor(0xBAC7C9); // 0x00BBGGRR
        QTest::newRow("3 light and shadow, corners") << 3 << 1
                                                     << Pixels({{{-2, 12}, shadow},
                                                                {{-1, 12}, white},
                                                                {{30, -2}, shadow},
                                                                {{30, -1}, white},
                                                                {{-1, 0}, face},
                                                                {{-2, 1}, ButtonPainter::blend(white, shadow)}});
        QTest::newRow("4 hot") << 4 << 2
                               << Pixels(
                                      {{{-1, 12}, base}, {{30, -1}, base}, {{-2, -2}, ButtonPainter::lighten(base, 176)}});
        QTest::newRow("4 pressed corner") << 4 << 3 << Pixels({{{-1, -1}, base}});
        QTest::newRow("5 disabled") << 5 << 4 << Pixels({{{-1, 12}, disabled}, {{30, -1}, disabled}});
    }

    void framesReachFarSides()
    {
        QFETCH(int, style);
        QFETCH(int, state);
        QFETCH(Pixels, pixels);
        auto b = button(style, 60, 24);
        b->preview(state, false);
        const QImage img = b->render();
        for (const auto &[at, colour] : pixels)
            QCOMPARE(img.pixelColor((at.x() + img.width()) % img.width(), (at.y() + img.height()) % img.height()), colour);
    }

    void iconPlacement()
    {
        QCOMPARE(ButtonPainter::iconPosition(0, 31, 32, 16, 4), QPoint(8, 8)); // 7.5 -> 8
        QCOMPARE(ButtonPainter::iconPosition(0, 33, 30, 16, 4), QPoint(8, 7)); // 8.5 -> 8
        QCOMPARE(ButtonPainter::iconPosition(4, 100, 30, 16, 7), QPoint(42, 7));
        QCOMPARE(ButtonPainter::iconPosition(9, 100, 30, 16, 7), QPoint(0, 0));
        auto b = button(0, 100, 30);
        b->setIconAlign(2);
        QPixmap red(16, 16);
        red.fill(Qt::red);
        b->setIcon(red);
        QList<QPoint> icon; // normal, pressed (one pixel down and right), then style 4 hot (two up and left)
        for (int state : {1, 3, 2}) {
            b->setStyle(state == 2 ? 4 : 0);
            b->preview(state, false);
            icon << area(b->render(), qRgb(255, 0, 0)).topLeft();
        }
        QCOMPARE(icon, QList<QPoint>({{80, 7}, {81, 8}, {78, 5}}));
        // Style 4 when hot also casts a grey shadow; the face round it stays.
        QCOMPARE(area(b->render(), qRgb(0x80, 0x80, 0x80)).bottomRight(), QPoint(80 + 15, 7 + 15));
    }

    void shapes()
    {
        const int W = 60, H = 24;
        const QRegion a = ButtonPainter::shape(5, W, H);
        QVERIFY(!a.contains(QPoint(0, 0)) && a.contains(QPoint(1, 1)) && a.contains(QPoint(W / 2, 0)));
        QVERIFY(!a.contains(QPoint(W - 1, 0)));
        QVERIFY(!a.contains(QPoint(0, H - 1)) && a.contains(QPoint(2, H - 1)) && a.contains(QPoint(0, H / 2)));
        QVERIFY(!a.contains(QPoint(W - 1, H - 1)) && a.contains(QPoint(W - 3, H - 1)));
        const QRegion b = ButtonPainter::shape(9, W, H);
        // Polygon B cuts the corners deeper, the bottom-left one most.
        QVERIFY(!b.contains(QPoint(0, 0)) && !b.contains(QPoint(1, 0)) && !b.contains(QPoint(0, 1)));
        QVERIFY(!b.contains(QPoint(W - 1, 0)) && !b.contains(QPoint(W - 2, 0)) && !b.contains(QPoint(W - 1, 1)));
        QVERIFY(!b.contains(QPoint(1, H - 1)) && !b.contains(QPoint(2, H - 1)) && b.contains(QPoint(5, H - 1)));
        QVERIFY(b.contains(QPoint(W / 2, 0)) && b.contains(QPoint(0, H / 2)));
        const QRegion rounded = ButtonPainter::shape(10, W, H);
        QVERIFY(!rounded.contains(QPoint(0, 0)) && !rounded.contains(QPoint(W - 1, H - 1)));
        QVERIFY(rounded.contains(QPoint(W / 2, 0)) && rounded.contains(QPoint(0, H / 2)));
        for (int style : {0, 1, 2, 3, 4, 6, 11})
            QCOMPARE(ButtonPainter::shape(style, W, H), QRegion(0, 0, W, H));
        auto masked = button(8, W, H);
        QCOMPARE(masked->mask(), ButtonPainter::shape(8, W, H));
    }

    // Style 4 disabled differs from normal only in the caption colour; style 6 falls back to the
    // non-themed style for good when no theme draws; an unknown style paints no background.
    void unusualStyles()
    {
        auto normal = button(4), disabled = button(4);
        disabled->setEnabledProperty(false);
        QCOMPARE(disabled->render(), normal->render());
        QCOMPARE(disabled->lastLook().state, int(ButtonLook::Disabled));
        normal->setCaption(QStringLiteral("Text"));
        disabled->setCaption(QStringLiteral("Text"));
        QVERIFY(disabled->render() != normal->render());
        auto themed = button(6);
        themed->setNonThemeStyle(2);
        QList<int> styles;
        for (bool theme : {true, false, true}) {
            UsrButton::setThemeAvailable(theme);
            themed->render();
            styles << themed->Style();
        }
        QCOMPARE(styles, QList<int>({6, 2, 2}));
        const QRgb face = OleColor::toQColor(OleColor::system(OleColor::ButtonFace)).rgb();
        QVERIFY(area(button(42)->render(), face, true).isEmpty());
    }
};

QTEST_MAIN(TestUsrButton)
#include "test_usr_button.moc"
