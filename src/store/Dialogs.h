#pragma once

#include <QString>
#include <functional>

class QDialog;

// Every modal question, prompt, file dialog, program start and process end goes through
// this one service, so tests can install a scripted one.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Platform button/icon style number in, button code out (1 OK, 2 Cancel, 6 Yes, 7 No).
    // Style bit 256 makes the second button the default (No, for a question that destroys).
    virtual int message(const QString &prompt, int buttons, const QString &title) = 0;
    // The typed text; the empty text when cancelled.
    virtual QString prompt(const QString &prompt, const QString &title, const QString &defaultAnswer) = 0;
    // The chosen path; the empty text when cancelled.
    virtual QString saveFileName(const QString &suggestedName) = 0;
    // False when the desktop has no program for it.
    virtual bool openFile(const QString &path) = 0;
    virtual bool startProgram(const QString &path) = 0;
    // Ends the process at once. A test seam throws ProcessExit instead.
    virtual void exitProcess(int code) = 0;
    // Shows a window modally and returns its result.
    virtual int execModal(QDialog *dialog) = 0;
    // Waits until `finished` answers true, in a window showing `text` that the user can
    // cancel; false when cancelled. Without a window (tools, tests) it only waits.
    virtual bool wait(const QString &text, const std::function<bool()> &finished);
};

Dialogs &dialogs();
// Installs a replacement (not owned); nullptr restores the real one.
void setDialogs(Dialogs *replacement);
// The real one (not owned), which the user-interface floor installs at start-up. Without it a
// program of the catalogue alone writes messages to the error stream and answers no.
void setRealDialogs(Dialogs *real);
