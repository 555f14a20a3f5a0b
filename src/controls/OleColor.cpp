#include "controls/OleColor.h"

#include <QApplication>
#include <QPalette>

quint32 OleColor::translate(quint32 colour)
{
    if (!(colour & 0x80000000u))
        return colour & 0x00FFFFFFu;
    const QPalette palette = QApplication::palette();
    QColor c;
    switch (colour & 0xFFu) {
    case WindowBackground: c = palette.color(QPalette::Base); break;
    case WindowText: c = palette.color(QPalette::Text); break;
    case Highlight: c = palette.color(QPalette::Highlight); break;
    case ButtonFace: c = palette.color(QPalette::Button); break;
    case ButtonShadow: c = palette.color(QPalette::Dark); break;
    case GrayText: c = palette.color(QPalette::Disabled, QPalette::Text); break;
    case ButtonText: c = palette.color(QPalette::ButtonText); break;
    case ToolTipBackground: c = palette.color(QPalette::ToolTipBase); break;
    case ToolTipText: c = palette.color(QPalette::ToolTipText); break;
    default: return 0xFFFFFFFFu;
    }
    return fromQColor(c);
}

QColor OleColor::toQColor(quint32 colour)
{
    const quint32 plain = translate(colour);
    if (plain == 0xFFFFFFFFu)
        return QColor(Qt::black);
    return QColor(red(plain), green(plain), blue(plain));
}

quint32 OleColor::fromQColor(const QColor &colour)
{
    return rgb(colour.red(), colour.green(), colour.blue());
}
