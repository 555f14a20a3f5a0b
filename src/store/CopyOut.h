#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

// Saves a stored copy out to a place the user chose.
class CopyOut {
public:
    // Told after each block how far the copy is; false cancels it.
    using Progress = std::function<bool(qint64 done, qint64 total)>;
    // Replaces `target` with a copy of `source` in one step: a reader never sees half a file.
    // The data goes to a temporary file of a new, unique name beside the target (QSaveFile),
    // so no file of anybody else's is ever overwritten or removed on the way. False when
    // cancelled, and nothing changed; throws AppError when a file cannot be read or written.
    static bool replace(const QString &source, const QString &target, const Progress &progress);
};
