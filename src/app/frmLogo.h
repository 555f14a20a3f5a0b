#pragma once

#include <QLabel>
#include <QTimer>
#include <QWidget>

// The splash window: closes on a click on its own surface or after one second.
class frmLogo : public QWidget {
    Q_OBJECT
public:
    explicit frmLogo(QWidget *parent = nullptr);

    QLabel *Label1;
    QLabel *Label2;
    QTimer *Timer1;

signals:
    // Emitted once, after the splash has closed: time to show the main window.
    void finished();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void unload();
    bool done_ = false;
};
