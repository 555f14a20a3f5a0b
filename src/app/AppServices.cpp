#include "app/AppServices.h"

#include "app/AppRecordWindows.h"
#include "ui/UiServices.h"

void InstallAppServices()
{
    InstallUiServices();
    static AppRecordWindows recordWindows;
    RecordWindows::install(&recordWindows);
}
