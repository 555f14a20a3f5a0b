#include "store/DialogOwner.h"

namespace {
QPointer<QWidget> g_owner;
}

DialogOwner::DialogOwner(QWidget *owner) : previous_(g_owner) {
    if (owner)
        g_owner = owner;
}

DialogOwner::~DialogOwner() {
    g_owner = previous_;
}

QWidget *DialogOwner::current() {
    return g_owner.data();
}
