#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QObject;

// Button and icon style numbers and answers of ShowMsg, as the platform numbers them.
namespace Msg {
enum : int {
    OkOnly = 0,
    YesNo = 4,
    Question = 32,
    Exclamation = 48,
    Information = 64,
    // The second button is the default: Enter answers No to a question that destroys.
    DefaultSecond = 256,
    IdOk = 1,
    IdCancel = 2,
    IdYes = 6,
    IdNo = 7
};
}

QString AppTitle();
QString AppVersion(); // "1.0.0"

int ShowMsg(const QString &prompt, int buttons);
// Names for a message, one a line; a long list is cut after the first 20 with "...".
QString MessageLines(const QStringList &lines);
// The boundary of a user's command: an engine or file error is told through ShowMsg and
// the program goes on.
void ReportErrors(const std::function<void()> &command);
// The same for a command of `owner`: its questions and messages open over that window.
void ReportErrors(QObject *owner, const std::function<void()> &command);
// False when the desktop has no program for the file.
bool ShellOpen(const QString &path);

// The program's folder, ending in exactly one separator.
QString AppPath();
// Points AppPath() at another folder (tests and tools); an empty text restores the real one.
void SetAppPathOverride(const QString &folder);

// The part of `path` before its last separator; empty when there is none.
QString GetParentPath(const QString &path);
// The part of `path` after its last separator (the whole path when there is none).
QString LastPathPart(const QString &path);
