#include "store/DialogOwner.h"

namespace {
QPointer<QObject> g_owner;
}

DialogOwner::DialogOwner(QObject *owner) : previous_(g_owner)
{
    if (owner)
        g_owner = owner;
}

DialogOwner::~DialogOwner()
{
    g_owner = previous_;
}

QObject *DialogOwner::current()
{
    return g_owner.data();
}
