#include "controls/ButtonPainter.h"

#include "controls/OleColor.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionButton>
#include <cmath>
#include <cstdlib>

namespace {
QColor sys(quint32 index)
{
    return OleColor::toQColor(OleColor::system(index));
}

QColor ole(quint32 colour)
{
    return OleColor::toQColor(colour);
}

// Written as the platform writes them: 0x00BBGGRR.
QColor bgr(quint32 value)
{
    return ole(value & 0x00FFFFFFu);
}

int clamp255(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}
} // namespace

// ---- arithmetic ------------------------------------------------------------------------

int ButtonPainter::roundHalfEven(int numerator, int denominator)
{
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    int q = numerator / denominator;
    int r = numerator % denominator;
    if (r < 0) { // floor division
        --q;
        r += denominator;
    }
    if (2 * r > denominator || (2 * r == denominator && (q & 1)))
        ++q;
    return q;
}

QColor ButtonPainter::blend(const QColor &a, const QColor &b)
{
    return QColor(roundHalfEven(a.red() + b.red(), 2), roundHalfEven(a.green() + b.green(), 2),
                  roundHalfEven(a.blue() + b.blue(), 2));
}

QColor ButtonPainter::lighten(const QColor &c, int k)
{
    auto ch = [k](int v) { return qMin(255, v + (255 - v) * k / 255); };
    return QColor(ch(c.red()), ch(c.green()), ch(c.blue()));
}

QColor ButtonPainter::shift(const QColor &c, int d)
{
    return QColor(clamp255(c.red() + d), clamp255(c.green() + d), clamp255(c.blue() + d));
}

QColor ButtonPainter::gradientStep(const QColor &from, const QColor &to, int i, int n)
{
    if (n <= 0)
        return from;
    auto ch = [i, n](int a, int b) { return clamp255(a + roundHalfEven((b - a) * i, n)); };
    return QColor(ch(from.red(), to.red()), ch(from.green(), to.green()), ch(from.blue(), to.blue()));
}

int ButtonPainter::captionFlags(int captionAlign)
{
    switch (captionAlign) {
    case 1: return kCaptionMiddleLeft;
    case 2: return kCaptionMiddleRight;
    case 3: return kCaptionTopLine;
    case 4: return kCaptionBottomLine;
    default: return kCaptionMiddle;
    }
}

int ButtonPainter::iconMargin(int style)
{
    switch (style) {
    case 5:
    case 7: return 5;
    case 9:
    case 10: return 7;
    default: return 4;
    }
}

QPoint ButtonPainter::iconPosition(int iconAlign, int w, int h, int s, int m)
{
    const int cx = roundHalfEven(w - s, 2);
    const int cy = roundHalfEven(h - s, 2);
    switch (iconAlign) {
    case 0: return {cx, cy};
    case 1: return {m, cy};
    case 2: return {w - s - m, cy};
    case 3: return {cx, m};
    case 4: return {cx, h - s - m};
    default: return {0, 0};
    }
}

QRegion ButtonPainter::shape(int style, int w, int h)
{
    auto polygon = [](std::initializer_list<QPoint> points) {
        return QRegion(QPolygon(QVector<QPoint>(points)), Qt::OddEvenFill);
    };
    switch (style) {
    case 5:
    case 7: return polygon({{0, 1}, {1, 0}, {w - 1, 0}, {w, 1}, {w, h - 2}, {w - 2, h}, {2, h}, {0, h - 2}});
    case 8:
    case 9: return polygon({{0, 2}, {2, 0}, {w - 3, 0}, {w, 3}, {w, h - 3}, {w - 3, h}, {4, h}, {0, h - 4}});
    case 10: {
        QPainterPath path;
        path.addRoundedRect(QRectF(0, 0, w + 1, h + 1), 9, 9);
        return QRegion(path.toFillPolygon().toPolygon(), Qt::OddEvenFill);
    }
    default: return QRegion(0, 0, w, h);
    }
}

// ---- helpers ---------------------------------------------------------------------------

void ButtonPainter::pixel(int x, int y, const QColor &c)
{
    if (x >= 0 && y >= 0 && x < w() && y < h())
        img_.setPixelColor(x, y, c);
}

void ButtonPainter::line(int x1, int y1, int x2, int y2, const QColor &c)
{
    // Bresenham, end point excluded, as the platform draws a pen line.
    const int dx = std::abs(x2 - x1), sx = x1 < x2 ? 1 : -1;
    const int dy = -std::abs(y2 - y1), sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    while (!(x1 == x2 && y1 == y2)) {
        pixel(x1, y1, c);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x1 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y1 += sy;
        }
    }
}

