#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// One run of the start button over the chosen files, with a progress dialog whose Cancel
// stops the copy in progress. Rows commit in short groups. Failures are collected; the run
// goes on with the next file, unless the server could not be reached.
class ImportRun {
public:
    ImportRun(QStringList files, int kind, QWidget *owner);
    void exec();

    int imported() const { return imported_; }
    int skipped() const { return skipped_; }
    bool stoppedByRename() const { return stoppedByRename_; }
    bool cancelled() const { return cancelled_; }
    // Files left untried once the server could not be reached.
    int notTried() const { return notTried_; }
    const QStringList &failures() const { return failures_; }
    // The closing message of the run.
    QString summary() const;

    // How long the rows of one group may wait for their commit.
    static constexpr int kGroupMs = 100;

private:
    QStringList files_;
    int kind_;
    QWidget *owner_;
    int imported_ = 0;
    int skipped_ = 0;
    bool stoppedByRename_ = false;
    bool cancelled_ = false;
    int notTried_ = 0;
    QStringList failures_;
};
