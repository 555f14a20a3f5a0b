#pragma once

// Installs every service a lower floor declares and this program implements: the user
// interface's (dialogs, progress, link opener) and the browse windows' editor, viewer and
// drop import. Runs before main() in every program built on the whole library.
void InstallAppServices();