void ButtonPainter::outline(int x, int y, int w, int h, const QColor &c)
{
    // Unlike a line, the frame includes its far sides: four lines round the corners, each
    // starting where the previous one stopped short.
    line(x, y, x + w, y, c);
    line(x + w, y, x + w, y + h, c);
    line(x + w, y + h, x, y + h, c);
    line(x, y + h, x, y, c);
}

void ButtonPainter::fill(int x, int y, int w, int h, const QColor &c)
{
    if (w <= 0 || h <= 0)
        return;
    QPainter p(&img_);
    p.fillRect(QRect(x, y, w, h), c);
}

void ButtonPainter::edge(int kind)
{
    const QPalette pal = QApplication::palette();
    const QColor highlight = pal.color(QPalette::Light);
    const QColor light = pal.color(QPalette::Midlight);
    const QColor shadow = pal.color(QPalette::Dark);
    const QColor dark = pal.color(QPalette::Shadow);
    auto ring = [this](int inset, const QColor &topLeft, const QColor &bottomRight) {
        const int x0 = inset, y0 = inset, x1 = w() - 1 - inset, y1 = h() - 1 - inset;
        line(x0, y1, x0, y0, topLeft);
        line(x0, y0, x1, y0, topLeft);
        line(x1, y0, x1, y1, bottomRight);
        line(x1, y1, x0 - 1, y1, bottomRight);
    };
    int inset = 0;
    if (kind & 1) // raised outer
        ring(inset++, light, dark);
    else if (kind & 2) // sunken outer
        ring(inset++, shadow, highlight);
    if (kind & 4) // raised inner
        ring(inset, highlight, shadow);
    else if (kind & 8) // sunken inner
        ring(inset, dark, light);
}

void ButtonPainter::vGradient(const QColor &from, const QColor &to, int x1, int y0, int x2, int n)
{
    for (int i = 0; i <= n; ++i)
        line(x1, y0 + i, x2, y0 + i, gradientStep(from, to, i, n));
}

void ButtonPainter::hGradient(const QColor &from, const QColor &to, int x0, int y1, int y2, int n)
{
    for (int i = 0; i <= n; ++i)
        line(x0 + i, y1, x0 + i, y2, gradientStep(from, to, i, n));
}

void ButtonPainter::edgesA(const QColor &c)
{
    line(2, 0, w() - 2, 0, c);
    line(2, h() - 1, w() - 2, h() - 1, c);
    line(0, 2, 0, h() - 2, c);
    line(w() - 1, 2, w() - 1, h() - 2, c);
}

void ButtonPainter::edgesB(const QColor &c)
{
    line(2, 0, w() - 3, 0, c);
    line(0, 2, 0, h() - 4, c);
    line(4, h() - 1, w() - 3, h() - 1, c);
    line(w() - 1, 3, w() - 1, h() - 3, c);
}

// ---- faces -----------------------------------------------------------------------------

QColor ButtonPainter::face(const ButtonLook &look) const
{
    return look.useCustomColors ? ole(look.backColor) : sys(OleColor::ButtonFace);
}

QColor ButtonPainter::faceHighlight(const ButtonLook &look, int systemColour) const
{
    return look.useCustomColors ? ole(look.highlightColor) : sys(quint32(systemColour));
}

void ButtonPainter::classic3d(const ButtonLook &look)
{
    fill(0, 0, w(), h(), look.state == ButtonLook::Normal ? face(look) : faceHighlight(look, 15));
    edge(look.state == ButtonLook::Pressed ? 10 : 5);
}

void ButtonPainter::thin3d(const ButtonLook &look, bool flatUntilHot)
{
    const bool quiet = look.state == ButtonLook::Normal || look.state == ButtonLook::Disabled;
    const QColor bg = quiet ? face(look) : faceHighlight(look, 15);
    fill(0, 0, w(), h(), bg);
    if (look.state == ButtonLook::Pressed)
        edge(2);
    else if (look.state == ButtonLook::Hot || (look.state == ButtonLook::Normal && !flatUntilHot))
        edge(4);
    else
        outline(0, 0, w() - 1, h() - 1, bg);
}

