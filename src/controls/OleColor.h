#pragma once

#include <QColor>
#include <QtGlobal>

// Colours as the controls store them: 0x00BBGGRR for a plain colour, 0x800000nn for the
// platform's system colour number nn.
class OleColor {
public:
    enum System : quint32 {
        WindowBackground = 5,
        WindowText = 8,
        Highlight = 13,
        ButtonFace = 15,
        ButtonShadow = 16,
        GrayText = 17,
        ButtonText = 18,
        ToolTipBackground = 23,
        ToolTipText = 24
    };

    static constexpr quint32 system(quint32 index) { return 0x80000000u | index; }
    static constexpr quint32 rgb(int r, int g, int b) { return quint32(r) | (quint32(g) << 8) | (quint32(b) << 16); }
    // The plain value of a colour; -1 (all bits) for a system colour the platform lacks.
    static quint32 translate(quint32 colour);
    static QColor toQColor(quint32 colour);
    static quint32 fromQColor(const QColor &colour);
    static int red(quint32 c) { return int(c & 0xFF); }
    static int green(quint32 c) { return int((c >> 8) & 0xFF); }
    static int blue(quint32 c) { return int((c >> 16) & 0xFF); }
};
