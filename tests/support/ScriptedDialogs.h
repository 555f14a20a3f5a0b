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
        QString kind, text, title; // kind: "message", "prompt", "save" or "modal"
        int buttons = 0;
        QString defaultAnswer, owner; // owner: objectName of the DialogOwner's widget
    };

    ScriptedDialogs() { setDialogs(this); }
    ~ScriptedDialogs() override { setDialogs(nullptr); }

    // Queue answers, consumed in order by the next dialog of that kind.
    void answerMessage(int code) { messageAnswers_.push_back(code); }
    void answerPrompt(const QString &text) { promptAnswers_.push_back(text); }
    // Enter on the prompt: its pre-filled answer.
    void acceptPrompt() { promptAnswers_.push_back(kDefaultAnswer); }
    void answerSave(const QString &path) { saveAnswers_.push_back(path); }
    // Runs `handler` when a modal window is shown; its result is execModal's result.
    void onModal(std::function<int(QDialog *)> handler) { modalHandlers_.push_back(std::move(handler)); }

    int message(const QString &prompt, int buttons, const QString &title) override;
    QString prompt(const QString &prompt, const QString &title, const QString &defaultAnswer) override;
    QString saveFileName(const QString &suggestedName) override;
    bool openFile(const QString &path) override;
    bool startProgram(const QString &path) override;
    void exitProcess(int code) override;
    int execModal(QDialog *dialog) override;

    QList<Asked> asked;
    QStringList opened, started, unexpected;
    int exits = 0;
    bool startSucceeds = true, openSucceeds = true;
    // Runs while a prompt is open, as another window's event would.
    std::function<void()> duringPrompt;
    // Runs once, while the next message is open (before its answer is taken).
    std::function<void()> duringMessage;

    QStringList messages() const; // the texts of those shown
    bool allAnswered() const;

private:
    static inline const QString kDefaultAnswer = QStringLiteral("\x01"
                                                                "default");
    void ask(const QString &kind, const QString &text, const QString &title, int buttons = 0, const QString &answer = {});
    std::deque<int> messageAnswers_;
    std::deque<QString> promptAnswers_, saveAnswers_;
    std::deque<std::function<int(QDialog *)>> modalHandlers_;
};
