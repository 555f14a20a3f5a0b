#include "app/frmLogo.h"

#include "store/Services.h"
#include "ui/WindowServices.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

frmLogo::frmLogo(QWidget *parent) : QWidget(parent, Qt::FramelessWindowHint | Qt::SplashScreen)
{
    setObjectName(QStringLiteral("frmLogo"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(Twips(5865), Twips(3240));

    Label1 = new QLabel(AppTitle(), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont titleFont = Label1->font();
    titleFont.setPointSize(22);
    titleFont.setBold(true);
    Label1->setFont(titleFont);
    Label1->setStyleSheet(QStringLiteral("color: white;"));
    Label1->setGeometry(30, 60, width() - 60, 50);

    Label2 = new QLabel(QStringLiteral("版本   ") + AppVersion(), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setStyleSheet(QStringLiteral("color: white;"));
    Label2->setGeometry(30, 130, width() - 60, 24);

    // A click on a label is not a click on the splash surface.
    Label1->installEventFilter(this);
    Label2->installEventFilter(this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &frmLogo::unload);
    Timer1->start();

    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void frmLogo::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    unload();
}

bool frmLogo::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease)
        return true;
    return QWidget::eventFilter(watched, event);
}

void frmLogo::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    QLinearGradient g(0, 0, width(), height());
    g.setColorAt(0, QColor(24, 74, 140));
    g.setColorAt(1, QColor(70, 150, 200));
    p.fillRect(rect(), g);
    p.setPen(QColor(255, 255, 255, 90));
    for (int i = 0; i < 6; ++i)
        p.drawEllipse(QPoint(width() - 60, height() - 40), 20 + i * 18, 20 + i * 18);
}

void frmLogo::unload()
{
    if (done_)
        return;
    done_ = true;
    Timer1->stop();
    close();
    emit finished();
}
