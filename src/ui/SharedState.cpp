#include "ui/SharedState.h"

#include "store/clsCurrentDb.h"

QString gCaption;
QString gFilter;
int gKind = 0;

void ClearSharedState()
{
    gCaption.clear();
    gFilter.clear();
    clsCurrentDb::release();
}
