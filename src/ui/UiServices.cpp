#include "ui/UiServices.h"

#include "controls/LinkOpener.h"
#include "store/Dialogs.h"
#include "store/ProgressWindow.h"
#include "store/Services.h"
#include "ui/QtDialogs.h"
#include "ui/QtProgressWindow.h"

void InstallUiServices()
{
    static QtDialogs real;
    setRealDialogs(&real);
    ProgressWindow::setMaker(&QtProgressWindow::make);
    LinkOpener::install([](const QString &link) { return ShellOpen(link); });
}
