#include "ui/WindowServices.h"

#include <QAbstractScrollArea>
#include <QMdiSubWindow>
#include <QPointer>

namespace {
QPointer<QAbstractScrollArea> g_area;
}

void SetMainWindowArea(QAbstractScrollArea *area)
{
    g_area = area;
}

void FitToMainWindow(QWidget *child)
{
    if (!g_area || !child)
        return;
    QWidget *frame = child;
    while (frame && !qobject_cast<QMdiSubWindow *>(frame))
        frame = frame->parentWidget();
    if (!frame)
        frame = child;
    frame->setGeometry(QRect(QPoint(0, 0), g_area->viewport()->size()));
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
