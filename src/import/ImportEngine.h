#pragma once

#include "import/AtomicCopy.h"

#include <QDateTime>
#include <QString>

// Turns one source file into a stored copy in the attachment folder plus one row.
class ImportEngine {
public:
    // True when the file is recorded (a new row, or an existing row pointed at the new
    // copy); false when the user cancelled the rename, in which case neither copy nor row
    // remains. Failures come as AppError, after the copy made by this call is removed.
    static bool ImportFile(const QString &sourcePath, int kind, const QDateTime &now = QDateTime::currentDateTime(),
                           const AtomicCopy::Progress &progress = {});

    // True when another program holds the file locked.
    static bool IsFileOpen(const QString &path);

    // The rows of the same file: same name, same category.
    static QString duplicateQuery(const QString &fileName, const QString &folderName);
    // The category a file gets: the name of the folder that held it.
    static QString folderNameOf(const QString &sourcePath);
};
