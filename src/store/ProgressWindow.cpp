#include "store/ProgressWindow.h"

namespace {
ProgressWindow::Maker &maker()
{
    static ProgressWindow::Maker make;
    return make;
}
} // namespace

void ProgressWindow::setMaker(Maker make)
{
    maker() = std::move(make);
}

std::unique_ptr<ProgressWindow> ProgressWindow::open(const QString &objectName, const QString &text, int maximum)
{
    return maker() ? maker()(objectName, text, maximum) : nullptr;
}
