#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTimer;

// The main window's status line while the search index is built behind the catalogue:
// how far it is, and a button that stops it (searches read by the scan meanwhile). The
// line is hidden whenever no build runs.
class SearchIndexBar : public QWidget {
    Q_OBJECT
public:
    explicit SearchIndexBar(QStatusBar *line);

    QLabel *lblSearchIndex;
    QProgressBar *prgSearchIndex;
    QPushButton *cmdSearchIndexCancel;
    QTimer *tmrSearchIndex;

    // Reads the build's state once (the timer does it four times a second).
    void refresh();

private:
    QStatusBar *line_;
};