void ButtonPainter::etchedFrame(const ButtonLook &look)
{
    const QColor bg = face(look);
    fill(0, 0, w(), h(), bg);
    QColor inner = bg;
    if (look.state == ButtonLook::Pressed)
        inner = look.useCustomColors ? ole(look.highlightColor) : sys(OleColor::ButtonShadow);
    else if (look.state == ButtonLook::Hot)
        inner = look.useCustomColors ? blend(ole(look.highlightColor), ole(look.backColor))
                                     : blend(sys(OleColor::ButtonShadow), sys(OleColor::ButtonFace));
    fill(4, 4, w() - 8, h() - 8, inner);
    const int ww = w() - 1, hh = h() - 1;
    outline(0, 0, ww - 1, hh - 1, sys(OleColor::ButtonShadow));
    outline(1, 1, ww - 1, hh - 1, sys(OleColor::WindowBackground));
    pixel(0, hh, inner);
    pixel(ww, 0, inner);
    const QColor mid = blend(sys(OleColor::WindowBackground), sys(OleColor::ButtonShadow));
    pixel(1, hh - 1, mid);
    pixel(ww - 1, 1, mid);
}

void ButtonPainter::flatHighlight(const ButtonLook &look)
{
    if (look.state == ButtonLook::Normal || look.state == ButtonLook::Disabled) {
        fill(0, 0, w(), h(), lighten(face(look), 32));
        return;
    }
    const QColor base = faceHighlight(look, 13);
    fill(0, 0, w() - 1, h() - 1, lighten(base, look.state == ButtonLook::Hot ? 176 : 128));
    outline(0, 0, w() - 1, h() - 1, base);
}

// The rounded construction shared by styles 5 (custom colours) and 7: face gradients,
// a dark border with rounded corners, and an optional inner glow.
void ButtonPainter::rounded(const ButtonLook &look, const QColor &f, const QColor &glow, bool withGlow)
{
    const int W = w(), H = h(), mid = H / 2;
    fill(0, 0, W, H, f);
    if (look.state == ButtonLook::Pressed) {
        vGradient(shift(f, -21), shift(f, +21), 1, 1, W - 1, mid - 1);
        vGradient(shift(f, -5), shift(f, +15), 1, mid, W - 1, H - mid - 2);
        line(1, 1, W - 1, 1, shift(f, -37));
        line(1, 2, W - 1, 2, shift(f, -24));
    } else if (look.state == ButtonLook::Disabled) {
        fill(1, 1, W - 2, H - 2, shift(f, +15));
    } else {
        vGradient(shift(f, +21), shift(f, -5), 1, 1, W - 1, mid - 1);
        vGradient(shift(f, -15), shift(f, -32), 1, mid, W - 1, H - mid - 2);
        line(1, H - 3, W - 1, H - 3, shift(f, -16));
        line(1, H - 2, W - 1, H - 2, shift(f, -24));
    }
    const QColor border = look.state == ButtonLook::Disabled ? shift(f, -37) : shift(f, look.style == 7 ? -96 : -128);
    edgesA(border);
    const QColor corner = blend(border, f);
    for (const QPoint &c : {QPoint(1, 1), QPoint(W - 2, 1), QPoint(1, H - 2), QPoint(W - 2, H - 2)})
        pixel(c.x(), c.y(), corner);
    if (withGlow) {
        outline(1, 1, W - 3, H - 3, glow);
        outline(2, 2, W - 5, H - 5, shift(glow, +21));
        line(2, H - 3, W - 2, H - 3, shift(glow, -5));
        line(2, 2, W - 2, 2, shift(glow, -21));
    }
}

