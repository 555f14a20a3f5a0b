#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QWidget;

// Keeps a window's lists in step with the catalogue: they are listed again after a change
// by this program (a catalogue notice), on F5, and when the window is activated after
// another program changed the catalogue.
class CatalogueFollower : public QObject {
    Q_OBJECT
public:
    CatalogueFollower(QWidget *window, std::function<void()> refresh);

    // The window calls this when it has listed everything it shows: notices posted before
    // need no second listing. Other programs' changes are judged by the stamp taken when
    // the follower was made or the last refresh began.
    void listed();
    // Lists again now (F5).
    void refresh();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What the catalogue's engine says about changes by other programs; empty when the
    // catalogue is not open or cannot tell.
    static QString stamp();
    static bool catalogueOpen();

    QWidget *window_;
    std::function<void()> refresh_;
    quint64 generation_ = 0;
    QString stamp_;
    bool failed_ = false; // the last listing failed
};
