#include "ScriptedDialogs.h"

#include <utility>

#include "store/DialogOwner.h"
#include "store/ProcessExit.h"

#include <QDialog>

namespace {
// The next scripted answer; a question the script did not expect is recorded and gets `none`.
template <class T> T next(std::deque<T> &answers, QStringList &unexpected, const QString &question, T none = T())
{
    if (answers.empty()) {
        unexpected << question;
        return none;
    }
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}
} // namespace

void ScriptedDialogs::ask(const QString &kind, const QString &text, const QString &title, int buttons, const QString &answer)
{
    const QObject *owner = DialogOwner::current();
    asked.append({kind, text, title, buttons, answer, owner ? owner->objectName() : QString()});
}

int ScriptedDialogs::message(const QString &prompt, int buttons, const QString &title)
{
    ask(QStringLiteral("message"), prompt, title, buttons);
    if (duringMessage)
        std::exchange(duringMessage, nullptr)();
    if (messageAnswers_.empty() && (buttons & 7) == 0)
        return 1; // a plain report needs no answer
    return next(messageAnswers_, unexpected, prompt, 7);
}

QString ScriptedDialogs::prompt(const QString &prompt, const QString &title, const QString &defaultAnswer)
{
    ask(QStringLiteral("prompt"), prompt, title, 0, defaultAnswer);
    if (duringPrompt)
        duringPrompt();
    const QString answer = next(promptAnswers_, unexpected, prompt);
    return answer == kDefaultAnswer ? defaultAnswer : answer;
}

QString ScriptedDialogs::saveFileName(const QString &suggestedName)
{
    ask(QStringLiteral("save"), suggestedName, {}, 0, suggestedName);
    return next(saveAnswers_, unexpected, QStringLiteral("save dialog for ") + suggestedName);
}

bool ScriptedDialogs::openFile(const QString &path)
{
    opened << path;
    return openSucceeds;
}

bool ScriptedDialogs::startProgram(const QString &path)
{
    started << path;
    return startSucceeds;
}

void ScriptedDialogs::exitProcess(int code)
{
    ++exits;
    throw ProcessExit(code);
}

int ScriptedDialogs::execModal(QDialog *dialog)
{
    ask(QStringLiteral("modal"), dialog->objectName(), dialog->windowTitle());
    const std::function<int(QDialog *)> refuse = [](QDialog *) { return 0; };
    return next(modalHandlers_, unexpected, QStringLiteral("modal ") + dialog->objectName(), refuse)(dialog);
}

QStringList ScriptedDialogs::messages() const
{
    QStringList out;
    for (const Asked &a : asked)
        if (a.kind == QLatin1String("message"))
            out << a.text;
    return out;
}

bool ScriptedDialogs::allAnswered() const
{
    return messageAnswers_.empty() && promptAnswers_.empty() && saveAnswers_.empty() && modalHandlers_.empty() &&
           unexpected.isEmpty();
}
