#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QRegion>
#include <QString>

// How a caption is set in the button, as the platform's text-drawing flags (the caption
// format keeps these numbers).
enum CaptionFlag : int {
    CaptionLeft = 0,
    CaptionCentre = 1, // horizontally
    CaptionRight = 2,
    CaptionTop = 0,
    CaptionMiddle = 4, // vertically; single line only
    CaptionBottom = 8, // single line only
    CaptionWordWrap = 16,
    CaptionSingleLine = 32 // a line break in the caption does not start a second line
};
// A new button's caption until its first layout (17).
constexpr int kCaptionCentredWrap = CaptionCentre | CaptionWordWrap;
// One line in the middle of the button (37), at its top (33) or bottom (41), or on the
// left (36) or right (38) of its middle.
constexpr int kCaptionMiddle = CaptionSingleLine | CaptionMiddle | CaptionCentre;
constexpr int kCaptionTopLine = CaptionSingleLine | CaptionTop | CaptionCentre;
constexpr int kCaptionBottomLine = CaptionSingleLine | CaptionBottom | CaptionCentre;
constexpr int kCaptionMiddleLeft = CaptionSingleLine | CaptionMiddle | CaptionLeft;
constexpr int kCaptionMiddleRight = CaptionSingleLine | CaptionMiddle | CaptionRight;

// What a button looks like at one repaint: its fields after the state correction.
struct ButtonLook {
    enum State { Normal = 1, Hot = 2, Pressed = 3, Disabled = 4 };
    int state = Normal;
    bool focused = false;
    int style = 9;
    bool useCustomColors = false;
    bool showFocus = false;
    quint32 backColor = 0;
    quint32 highlightColor = 0;
    quint32 fontColor = 0;
    quint32 fontHighlightColor = 0;
    QString caption;
    int captionFlags = kCaptionCentredWrap;
    QPixmap icon;
    int iconAlign = 0;
    int iconSize = 16;
    QFont font;
};

// Paints the eleven button styles, their captions and icons, and gives each style's shape.
class ButtonPainter {
public:
    explicit ButtonPainter(QImage &surface) : img_(surface) {}

    // Background, caption and icon. Returns false when the platform's style (6) could not
    // draw; nothing is drawn for the background then.
    bool paint(const ButtonLook &look, bool themeAvailable);

    // Colour arithmetic, per channel.
    static QColor blend(const QColor &a, const QColor &b);
    static QColor lighten(const QColor &c, int k);
    static QColor shift(const QColor &c, int d);
    static QColor gradientStep(const QColor &from, const QColor &to, int i, int n);
    static int roundHalfEven(int numerator, int denominator);

    static int captionFlags(int captionAlign);
    static int iconMargin(int style);
    // Icon corner before the press offset.
    static QPoint iconPosition(int iconAlign, int w, int h, int size, int margin);
    static QRegion shape(int style, int w, int h);

    // Drawing helpers, in the platform's pixel conventions: a line leaves out its end
    // point, an outline covers (x, y) to (x + w, y + h) with its far sides, a fill leaves
    // out its right column and bottom row.
    void line(int x1, int y1, int x2, int y2, const QColor &c);
    void outline(int x, int y, int w, int h, const QColor &c);
    void fill(int x, int y, int w, int h, const QColor &c);
    void edge(int kind);
    void vGradient(const QColor &from, const QColor &to, int x1, int y0, int x2, int n);
    void hGradient(const QColor &from, const QColor &to, int x0, int y1, int y2, int n);
    void pixel(int x, int y, const QColor &c);
    // The straight edges of the two polygon shapes (corners are each style's own).
    void edgesA(const QColor &c);
    void edgesB(const QColor &c);

private:
    QColor face(const ButtonLook &look) const;
    QColor faceHighlight(const ButtonLook &look, int systemColour) const;
    // The backgrounds, by style number.
    void classic3d(const ButtonLook &look);                 // 0
    void thin3d(const ButtonLook &look, bool flatUntilHot); // 1, and 2 flat until hot
    void etchedFrame(const ButtonLook &look);               // 3
    void flatHighlight(const ButtonLook &look);             // 4
    void roundedGlow(const ButtonLook &look);               // 5
    void rounded(const ButtonLook &look, const QColor &face, const QColor &glow, bool withGlow);
    void roundedGlowFixed(const ButtonLook &look);                   // 5 without custom colours
    void roundedFromFace(const ButtonLook &look);                    // 7
    void softGradient(const ButtonLook &look);                       // 8
    void strongGradient(const ButtonLook &look);                     // 9
    void capsule(const ButtonLook &look);                            // 10
    bool platformStyle(const ButtonLook &look, bool themeAvailable); // 6
    void caption(const ButtonLook &look);
    void drawIcon(const ButtonLook &look);
    int w() const { return img_.width(); }
    int h() const { return img_.height(); }

    QImage &img_;
};
