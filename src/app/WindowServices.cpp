#include "app/WindowServices.h"

#include "app/mdiFrm.h"

#include <QMdiArea>
#include <QMdiSubWindow>

void FitToMainWindow(QWidget *child)
{
    mdiFrm *main = mdiFrm::instance();
    if (!main || !child)
        return;
    QWidget *frame = child;
    while (frame && !qobject_cast<QMdiSubWindow *>(frame))
        frame = frame->parentWidget();
    if (!frame)
        frame = child;
    frame->setGeometry(QRect(QPoint(0, 0), main->mdiArea()->viewport()->size()));
}

void SetTopMost(QWidget *window, int mode)
{
    if (!window || (mode != -1 && mode != -2))
        return;
    const QRect geometry = window->geometry();
    const bool visible = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, mode == -1);
    window->setGeometry(geometry);
    if (visible)
        window->show();
}
