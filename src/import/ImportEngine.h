#pragma once

#include "store/AtomicCopy.h"

#include <QDateTime>
#include <QString>

class ImportBatch;
class ImportQuestions;

// Turns one source file into a stored copy in the attachment folder plus one row.
class ImportEngine {
public:
    enum class Outcome {
        Recorded, // a new row
        Renamed,  // a new row under a name the user gave instead of the clashing one
        Replaced, // an existing row pointed at the new copy; the old copy is in the bin
        Skipped,  // the user declined a file whose contents the catalogue holds already
        Cancelled // the user cancelled the rename: the run stops
    };
    struct Options {
        QDateTime now = QDateTime::currentDateTime();
        AtomicCopy::Progress progress;
        // Rows commit with the batch's group; without one, each file commits on its own.
        ImportBatch *batch = nullptr;
        // Without them, the questions go through the dialog seam.
        ImportQuestions *questions = nullptr;
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
    // False when the file is in use and the user declines to import it.
    static bool askInUse(const QString &path);

    // The rows of the same file: same name, same category.
    static QString duplicateQuery(const QString &fileName, const QString &folderName);
    // The category a file gets: the name of the folder that held it.
    static QString folderNameOf(const QString &sourcePath);
    // The name offered when `fileName` clashes in the category: "名 (2)", "名 (3)", ... the
    // first whose file name, with `extension` put back, no record of the category has.
    static QString freeName(const QString &fileName, const QString &extension, const QString &folderName);
    // The file name recorded for an answer to the rename prompt: the extension is put back
    // unless the answer carries it already, and a name without extension gets no dot.
    static QString renamed(const QString &answer, const QString &extension);
};
