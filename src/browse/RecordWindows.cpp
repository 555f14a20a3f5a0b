#include "browse/RecordWindows.h"

namespace {
RecordWindows *g_windows = nullptr;
}

void RecordWindows::install(RecordWindows *windows)
{
    g_windows = windows;
}

RecordWindows *RecordWindows::installed()
{
    return g_windows;
}