void ButtonPainter::roundedGlowFixed(const ButtonLook &look)
{
    const int W = w(), H = h(), mid = H / 2;
    if (look.state == ButtonLook::Disabled) {
        fill(0, 0, W, H, bgr(0xEAF4F5));
        outline(0, 0, W - 1, H - 1, bgr(0xBAC7C9));
        for (const QPoint &c : {QPoint(0, 0), QPoint(W - 1, 0), QPoint(0, H - 1), QPoint(W - 1, H - 1)})
            pixel(c.x(), c.y(), bgr(0xC7D5D8));
        return;
    }
    fill(0, 0, W, H, bgr(0xF2F4F5));
    if (look.state == ButtonLook::Pressed) {
        vGradient(bgr(0xDCE3E4), bgr(0xC1CCD1), 1, 1, W - 1, mid - 1);
        vGradient(bgr(0xDBE2E3), bgr(0xEEF1F2), 1, mid, W - 1, H - mid - 2);
        line(1, 1, W - 1, 1, bgr(0xCED8DA));
    } else {
        vGradient(bgr(0xFBFCFC), bgr(0xF0F0F0), 1, 1, W - 1, mid - 1);
        vGradient(bgr(0xEAF0F0), bgr(0xDAE2E4), 1, mid, W - 1, H - mid - 4);
        vGradient(bgr(0xE6EBEB), bgr(0xC5D0D6), 1, H - 4, W - 1, 2);
        line(1, 1, W - 1, 1, bgr(0xFAFBFB));
        line(1, 2, W - 1, 2, bgr(0xF9FAFA));
    }
    const QColor border = bgr(0x743C00);
    edgesA(border);
    for (const QPoint &c : {QPoint(1, 0), QPoint(0, 1), QPoint(W - 2, 0), QPoint(W - 1, 1), QPoint(0, H - 2),
                            QPoint(1, H - 1), QPoint(W - 2, H - 1), QPoint(W - 1, H - 2)})
        pixel(c.x(), c.y(), bgr(0x906E48));
    for (const QPoint &c : {QPoint(1, 1), QPoint(W - 2, 1), QPoint(1, H - 2), QPoint(W - 2, H - 2)})
        pixel(c.x(), c.y(), bgr(0xA28B6A));
    for (const QPoint &c : {QPoint(0, 0), QPoint(W - 1, 0), QPoint(0, H - 1), QPoint(W - 1, H - 1)})
        pixel(c.x(), c.y(), bgr(0xCAC7BF));
    const bool hot = look.state == ButtonLook::Hot;
    const bool focusedNormal = look.state == ButtonLook::Normal && look.focused;
    if (hot || focusedNormal) {
        // Orange glow when hot, blue when focused.
        const quint32 frame = hot ? 0x30B3F8 : 0xEE8269;
        const quint32 top = hot ? 0xCFF0FF : 0xFFE7CE;
        const quint32 inner = hot ? 0x89D8FD : 0xF6D4BC;
        const quint32 bottom = hot ? 0x1097E5 : 0xE4AD89;
        outline(1, 2, W - 3, H - 5, bgr(frame));
        line(2, 1, W - 2, 1, bgr(top));
        vGradient(bgr(inner), bgr(frame), 2, 2, 3, H - 6);
        vGradient(bgr(inner), bgr(frame), W - 3, 2, W - 2, H - 6);
        line(2, H - 2, W - 2, H - 2, bgr(bottom));
    }
}

void ButtonPainter::roundedGlow(const ButtonLook &look)
{
    if (!look.useCustomColors) {
        roundedGlowFixed(look);
        return;
    }
    const QColor f = look.state == ButtonLook::Normal ? ole(look.backColor) : shift(ole(look.backColor), +16);
    const bool glow = look.state == ButtonLook::Hot || (look.state == ButtonLook::Normal && look.focused && look.showFocus);
    QColor g = shift(ole(look.highlightColor), +16);
    if (look.state == ButtonLook::Hot)
        g = shift(ole(look.highlightColor), +69);
    rounded(look, f, shift(g, look.focused ? +85 - 69 : 0), glow);
}

void ButtonPainter::roundedFromFace(const ButtonLook &look)
{
    static const int delta[] = {0, 8, 24, -9, 18};
    const QColor f = shift(face(look), delta[qBound(1, look.state, 4)]);
    const bool glow = look.state == ButtonLook::Hot || (look.state == ButtonLook::Normal && look.focused);
    rounded(look, f, look.useCustomColors ? ole(look.highlightColor) : sys(OleColor::Highlight), glow);
}

void ButtonPainter::softGradient(const ButtonLook &look)
{
    const int W = w(), H = h();
    const QColor f = look.state == ButtonLook::Normal
                         ? face(look)
                         : (look.useCustomColors ? ole(look.highlightColor) : shift(sys(OleColor::ButtonFace), +15));
    fill(0, 0, W, H, f);
    if (look.state != ButtonLook::Pressed) {
        vGradient(shift(f, +15), shift(f, -15), 2, 2, W - 2, H - 5);
        line(1, 1, W - 2, 1, shift(f, +96));
        line(1, 1, 1, H - 2, shift(f, +96));
        line(2, H - 2, W - 2, H - 2, shift(f, -48));
        line(W - 2, 2, W - 2, H - 2, shift(f, -48));
    } else {
        line(2, 1, W - 2, 1, shift(f, -48));
        line(1, 2, 1, H - 2, shift(f, -48));
        for (const QPoint &c : {QPoint(1, 1), QPoint(W - 2, 2), QPoint(2, H - 2), QPoint(W - 3, H - 2)})
            pixel(c.x(), c.y(), shift(f, -96));
        line(2, H - 2, W - 2, H - 2, shift(f, +21));
        line(W - 2, 3, W - 2, H - 2, shift(f, +15));
    }
    edgesB(shift(f, -96));
}

