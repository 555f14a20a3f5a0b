#pragma once

#include <QString>

// Where the program keeps its files. A program folder that can be written is a portable
// folder: everything stays beside the program. Otherwise (a system-wide install run by an
// ordinary user) the configuration lives in the user's configuration folder and a personal
// catalogue in the user's data folder.
class UserFolders {
public:
    // True when AppPath() can be written (tried once per program folder).
    static bool portable();
    // The folder of UserDefault.ini, ending in a separator.
    static QString configFolder();
    // Data.mdb in the user's data folder, made (with its folder) when missing.
    static QString personalCatalogue();
};
