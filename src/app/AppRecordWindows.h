#pragma once

#include "browse/RecordWindows.h"

// The browse windows' editor, viewer and drop import, on the import floor's windows.
class AppRecordWindows : public RecordWindows {
public:
    void edit(QWidget *owner, const QString &where) override;
    void view(QWidget *owner, const QString &path) override;
    void importDropped(QWidget *owner, const QList<QUrl> &urls, const QString &filter, int kind) override;
};
