#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Work on many records done in groups, each group one write transaction, so another
// program waits at most one group for the write lock and Cancel stops between groups. A
// group is sized to take about a quarter of a second (50 records to start with, at most
// 500). Past one group a progress window with Cancel shows how far it got.
class GroupRunner {
public:
    struct Outcome {
        qint64 done = 0;      // items the committed groups finished
        QStringList failures; // "name: reason" of items left as they were
        bool cancelled = false;
        QString error; // what ended the work before its end (the group it hit is undone)
        // The failures, and the error as one more line for the items it left (`left`).
        QStringList problems(const QString &left) const;
    };
    // `group(first, count, outcome)` does items first..first+count-1 in the caller's write
    // transaction, adds what it finished and what failed to `outcome`, and returns how many
    // items it went through (0 ends the work early). `text` holds "%1" for the items gone
    // through and "%2" for `total`. An AppError from a group ends the work and is kept in
    // the outcome; the groups committed before it stay done.
    using Group = std::function<qint64(qint64 first, qint64 count, Outcome &outcome)>;
    static Outcome run(qint64 total, const QString &objectName, const QString &text, const Group &group);

    static constexpr qint64 firstGroup = 50;
    static constexpr qint64 largestGroup = 500;
    // The next group's size after one of `size` items took `elapsedMs`.
    static qint64 nextSize(qint64 size, qint64 elapsedMs);
};
