#include "ScriptedDialogs.h"

#include "store/DialogOwner.h"
#include "store/ProcessExit.h"

#include <QDialog>

namespace {
QString ownerName()
{
    const QWidget *w = DialogOwner::current();
    return w ? w->objectName() : QString();
}
} // namespace

ScriptedDialogs::ScriptedDialogs()
{
    setDialogs(this);
}

ScriptedDialogs::~ScriptedDialogs()
{
    setDialogs(nullptr);
}

void ScriptedDialogs::answerMessage(int code)
{
    messageAnswers_.push_back(code);
}

void ScriptedDialogs::answerPrompt(const QString &text)
{
    promptAnswers_.push_back(text);
}

void ScriptedDialogs::answerSave(const QString &path)
{
    saveAnswers_.push_back(path);
}

void ScriptedDialogs::onModal(std::function<int(QDialog *)> handler)
{
    modalHandlers_.push_back(std::move(handler));
}

int ScriptedDialogs::message(const QString &prompt, int buttons, const QString &title)
{
    asked.append({QStringLiteral("message"), prompt, title, buttons, {}, ownerName()});
    const bool question = (buttons & 7) != 0;
    if (messageAnswers_.empty()) {
        // A plain report needs no answer; a question nobody expected is a fault.
        if (question)
            unexpected << prompt;
        return question ? 7 : 1;
    }
    const int code = messageAnswers_.front();
    messageAnswers_.pop_front();
    return code;
}

QString ScriptedDialogs::prompt(const QString &prompt, const QString &title, const QString &defaultAnswer)
{
    asked.append({QStringLiteral("prompt"), prompt, title, 0, defaultAnswer, ownerName()});
    if (duringPrompt)
        duringPrompt();
    if (promptAnswers_.empty()) {
        unexpected << prompt;
        return {};
    }
    const QString text = promptAnswers_.front();
    promptAnswers_.pop_front();
    return text;
}

QString ScriptedDialogs::saveFileName(const QString &suggestedName)
{
    asked.append({QStringLiteral("save"), suggestedName, {}, 0, suggestedName, ownerName()});
    if (saveAnswers_.empty()) {
        unexpected << QStringLiteral("save dialog for ") + suggestedName;
        return {};
    }
    const QString path = saveAnswers_.front();
    saveAnswers_.pop_front();
    return path;
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
    asked.append({QStringLiteral("modal"), dialog->objectName(), dialog->windowTitle(), 0, {}, ownerName()});
    if (modalHandlers_.empty()) {
        unexpected << QStringLiteral("modal ") + dialog->objectName();
        return 0;
    }
    auto handler = std::move(modalHandlers_.front());
    modalHandlers_.pop_front();
    return handler(dialog);
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
