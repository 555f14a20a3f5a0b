#include "controls/ButtonPainter.h"
#include "controls/OleColor.h"
#include "controls/UsrButton.h"

#include <QtTest>

class TestButtonPainting : public QObject {
    Q_OBJECT
private slots:
    void colourArithmetic();
    void captionOnOneLine_data();
    void captionOnOneLine();
    void framesReachFarSides_data();
    void framesReachFarSides();
    void iconPlacement();
    void shapes();
    void toggledDrawnPressedInEveryStyle();
    void disabledStyle4LooksNormal();
    void themedStyleFallsBack();
    void unknownStylePaintsNoBackground();
};

namespace {
QPoint firstPixel(const QImage &img, QRgb colour)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == colour)
                return {x, y};
    return {-1, -1};
}

QPixmap solid(QColor c)
{
    QPixmap pm(16, 16);
    pm.fill(c);
    return pm;
}
} // namespace

void TestButtonPainting::colourArithmetic()
{
    QCOMPARE(ButtonPainter::blend(QColor(1, 2, 3), QColor(2, 2, 4)), QColor(2, 2, 4)); // 1.5 -> 2, 3.5 -> 4
    QCOMPARE(ButtonPainter::blend(QColor(2, 0, 5), QColor(3, 1, 6)), QColor(2, 0, 6)); // 2.5 -> 2, 0.5 -> 0, 5.5 -> 6
    QCOMPARE(ButtonPainter::lighten(QColor(100, 0, 255), 32), QColor(119, 32, 255));
    QCOMPARE(ButtonPainter::lighten(QColor(200, 10, 0), 255), QColor(255, 255, 255));
    QCOMPARE(ButtonPainter::shift(QColor(250, 5, 100), 10), QColor(255, 15, 110));
    QCOMPARE(ButtonPainter::shift(QColor(250, 5, 100), -10), QColor(240, 0, 90));
    QCOMPARE(ButtonPainter::gradientStep(QColor(0, 0, 0), QColor(255, 3, 1), 1, 2), QColor(128, 2, 0));
    QCOMPARE(ButtonPainter::gradientStep(QColor(10, 10, 10), QColor(20, 0, 10), 3, 3), QColor(20, 0, 10));
    QCOMPARE(ButtonPainter::gradientStep(QColor(10, 10, 10), QColor(20, 0, 10), 0, 3), QColor(10, 10, 10));
    QCOMPARE(ButtonPainter::roundHalfEven(-3, 2), -2);
    QCOMPARE(OleColor::translate(0x00123456u), 0x00123456u);
    QCOMPARE(OleColor::translate(OleColor::system(99)), 0xFFFFFFFFu);
    QCOMPARE(OleColor::toQColor(OleColor::rgb(236, 231, 222)), QColor(236, 231, 222));
    QCOMPARE(OleColor::rgb(236, 231, 222), 14608364u);
}

void TestButtonPainting::captionOnOneLine_data()
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
void TestButtonPainting::captionOnOneLine()
{
    QFETCH(int, align);
    QFETCH(int, flags);
    UsrButton b;
    QCOMPARE(b.captionFormat(), 17); // before the first layout
    b.resize(100, 60);
    b.setCaptionAlign(align);
    QCOMPARE(b.captionFormat(), flags);
    b.setStyle(11);
    b.setCaption(QStringLiteral("A\nB"));
    const QFont font(QStringLiteral("DejaVu Sans"), 12);
    b.setFontProperty(font);
    const QImage img = b.render();
    const QRgb face = img.pixel(0, 0);
    int top = -1, bottom = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != face) {
                top = top < 0 ? y : top;
                bottom = y;
            }
    QVERIFY(top >= 0);
    QVERIFY2(bottom - top < QFontMetrics(font).height(), qPrintable(QStringLiteral("%1..%2").arg(top).arg(bottom)));
    if (align == 3) // at the top, 4 pixels below the edge
        QVERIFY2(top >= 4 && top <= 10, qPrintable(QString::number(top)));
}

void TestButtonPainting::framesReachFarSides_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("state");
    QTest::addColumn<QPoint>("at"); // a negative coordinate counts from the far side: -1 is the last
    QTest::addColumn<QColor>("colour");
    auto sys = [](quint32 n) { return OleColor::toQColor(OleColor::system(n)); };
    const QColor shadow = sys(OleColor::ButtonShadow), white = sys(OleColor::WindowBackground);
    const QColor face = sys(OleColor::ButtonFace);
    QTest::newRow("3 shadow right") << 3 << 1 << QPoint(-2, 12) << shadow;
    QTest::newRow("3 light right") << 3 << 1 << QPoint(-1, 12) << white;
    QTest::newRow("3 shadow bottom") << 3 << 1 << QPoint(30, -2) << shadow;
    QTest::newRow("3 light bottom") << 3 << 1 << QPoint(30, -1) << white;
    QTest::newRow("3 shadow left") << 3 << 1 << QPoint(0, 12) << shadow;
    QTest::newRow("3 light top") << 3 << 1 << QPoint(30, 1) << white;
    QTest::newRow("3 inner corner") << 3 << 1 << QPoint(-1, 0) << face;
    QTest::newRow("3 mid corner") << 3 << 1 << QPoint(-2, 1) << ButtonPainter::blend(white, shadow);
    const QColor base = sys(OleColor::Highlight);
    QTest::newRow("4 hot right") << 4 << 2 << QPoint(-1, 12) << base;
    QTest::newRow("4 hot bottom") << 4 << 2 << QPoint(30, -1) << base;
    QTest::newRow("4 hot inside") << 4 << 2 << QPoint(-2, -2) << ButtonPainter::lighten(base, 176);
    QTest::newRow("4 pressed corner") << 4 << 3 << QPoint(-1, -1) << base;
    const QColor disabled = OleColor::toQColor(0xBAC7C9); // 0x00BBGGRR
    QTest::newRow("5 disabled right") << 5 << 4 << QPoint(-1, 12) << disabled;
    QTest::newRow("5 disabled bottom") << 5 << 4 << QPoint(30, -1) << disabled;
    QTest::newRow("5 disabled left") << 5 << 4 << QPoint(0, 12) << disabled;
}

