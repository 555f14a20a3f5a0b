#include "controls/UsrButtonAbout.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

UsrButtonAbout::UsrButtonAbout(const QString &version)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowMinimizeButtonHint), version_(version)
{
    setObjectName(QStringLiteral("UsrButtonAbout"));
    setWindowTitle(QStringLiteral("About UsrButton ") + version_);
    resize(260, 150);
}

void UsrButtonAbout::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(70, 110, 180));
    g.setColorAt(1, QColor(200, 220, 245));
    p.fillRect(rect(), g);
    p.setPen(Qt::white);
    QFont big = font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    p.setFont(big);
    p.drawText(QRect(0, 16, width(), 40), Qt::AlignHCenter, QStringLiteral("UsrButton"));
    p.setFont(font());
    p.drawText(QRect(0, 58, width(), 20), Qt::AlignHCenter, QStringLiteral("Version ") + version_);
    const QRect close(width() / 2 - 40, height() - 40, 80, 24);
    p.setPen(QColor(40, 60, 100));
    p.setBrush(QColor(235, 240, 250));
    p.drawRoundedRect(close, 4, 4);
    p.drawText(close, Qt::AlignCenter, QStringLiteral("Close"));
}

void UsrButtonAbout::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    hide();
}
