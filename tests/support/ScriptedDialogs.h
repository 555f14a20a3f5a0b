#pragma once

#include "store/Dialogs.h"

#include <QStringList>
#include <deque>
#include <functional>

// Answers every dialog from a queue and records what was asked. A question nobody
// scripted is recorded in `unexpected` and answered with No/Cancel.
class ScriptedDialogs : public Dialogs {
public:
    struct Asked {
        QString kind; // "message", "prompt", "save", "modal"
        QString text;
        QString title;
        int buttons = 0;
        QString defaultAnswer;
        QString owner; // objectName of the DialogOwner's widget
    };

    ScriptedDialogs();
    ~ScriptedDialogs() override;

    // Queue answers, consumed in order by the next dialog of that kind.
    void answerMessage(int code);
    void answerPrompt(const QString &text);
    void answerSave(const QString &path);
    // Runs `handler` when a modal window is shown; its result is execModal's result.
    void onModal(std::function<int(QDialog *)> handler);

    int message(const QString &prompt, int buttons, const QString &title) override;
    QString prompt(const QString &prompt, const QString &title, const QString &defaultAnswer) override;
    QString saveFileName(const QString &suggestedName) override;
    bool openFile(const QString &path) override;
    bool startProgram(const QString &path) override;
    void exitProcess(int code) override;
    int execModal(QDialog *dialog) override;

    QList<Asked> asked;
    QStringList opened;
    QStringList started;
    QStringList unexpected;
    int exits = 0;
    bool startSucceeds = true;
    bool openSucceeds = true;
    // Runs while a prompt is open, as another window's event would.
    std::function<void()> duringPrompt;

    // Texts of the messages shown so far.
    QStringList messages() const;
    bool allAnswered() const;

private:
    std::deque<int> messageAnswers_;
    std::deque<QString> promptAnswers_;
    std::deque<QString> saveAnswers_;
    std::deque<std::function<int(QDialog *)>> modalHandlers_;
};