void ButtonPainter::strongGradient(const ButtonLook &look)
{
    const int W = w(), H = h(), mid = H / 2;
    QColor f;
    switch (look.state) {
    case ButtonLook::Hot: f = shift(faceHighlight(look, 15), +1); break;
    case ButtonLook::Pressed: f = shift(faceHighlight(look, 15), +24); break;
    case ButtonLook::Disabled: f = shift(face(look), +15); break;
    default: f = shift(face(look), -15); break;
    }
    fill(0, 0, W, H, f);
    vGradient(shift(f, +32), shift(f, -32), 1, 1, W - 2, H - 3);
    // Gloss on the upper half, darker ends.
    vGradient(shift(f, +128), shift(f, +5), 2, 1, W - 3, mid - 2);
    vGradient(shift(f, -37), shift(f, -53), 1, mid, 2, H - mid - 2);
    vGradient(shift(f, -37), shift(f, -53), W - 3, mid, W - 2, H - mid - 2);
    vGradient(shift(f, +37), shift(f, +5), 1, 2, 2, mid - 3);
    vGradient(shift(f, +37), shift(f, +5), W - 3, 2, W - 2, mid - 3);
    hGradient(shift(f, -53), shift(f, -32), 3, H - 3, H - 2, qMax(1, W / 4));
    hGradient(shift(f, -32), shift(f, -56), W - 4 - qMax(1, W / 4), H - 3, H - 2, qMax(1, W / 4));
    const QColor border = shift(f, -64);
    edgesB(border);
    line(1, 1, 2, 0, shift(f, -48));
    line(W - 3, 0, W, 3, shift(f, -48));
    line(W - 1, H - 3, W - 4, H, shift(f, -48));
    line(4, H - 1, 0, H - 5, shift(f, -48));
    line(1, H - 2, W - 2, H - 2, shift(f, -8));
}

void ButtonPainter::capsule(const ButtonLook &look)
{
    const int W = w(), H = h();
    const bool hotImage = look.state == ButtonLook::Hot ||
                          ((look.state == ButtonLook::Normal || look.state == ButtonLook::Disabled) && look.focused);
    QColor top, bottom, bodyColour, edgeColour;
    if (look.state == ButtonLook::Pressed) {
        top = bgr(0xD8B48E);
        bodyColour = bgr(0xB98E62);
        bottom = bgr(0x9A7046);
        edgeColour = bgr(0x5A3212);
    } else if (hotImage) {
        top = bgr(0xF6E2CC);
        bodyColour = bgr(0xCE9963);
        bottom = bgr(0xE8C8A4);
        edgeColour = bgr(0x6A3A10);
    } else {
        top = bgr(0xFEFEFE);
        bodyColour = bgr(0xE4E4E4);
        bottom = bgr(0xC8C8C8);
        edgeColour = bgr(0x6C6C6C);
    }
    fill(0, 0, W, H, bodyColour);
    // Shaded rows of the body: light above the middle, darker towards the bottom.
    const int mid = H / 2;
    for (int y = 1; y < H - 1; ++y) {
        const QColor c =
            y < mid ? gradientStep(top, bodyColour, y, mid) : gradientStep(bodyColour, bottom, y - mid, H - mid);
        line(9, y, W - 9, y, c);
    }
    line(9, 0, W - 9, 0, edgeColour);
    line(9, H - 1, W - 9, H - 1, edgeColour);
    // Rounded ends, pixel by pixel.
    const double r = qMin(9.0, H / 2.0);
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < 9; ++x) {
            const double cy = y < r ? r - 0.5 : (y >= H - r ? H - r - 0.5 : y + 0.0);
            const double dx = (r - 0.5) - x, dy = y - cy;
            const double d = std::sqrt(dx * dx + dy * dy);
            if (d > r)
                continue;
            const QColor shade =
                y < mid ? gradientStep(top, bodyColour, y, mid) : gradientStep(bodyColour, bottom, y - mid, H - mid);
            const QColor c = d > r - 1.2 ? edgeColour : shade;
            pixel(x, y, c);
            pixel(W - 1 - x, y, c);
        }
    }
}

