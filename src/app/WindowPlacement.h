#pragma once

#include <QRect>
#include <QString>

class QWidget;

// Puts a window back where the user left it, fitted to the screen it lands on, so a size
// saved on a larger screen (or at another scale) never runs off this one.
class WindowPlacement {
public:
    // Restores the saved place of `key`, or `preferred` centred; then fits it to its screen.
    static void restore(QWidget *window, const QString &key, QSize preferred);
    static void save(const QWidget *window, const QString &key);
    // Shrinks and moves a window so it lies on the screen it is on, title bar included.
    static void fitToScreen(QWidget *window);
    // `geometry` shrunk to `available` where it is larger, then moved inside it.
    static QRect fitted(QRect geometry, const QRect &available);
};
