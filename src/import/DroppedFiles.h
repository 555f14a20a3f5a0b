#pragma once

#include <QList>
#include <QStringList>
#include <QUrl>

// Files dropped from another program onto a window that imports them: the dropped files and
// the files of dropped folders that the window's filter takes, and what is left out.
class DroppedFiles {
public:
    static DroppedFiles collect(const QList<QUrl> &urls, const QStringList &patterns);
    // The patterns of a filter text ("*.jpg;*.png").
    static QStringList patternsOf(const QString &filter);

    QStringList files;      // full paths, in the order dropped
    QStringList refused;    // names the filter does not take
    QStringList unreadable; // names that cannot be imported, made readable for a message

    // Says which files were left out and why; nothing when none was.
    void reportLeftOut(const QString &filter) const;
};
