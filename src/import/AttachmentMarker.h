#pragma once

#include <QString>

// Machines sharing a server catalogue each name the shared attachment folder as they mount
// it. A marker in the folder holds the catalogue's identity, so a machine pointed at the
// wrong folder is refused before it writes a copy there.
class AttachmentMarker {
public:
    // For a catalogue on a server: a folder without a marker gets one; a folder marked for
    // another catalogue is refused with AppError naming both. Nothing to do for a file
    // catalogue, whose folder lies beside it.
    static void check(const QString &folder);
    static QString fileName();
};
