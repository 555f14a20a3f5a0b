#pragma once

#include <QString>

// Puts a Chinese description in front of the platform's own error texts (the C library's
// and the database engine's English ones), keeping the original in brackets after it.
class SystemErrorText {
public:
    // For example "文件或文件夹不存在 (No such file or directory)" for ENOENT.
    static QString describe(int errnum);
    // `message` with each system text in it preceded by its description; other text as it is.
    static QString explain(const QString &message);
};
