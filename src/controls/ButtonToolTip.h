#pragma once

#include <QWidget>

// The button's own tool tip: rectangular or balloon, with an optional title and icon, and
// colours of its own where they are not 0.
class ButtonToolTip : public QWidget {
    Q_OBJECT
public:
    ButtonToolTip(QWidget *owner, const QString &text, const QString &title, int icon, bool balloon, quint32 backColor,
                  quint32 foreColor);

    QString text() const { return text_; }
    QString title() const { return title_; }
    int titleIcon() const { return icon_; }
    bool balloon() const { return balloon_; }
    QColor background() const { return background_; }
    QColor foreground() const { return foreground_; }
    // Shows the tip under the owner, where the pointer rests.
    void showNear(const QPoint &globalPos);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString text_;
    QString title_;
    int icon_;
    bool balloon_;
    QColor background_;
    QColor foreground_;
};
