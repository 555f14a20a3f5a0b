#pragma once

// What the program sets up before its first window: Qt's own texts (buttons, the file
// dialog, the window menu) in Chinese like the rest, the desktop entry it belongs to, and
// its icon.
class AppStart {
public:
    static void prepare();
    // Loads Qt's Chinese translations; false when they are not installed.
    static bool installTranslations();
};
