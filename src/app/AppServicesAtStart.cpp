// Compiled into each program that links the whole library (not archived, so never dropped):
// its services are in place before main() and before any test's first window.
#include "app/AppServices.h"

namespace {
const bool g_installed = (InstallAppServices(), true);
}
