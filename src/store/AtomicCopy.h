#pragma once

#include "store/StoredNameSequence.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

// Copies a file into a folder under a name that is still free at the moment the copy
// becomes visible, and never overwrites a name: two programs sharing the folder cannot
// write the same name, and no partial file ever carries a final name. The data goes to an
// unnamed (or hidden temporary) file first. Where the volume has hard links the file is
// then linked under its name; where it has none (FAT, exFAT, shares from Windows servers)
// the name is reserved with an exclusive create and the copy renamed over the reservation.
// The contents' SHA-256 is computed on the way, from the same reads.
class AtomicCopy {
public:
    // Told after every block; answering false stops the copy (ImportCancelled).
    using Progress = std::function<bool(qint64 done, qint64 total)>;
    enum class Durability {
        Now,     // the copy is on disk when copyNew returns
        Deferred // the caller makes it durable later (makeDurable), with others at once
    };
    struct Result {
        QString name;      // the stored name used
        QByteArray sha256; // lower-case hex
        qint64 size = 0;
    };

    // Copies `source` as the sequence's current base + "." + `extension`, advancing the
    // sequence while that name is taken. Throws AppError naming the file on failure, and
    // ImportCancelled when `progress` stopped it; nothing of the copy is left then.
    static Result copyNew(const QString &source, const QString &folder, StoredNameSequence &names, const QString &extension,
                          const Progress &progress = {}, Durability durability = Durability::Now);
    // Makes copies written with Durability::Deferred durable, and their folder entries.
    static void makeDurable(const QStringList &paths);

    // Prefix of the hidden temporary files in the attachment folder.
    static QString temporaryPrefix();
    // Test seam: behave as on a volume without hard links.
    static void setHardLinksDisabled(bool disabled);
};
