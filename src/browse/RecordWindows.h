#pragma once

#include <QList>
#include <QString>

class QUrl;
class QWidget;

// The windows a browse window opens but does not own: the editor, the viewer and the import
// of dropped files live on the import floor. The program installs the real ones at start-up;
// with none installed the calls do nothing.
class RecordWindows {
public:
    virtual ~RecordWindows() = default;
    // The editor of the row `where` selects (an SQL condition), modal over `owner`.
    virtual void edit(QWidget *owner, const QString &where) = 0;
    // The viewer of the stored copy at `path`, modal over `owner`.
    virtual void view(QWidget *owner, const QString &path) = 0;
    // Files dropped on `owner`, of `kind`, those `filter` leaves out told and skipped.
    virtual void importDropped(QWidget *owner, const QList<QUrl> &urls, const QString &filter, int kind) = 0;

    // Not owned; nullptr removes it.
    static void install(RecordWindows *windows);
    static RecordWindows *installed();
};
