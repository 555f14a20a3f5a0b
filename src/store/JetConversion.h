#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// Brings an older program's Jet catalogue across: its records are read (JetSource),
// written to a catalogue of this program, read back from it and compared field by field
// with what was read. Nothing is kept of a conversion that fails or is cancelled, and the
// Jet file is never written.
class JetConversion {
public:
    struct Result {
        qint64 records = 0;
        // Records whose stored copy is not in the attachment folder (or that name none).
        qint64 withoutCopy = 0;
        // Where the Jet file was kept (in-place conversion only).
        QString keptAs;
    };
    enum Phase { Reading, Writing, Comparing };
    // False cancels: ConversionCancelled is thrown after the partial work is removed.
    using Progress = std::function<bool(Phase phase, qint64 done, qint64 total)>;

    // `path` (a Jet file) becomes a catalogue of this program under the same name: the new
    // catalogue is written under a temporary name beside it and takes the name only when
    // it holds every record; the Jet file is kept beside it under keptName(). Throws AppError.
    static Result inPlace(const QString &path, const QString &attachmentFolder, const QByteArray &codePage,
                          const Progress &progress = {});
    // Into `target`: a file path (made, and named so only once complete) or an existing
    // file or server catalogue that holds no records yet (one transaction). The copies are
    // counted in the Attachment folder beside the Jet file. Throws AppError.
    static Result into(const QString &jetPath, const QString &target, const QByteArray &codePage,
                       const Progress &progress = {});

    // The closing report for the user.
    static QString report(const Result &result, const QString &target);
    // A name beside `path` that says what the kept file is, not taken yet.
    static QString keptName(const QString &path);
    // Where conversions of `path` write before the new catalogue takes its name.
    static QString temporaryPrefix(const QString &path);
};