bool ButtonPainter::platformStyle(const ButtonLook &look, bool themeAvailable)
{
    fill(0, 0, w(), h(), sys(OleColor::ButtonFace));
    QStyle *platform = QApplication::style();
    if (!themeAvailable || !platform)
        return false;
    QStyleOptionButton option;
    option.rect = QRect(0, 0, w(), h());
    option.palette = QApplication::palette();
    option.state = QStyle::State_Raised;
    if (look.state != ButtonLook::Disabled)
        option.state |= QStyle::State_Enabled;
    if (look.state == ButtonLook::Hot)
        option.state |= QStyle::State_MouseOver;
    if (look.state == ButtonLook::Pressed)
        option.state = (option.state & ~QStyle::State_Raised) | QStyle::State_Sunken;
    if (look.state == ButtonLook::Normal && look.focused)
        option.features |= QStyleOptionButton::DefaultButton;
    QPainter p(&img_);
    p.setClipRect(option.rect);
    platform->drawControl(QStyle::CE_PushButtonBevel, &option, &p, nullptr);
    return true;
}

// ---- caption and icon --------------------------------------------------------------------

void ButtonPainter::caption(const ButtonLook &look)
{
    QColor colour;
    if (look.state == ButtonLook::Disabled)
        colour = sys(OleColor::GrayText);
    else if (!look.useCustomColors)
        colour = sys(OleColor::ButtonText);
    else
        colour = ole(look.state == ButtonLook::Normal ? look.fontColor : look.fontHighlightColor);
    const int f = look.captionFlags;
    Qt::Alignment align = (f & CaptionCentre) ? Qt::AlignHCenter : (f & CaptionRight) ? Qt::AlignRight : Qt::AlignLeft;
    int textFlags = 0;
    if (f & CaptionSingleLine) {
        align |= (f & CaptionMiddle) ? Qt::AlignVCenter : (f & CaptionBottom) ? Qt::AlignBottom : Qt::AlignTop;
        textFlags |= Qt::TextSingleLine;
    } else {
        align |= Qt::AlignTop;
    }
    if (f & CaptionWordWrap)
        textFlags |= Qt::TextWordWrap;
    QPainter p(&img_);
    p.setFont(look.font);
    p.setPen(colour);
    p.drawText(QRect(4, 4, w() - 8, h() - 8), int(align) | textFlags, look.caption);
}

void ButtonPainter::drawIcon(const ButtonLook &look)
{
    if (look.icon.isNull())
        return;
    const int s = look.iconSize;
    QPoint at = iconPosition(look.iconAlign, w(), h(), s, iconMargin(look.style));
    if (look.state == ButtonLook::Pressed)
        at += QPoint(1, 1);
    if (look.style == 4 && look.state == ButtonLook::Hot) {
        {
            QPainter p(&img_);
            p.drawPixmap(QRect(at, QSize(s, s)), look.icon);
        }
        const QRgb reference = img_.pixel(1, 1);
        for (int y = at.y(); y <= at.y() + s; ++y)
            for (int x = at.x(); x <= at.x() + s; ++x)
                if (x >= 0 && y >= 0 && x < w() && y < h() && img_.pixel(x, y) != reference)
                    img_.setPixel(x, y, qRgb(0x80, 0x80, 0x80));
        at -= QPoint(2, 2);
    }
    QPainter p(&img_);
    p.drawPixmap(QRect(at, QSize(s, s)), look.icon);
}

bool ButtonPainter::paint(const ButtonLook &look, bool themeAvailable)
{
    if (look.state == ButtonLook::Disabled)
        fill(0, 0, w(), h(), sys(OleColor::ButtonFace));
    bool themed = true;
    switch (look.style) {
    case 0: classic3d(look); break;
    case 1: thin3d(look, false); break;
    case 2: thin3d(look, true); break;
    case 3: etchedFrame(look); break;
    case 4: flatHighlight(look); break;
    case 5: roundedGlow(look); break;
    case 6: themed = platformStyle(look, themeAvailable); break;
    case 7: roundedFromFace(look); break;
    case 8: softGradient(look); break;
    case 9: strongGradient(look); break;
    case 10: capsule(look); break;
    default: break; // no background of its own
    }
    caption(look);
    drawIcon(look);
    return themed;
}
