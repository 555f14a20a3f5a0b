#include "store/CheckSnapshot.h"

#include "store/AttachmentMarker.h"
#include "store/CatalogueSchema.h"
#include "store/DatabaseLocator.h"
#include "store/Engine.h"
#include "store/RowTable.h"
#include "store/clsCurrentDb.h"

namespace {
// address, FileName, FolderName, Currentinfo, Date, SaveFileName, tblFileKind
CheckReport::Record recordOf(const QVariant *v)
{
    CheckReport::Record rec;
    rec.address = v[0];
    rec.fileName = v[1].toString();
    rec.category = v[2].toString();
    rec.description = v[3].toString();
    rec.date = v[4].toString();
    rec.storedName = v[5].toString();
    rec.kind = v[6].toString();
    return rec;
}
} // namespace

CheckSnapshot CheckSnapshot::read(bool withHashes)
{
    std::shared_ptr<Engine> engine = CurrentDb().engine();
    CheckSnapshot s;
    s.folder = AttachmentPath();
    // Every file of a folder that belongs to another catalogue would look unnamed.
    AttachmentMarker::check(s.folder);
    RowTable rows;
    engine->execute(QStringLiteral("SELECT %1, FileName, FolderName, Currentinfo, %2, SaveFileName, tblFileKind "
                                   "FROM tblAttachment")
                        .arg(engine->addressColumn(), engine->identifier(QStringLiteral("Date"))),
                    {}, &rows);
    s.records.reserve(size_t(rows.count()));
    s.named.reserve(int(rows.count()));
    for (qint64 r = 0; r < rows.count(); ++r) {
        s.records.push_back(recordOf(rows.row(r)));
        s.named.insert(s.records.back().storedName);
    }
    if (CatalogueSchema::hasTable(*engine, QStringLiteral("tblRecycleBin"))) {
        RowTable bin;
        engine->execute(
            QStringLiteral("SELECT %1, FileName, FolderName, Currentinfo, %2, SaveFileName, tblFileKind, BinFile, "
                           "DeletedAt FROM tblRecycleBin")
                .arg(engine->addressColumn(), engine->identifier(QStringLiteral("Date"))),
            {}, &bin);
        s.bin.reserve(size_t(bin.count()));
        for (qint64 r = 0; r < bin.count(); ++r) {
            s.bin.push_back(recordOf(bin.row(r)));
            s.bin.back().binFile = bin.row(r)[7].toString();
            s.bin.back().deletedAt = bin.row(r)[8].toString();
            if (s.bin.back().binFile.isEmpty())
                s.named.insert(s.bin.back().storedName);
        }
    }
    if (withHashes && CatalogueSchema::hasTable(*engine, QStringLiteral("tblContentHash"))) {
        RowTable hashes;
        engine->execute(QStringLiteral("SELECT SaveFileName, Sha256 FROM tblContentHash"), {}, &hashes);
        s.hashes.reserve(int(hashes.count()));
        for (qint64 r = 0; r < hashes.count(); ++r)
            s.hashes.insert(hashes.row(r)[0].toString(), hashes.row(r)[1].toString());
    }
    return s;
}

QSet<QString> CheckSnapshot::recordNames() const
{
    QSet<QString> names;
    names.reserve(int(records.size()));
    for (const CheckReport::Record &r : records)
        names.insert(r.storedName);
    return names;
}
