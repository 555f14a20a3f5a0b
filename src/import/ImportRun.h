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
    // What the start button does: asks first, runs, then tells what happened.
    static void confirmAndRun(const QStringList &files, int kind, QWidget *owner);
    // While a run goes on (its progress lets other windows take drops and clicks) no
    // second one starts inside it: true after telling the user so.
    static bool refusedWhileRunning();

    // Imported counts the renamed and replacing files too.
    int imported() const { return imported_; }
    int renamed() const { return renamed_; }
    int replaced() const { return replaced_; }
    int skipped() const { return skipped_; }
    // Every chosen file imported, none asked about in vain.
    bool succeeded() const;
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
    int renamed_ = 0;
    int replaced_ = 0;
    int skipped_ = 0;
    qsizetype left_ = 0; // files a stop left without an import
    bool stoppedByRename_ = false;
    bool cancelled_ = false;
    int notTried_ = 0;
    QStringList failures_;
};
