#pragma once

// Installs what the floors below use but cannot make themselves: the real dialogs, the
// progress window of long catalogue steps, and the buttons' link opener. Safe to call again.
void InstallUiServices();
