#include "store/Dialogs.h"

#include "store/QtDialogs.h"

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
