#pragma once

#include <QWidget>

// The floating panel of UsrButton's About: a gradient, the name, the version and a
// self-drawn Close button; a click hides it.
class UsrButtonAbout : public QWidget {
    Q_OBJECT
public:
    explicit UsrButtonAbout(const QString &version);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QString version_;
};
