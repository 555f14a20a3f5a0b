#pragma once

#include "import/AtomicCopy.h"

#include <QDateTime>
#include <QString>

class ImportBatch;

// Turns one source file into a stored copy in the attachment folder plus one row.
class ImportEngine {
public:
    enum class Outcome {
        Recorded,  // a new row, or an existing row pointed at the new copy
        Skipped,   // the user declined a file whose contents the catalogue holds already
        Cancelled  // the user cancelled the rename: the run stops
    };
    struct Options {
        QDateTime now = QDateTime::currentDateTime();
        AtomicCopy::Progress progress;
        // Rows commit with the batch's group; without one, each file commits on its own.
        ImportBatch *batch = nullptr;
    };

    // Neither copy nor row remains unless the outcome is Recorded. Failures come as
    // AppError (RecordChanged when another program changed the row being overwritten,
    // ImportCancelled when `progress` stopped the copy), after the copy made is removed.
    static Outcome Import(const QString &sourcePath, int kind, const Options &options);
    // False only when the user cancelled the rename.
    static bool ImportFile(const QString &sourcePath, int kind, const QDateTime &now = QDateTime::currentDateTime(),
                           const AtomicCopy::Progress &progress = {});

    // True when another program holds the file locked.
    static bool IsFileOpen(const QString &path);

    // The rows of the same file: same name, same category.
    static QString duplicateQuery(const QString &fileName, const QString &folderName);
    // The category a file gets: the name of the folder that held it.
    static QString folderNameOf(const QString &sourcePath);
};
