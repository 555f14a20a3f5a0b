#pragma once

#include <QString>

// Machines sharing a server catalogue each name the shared attachment folder as they mount
// it. A marker in the folder holds the catalogue's identity, so a machine pointed at the
// wrong folder is refused before it writes a copy there.
class AttachmentMarker {
public:
    // For a catalogue on a server: a folder marked for it passes; a folder marked for another
    // catalogue, a second unmarked folder, a missing folder or a marker that cannot be read
    // is refused with AppError saying which. The first folder a catalogue meets is marked
    // only when the user says so. A refusal holds until the folder or its marker changes.
    // Nothing to do for a file catalogue, whose folder lies beside it.
    static void check(const QString &folder);
    // Marks an existing folder as the attachment folder of the catalogue at `location`
    // (nothing changes when it is marked so already). Never makes the folder. Returns false
    // when it was marked already; throws AppError when it cannot be marked.
    static bool mark(const QString &location, const QString &folder);
    static QString fileName();
};
