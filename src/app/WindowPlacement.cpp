#include "app/WindowPlacement.h"

#include "ui/UserSettings.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

QRect WindowPlacement::fitted(QRect geometry, const QRect &available)
{
    geometry.setSize(geometry.size().boundedTo(available.size()));
    if (geometry.right() > available.right())
        geometry.moveRight(available.right());
    if (geometry.bottom() > available.bottom())
        geometry.moveBottom(available.bottom());
    if (geometry.left() < available.left())
        geometry.moveLeft(available.left());
    if (geometry.top() < available.top())
        geometry.moveTop(available.top());
    return geometry;
}

void WindowPlacement::restore(QWidget *window, const QString &key, QSize preferred)
{
    const QByteArray saved = UserSettings::value(key).toByteArray();
    if (saved.isEmpty() || !window->restoreGeometry(saved)) {
        window->resize(preferred);
        if (QScreen *screen = QGuiApplication::primaryScreen())
            window->move(screen->availableGeometry().center() - window->rect().center());
    }
    fitToScreen(window);
}

void WindowPlacement::fitToScreen(QWidget *window)
{
    QScreen *screen = QGuiApplication::screenAt(window->geometry().center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen || window->isMaximized())
        return;
    // The window manager adds a title bar above the inner area and a border around it.
    const int titleBar = window->style()->pixelMetric(QStyle::PM_TitleBarHeight) + 8;
    constexpr int border = 4;
    const QRect available = screen->availableGeometry().adjusted(border, titleBar, -border, -border);
    // A window nobody placed yet is placed here, not by the window manager, which may put
    // a large window partly off the screen: centred, a step down and right of another
    // window already there.
    if (!window->isVisible() && !window->testAttribute(Qt::WA_Moved)) {
        window->resize(window->size().boundedTo(available.size()));
        QRect place(QPoint(), window->size());
        place.moveCenter(available.center());
        const QPoint frame(border, titleBar - border);
        const auto taken = [&] {
            for (QWidget *other : QApplication::topLevelWidgets())
                if (other != window && other->isVisible() && other->pos() == fitted(place, available).topLeft() - frame)
                    return true;
            return false;
        };
        for (int step = 0; step < 20 && taken(); ++step)
            place.translate(24, 24);
        window->move(fitted(place, available).topLeft() - frame);
        return;
    }
    const QRect inner = fitted(window->geometry(), available);
    if (inner == window->geometry())
        return;
    // move() places the frame: before the window is shown its frame is not known yet.
    const QPoint frame =
        window->isVisible() ? window->geometry().topLeft() - window->frameGeometry().topLeft() : QPoint(0, titleBar);
    window->resize(inner.size());
    window->move(inner.topLeft() - frame);
}

void WindowPlacement::save(const QWidget *window, const QString &key)
{
    UserSettings::setValue(key, window->saveGeometry());
}
