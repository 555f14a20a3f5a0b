#pragma once

#include <QString>

class QFileDialog;

// The program's file dialogs: Qt's own (the same on every desktop, in Chinese), starting in
// the folder the user last chose a file in, else the home folder.
class FileDialogs {
public:
    // The remembered folder while it still exists, else the home folder.
    static QString startFolder();
    // Remembers the folder of a chosen file for the next dialog.
    static void remember(const QString &chosenFile);
    // Qt's dialog in the start folder, its columns in Chinese.
    static void prepare(QFileDialog &dialog);
};