void TestButtonPainting::framesReachFarSides()
{
    QFETCH(int, style);
    QFETCH(int, state);
    QFETCH(QPoint, at);
    QFETCH(QColor, colour);
    UsrButton b;
    b.resize(60, 24);
    b.setStyle(style);
    b.preview(state, false);
    const QImage img = b.render();
    const int x = at.x() < 0 ? img.width() + at.x() : at.x();
    const int y = at.y() < 0 ? img.height() + at.y() : at.y();
    QCOMPARE(img.pixelColor(x, y), colour);
}

void TestButtonPainting::iconPlacement()
{
    QCOMPARE(ButtonPainter::iconPosition(2, 100, 30, 16, 4), QPoint(80, 7));
    QCOMPARE(ButtonPainter::iconPosition(0, 31, 32, 16, 4), QPoint(8, 8)); // 7.5 -> 8
    QCOMPARE(ButtonPainter::iconPosition(0, 33, 30, 16, 4), QPoint(8, 7)); // 8.5 -> 8
    QCOMPARE(ButtonPainter::iconPosition(4, 100, 30, 16, 7), QPoint(42, 7));
    QCOMPARE(ButtonPainter::iconPosition(9, 100, 30, 16, 7), QPoint(0, 0));

    UsrButton b;
    b.resize(100, 30);
    b.setStyle(0);
    b.setIconAlign(2);
    b.setIconSize(16);
    b.setIcon(solid(QColor(255, 0, 0)));
    b.preview(1, false);
    QCOMPARE(firstPixel(b.render(), qRgb(255, 0, 0)), QPoint(80, 7));
    b.preview(3, false);
    QCOMPARE(firstPixel(b.render(), qRgb(255, 0, 0)), QPoint(81, 8));
    // Style 4 when hot: a grey shadow, and the icon two pixels up and left.
    b.setStyle(4);
    b.preview(2, false);
    const QImage hot = b.render();
    QCOMPARE(firstPixel(hot, qRgb(255, 0, 0)), QPoint(78, 5));
    QCOMPARE(hot.pixel(80 + 15, 7 + 15), qRgb(0x80, 0x80, 0x80));
    QCOMPARE(hot.pixel(80 + 16, 7 + 16), hot.pixel(1, 1)); // the face colour stays
}

void TestButtonPainting::shapes()
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
    UsrButton button;
    button.resize(W, H);
    button.setStyle(8);
    QCOMPARE(button.mask(), ButtonPainter::shape(8, W, H));
}

void TestButtonPainting::toggledDrawnPressedInEveryStyle()
{
    for (int style = 0; style <= 10; ++style) {
        UsrButton toggled, pressed;
        for (UsrButton *b : {&toggled, &pressed}) {
            b->resize(90, 28);
            b->setStyle(style);
            b->setCaption(QStringLiteral("Go"));
        }
        toggled.setButtonType(1);
        toggled.setValue(true);
        pressed.preview(3, false);
        const QImage t = toggled.render();
        QCOMPARE(toggled.lastLook().state, int(ButtonLook::Pressed));
        QVERIFY2(t == pressed.render(), qPrintable(QStringLiteral("style %1").arg(style)));
    }
}

void TestButtonPainting::disabledStyle4LooksNormal()
{
    UsrButton normal, disabled;
    for (UsrButton *b : {&normal, &disabled}) {
        b->resize(80, 26);
        b->setStyle(4);
    }
    disabled.setEnabledProperty(false);
    QCOMPARE(disabled.render(), normal.render());
    QCOMPARE(disabled.lastLook().state, int(ButtonLook::Disabled));
    // Only the caption colour tells them apart.
    normal.setCaption(QStringLiteral("Text"));
    disabled.setCaption(QStringLiteral("Text"));
    QVERIFY(disabled.render() != normal.render());
}

void TestButtonPainting::themedStyleFallsBack()
{
    UsrButton b;
    b.resize(80, 26);
    b.setNonThemeStyle(2);
    b.setStyle(6);
    b.render();
    QCOMPARE(b.Style(), 6); // the platform's style draws here
    UsrButton::setThemeAvailable(false);
    b.render();
    QCOMPARE(b.Style(), 2); // for good
    UsrButton::setThemeAvailable(true);
    b.render();
    QCOMPARE(b.Style(), 2);
}

void TestButtonPainting::unknownStylePaintsNoBackground()
{
    UsrButton b;
    b.resize(80, 26);
    b.setStyle(42);
    const QImage img = b.render();
    const QRgb face = OleColor::toQColor(OleColor::system(OleColor::ButtonFace)).rgb();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            QCOMPARE(img.pixel(x, y), face);
}

QTEST_MAIN(TestButtonPainting)
#include "test_button_painting.moc"
