#pragma once

#include "import/StoredNameSequence.h"

#include <QString>
#include <functional>

// Copies a file into a folder under a name that is still free at the moment the copy
// becomes visible. The data is written to an unnamed (or hidden temporary) file, made
// durable, and only then linked under its final name, which is never overwritten: two
// programs sharing the folder cannot write the same name, and a crash never leaves a
// partial file under a final name.
class AtomicCopy {
public:
    using Progress = std::function<void(qint64 done, qint64 total)>;

    // Links the copy as the sequence's current base + "." + `extension`, advancing the
    // sequence while that name is taken. Returns the name used. Throws AppError naming the
    // file on failure.
    static QString copyNew(const QString &source, const QString &folder, StoredNameSequence &names,
                           const QString &extension, const Progress &progress = {});

    // Prefix of the hidden temporary files used where unnamed files are not available.
    static QString temporaryPrefix();
};
