#pragma once

#include "store/Dialogs.h"

class QWidget;

// The real dialog service on Qt's message box, input dialog and file dialog.
class QtDialogs : public Dialogs {
public:
    int message(const QString &prompt, int buttons, const QString &title) override;
    QString prompt(const QString &prompt, const QString &title, const QString &defaultAnswer) override;
    QString saveFileName(const QString &suggestedName) override;
    bool openFile(const QString &path) override;
    bool startProgram(const QString &path) override;
    void exitProcess(int code) override;
    int execModal(QDialog *dialog) override;
    bool wait(const QString &text, const std::function<bool()> &finished) override;

    // The window a dialog belongs to: the DialogOwner, else the modal or active window.
    static QWidget *owner();
};
