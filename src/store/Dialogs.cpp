#include "store/Dialogs.h"

#include "store/QtDialogs.h"

#include <QThread>

namespace {
Dialogs *g_current = nullptr;
}

Dialogs &dialogs()
{
    static QtDialogs real;
    return g_current ? *g_current : real;
}

void setDialogs(Dialogs *replacement)
{
    g_current = replacement;
}

bool Dialogs::wait(const QString &, const std::function<bool()> &finished)
{
    while (!finished())
        QThread::msleep(10);
    return true;
}
