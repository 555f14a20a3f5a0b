#include "app/AppRecordWindows.h"

#include "import/DroppedFiles.h"
#include "import/ImportEngine.h"
#include "import/ImportRun.h"
#include "import/frmPlay.h"
#include "import/frmtblAttachmentEdit.h"
#include "store/Dialogs.h"

#include <QUrl>

void AppRecordWindows::edit(QWidget *owner, const QString &where)
{
    frmtblAttachmentEdit editor(owner);
    editor.strWhere = where;
    editor.Form_Activate();
    dialogs().execModal(&editor);
}

void AppRecordWindows::view(QWidget *owner, const QString &path)
{
    frmPlay viewer(owner);
    viewer.strFile = path;
    if (viewer.Form_Activate())
        dialogs().execModal(&viewer);
}

void AppRecordWindows::importDropped(QWidget *owner, const QList<QUrl> &urls, const QString &filter, int kind)
{
    // The questions of the import window: files in use, then the start, then the summary.
    if (ImportRun::refusedWhileRunning())
        return;
    const DroppedFiles dropped = DroppedFiles::collect(urls, DroppedFiles::patternsOf(filter));
    QStringList files;
    for (const QString &path : dropped.files) {
        if (!ImportEngine::askInUse(path))
            break;
        files << path;
    }
    dropped.reportLeftOut(filter);
    if (!files.isEmpty())
        ImportRun::confirmAndRun(files, kind, owner);
}
