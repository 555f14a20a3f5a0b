#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QRegion>
#include <QString>

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
    int captionFlags = 17;
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
    void style0(const ButtonLook &look);
    void style1(const ButtonLook &look, bool flatUntilHot);
    void style3(const ButtonLook &look);
    void style4(const ButtonLook &look);
    void style5(const ButtonLook &look);
    void rounded(const ButtonLook &look, const QColor &face, const QColor &glow, bool withGlow);
    void style5Fixed(const ButtonLook &look);
    void style7(const ButtonLook &look);
    void style8(const ButtonLook &look);
    void style9(const ButtonLook &look);
    void style10(const ButtonLook &look);
    bool style6(const ButtonLook &look, bool themeAvailable);
    void caption(const ButtonLook &look);
    void drawIcon(const ButtonLook &look);
    int w() const { return img_.width(); }
    int h() const { return img_.height(); }

    QImage &img_;
};
