#pragma once

#include <QLockFile>
#include <QString>

// Held while one program converts a Jet file in place: another program of ours finding
// the file meanwhile is told, and never converts it a second time. A lock left by a
// program that was killed is taken over, and that conversion's temporary files removed.
class ConversionLock {
public:
    // Throws AppError when another program converts the file.
    explicit ConversionLock(const QString &path);

private:
    QLockFile lock_;
};
