#pragma once

#include <QString>
#include <functional>

// Button and icon style numbers and answers of ShowMsg, as the platform numbers them.
namespace Msg {
enum : int {
    OkOnly = 0,
    YesNo = 4,
    Question = 32,
    Exclamation = 48,
    Information = 64,
    IdOk = 1,
    IdCancel = 2,
    IdYes = 6,
    IdNo = 7
};
}

QString AppTitle();
QString AppVersion(); // "1.0.0"

int ShowMsg(const QString &prompt, int buttons);
// The boundary of a user's command: an engine or file error is told through ShowMsg and
// the program goes on.
void ReportErrors(const std::function<void()> &command);
void ShellOpen(const QString &path);

// The program's folder, ending in exactly one separator.
QString AppPath();
// Points AppPath() at another folder (tests and tools); an empty text restores the real one.
void SetAppPathOverride(const QString &folder);

// The part of `path` before its last separator; empty when there is none.
QString GetParentPath(const QString &path);
// The part of `path` after its last separator (the whole path when there is none).
QString LastPathPart(const QString &path);
