#include "controls/ButtonToolTip.h"

#include "controls/OleColor.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

namespace {
constexpr int kPad = 6;
constexpr int kTail = 10; // the balloon's pointer
} // namespace

ButtonToolTip::ButtonToolTip(QWidget *owner, const QString &text, const QString &title, int icon, bool balloon,
                             quint32 backColor, quint32 foreColor)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), text_(text), title_(title),
      icon_(icon), balloon_(balloon)
{
    setObjectName(QStringLiteral("ButtonToolTip"));
    setAttribute(Qt::WA_TranslucentBackground, balloon);
    const QPalette pal = QApplication::palette();
    // A colour of 0 keeps the platform's default.
    background_ = backColor ? OleColor::toQColor(backColor) : pal.color(QPalette::ToolTipBase);
    foreground_ = foreColor ? OleColor::toQColor(foreColor) : pal.color(QPalette::ToolTipText);
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics fm(font()), fb(bold);
    int width = fm.horizontalAdvance(text_);
    int height = fm.height();
    if (!title_.isEmpty() || icon_) {
        width = qMax(width, fb.horizontalAdvance(title_) + (icon_ ? 20 : 0));
        height += qMax(fb.height(), icon_ ? 16 : 0) + 4;
    }
    resize(width + 2 * kPad, height + 2 * kPad + (balloon_ ? kTail : 0));
}

void ButtonToolTip::showNear(const QPoint &globalPos)
{
    move(globalPos + QPoint(-kTail, 18));
    show();
}

void ButtonToolTip::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, balloon_);
    const int top = balloon_ ? kTail : 0;
    QRectF body(0.5, top + 0.5, width() - 1, height() - top - 1);
    QPainterPath path;
    if (balloon_) {
        path.addRoundedRect(body, 8, 8);
        QPolygonF tail;
        tail << QPointF(kTail, top + 1) << QPointF(kTail + 2, 0) << QPointF(kTail * 2, top + 1);
        path.addPolygon(tail);
        path = path.simplified();
    } else {
        path.addRect(body);
    }
    p.fillPath(path, background_);
    p.setPen(foreground_.darker(150));
    p.drawPath(path);
    p.setPen(foreground_);
    int y = top + kPad;
    if (!title_.isEmpty() || icon_) {
        int x = kPad;
        if (icon_) {
            const QStyle::StandardPixmap kinds[] = {QStyle::SP_MessageBoxInformation, QStyle::SP_MessageBoxInformation,
                                                    QStyle::SP_MessageBoxWarning, QStyle::SP_MessageBoxCritical};
            style()->standardIcon(kinds[qBound(0, icon_, 3)]).paint(&p, QRect(x, y, 16, 16));
            x += 20;
        }
        QFont bold = font();
        bold.setBold(true);
        p.setFont(bold);
        p.drawText(QRect(x, y, width() - x - kPad, 18), Qt::AlignLeft | Qt::AlignVCenter, title_);
        p.setFont(font());
        y += 20;
    }
    p.drawText(QRect(kPad, y, width() - 2 * kPad, height() - y - kPad), Qt::AlignLeft | Qt::AlignTop, text_);
}
