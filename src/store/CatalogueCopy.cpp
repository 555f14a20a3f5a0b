#include "store/CatalogueCopy.h"

#include "store/AppError.h"
#include "store/CatalogueLocation.h"
#include "store/CatalogueSchema.h"
#include "store/Engine.h"
#include "store/RowTable.h"

#include <QFileInfo>

namespace {
std::shared_ptr<Engine> opened(const QString &location)
{
    std::shared_ptr<Engine> engine = CatalogueLocation::engineFor(location);
    engine->open();
    return engine;
}

qint64 count(Engine &engine, const QString &table)
{
    RowTable rows;
    engine.execute(QStringLiteral("SELECT COUNT(*) FROM ") + table, {}, &rows);
    return rows.row(0)[0].toLongLong();
}

// Copies one table's columns row by row; returns the rows copied.
qint64 copyTable(Engine &from, Engine &to, const QString &table, const QStringList &columns)
{
    if (!CatalogueSchema::hasTable(from, table))
        return 0;
    QStringList names, marks;
    for (const QString &c : columns) {
        names << from.identifier(c);
        marks << QStringLiteral("?");
    }
    RowTable rows;
    from.execute(QStringLiteral("SELECT %1 FROM %2").arg(names.join(QLatin1Char(',')), table), {}, &rows);
    QStringList targetNames;
    for (const QString &c : columns)
        targetNames << to.identifier(c);
    const QString insert = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                               .arg(table, targetNames.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    for (qint64 r = 0; r < rows.count(); ++r) {
        const QVariant *row = rows.row(r);
        to.execute(insert, QVariantList(row, row + rows.width()));
    }
    return rows.count();
}
} // namespace

CatalogueCopy::Counts CatalogueCopy::run(const QString &from, const QString &to)
{
    std::shared_ptr<Engine> source = opened(from);
    if (!CatalogueLocation::isServer(to) && !QFileInfo::exists(to))
        CatalogueSchema::create(to);
    else if (CatalogueLocation::isServer(to))
        CatalogueSchema::create(to); // makes what is missing, leaves a catalogue as it is
    std::shared_ptr<Engine> target = opened(to);
    if (count(*target, QStringLiteral("tblAttachment")) > 0)
        throw AppError(QStringLiteral("%1 已有记录,不能复制到其中").arg(target->displayName()));
    const QStringList record = {QStringLiteral("Currentinfo"),  QStringLiteral("Date"),
                                QStringLiteral("FileName"),     QStringLiteral("FolderName"),
                                QStringLiteral("SaveFileName"), QStringLiteral("tblFileKind")};
    Counts counts;
    target->begin();
    try {
        target->execute(QStringLiteral("DELETE FROM tblRecycleBin"));
        target->execute(QStringLiteral("DELETE FROM tblContentHash"));
        counts.records = copyTable(*source, *target, QStringLiteral("tblAttachment"), record);
        counts.binned = copyTable(*source, *target, QStringLiteral("tblRecycleBin"),
                                  record + QStringList{QStringLiteral("DeletedAt"), QStringLiteral("BinFile")});
        counts.hashes = copyTable(*source, *target, QStringLiteral("tblContentHash"),
                                  {QStringLiteral("SaveFileName"), QStringLiteral("Sha256")});
        // The copy is the same catalogue: it keeps the identity its attachment folder carries.
        const QString identity = CatalogueSchema::identity(*source);
        if (!identity.isEmpty()) {
            target->execute(QStringLiteral("DELETE FROM tblCatalogue WHERE Name='Identity'"));
            target->execute(QStringLiteral("INSERT INTO tblCatalogue (Name, Value) VALUES ('Identity', ?)"), {identity});
        }
        const qint64 written = count(*target, QStringLiteral("tblAttachment"));
        if (written != counts.records || written != count(*source, QStringLiteral("tblAttachment")))
            throw AppError(QStringLiteral("复制后的记录数 %1 与原目录的 %2 不同,未保存").arg(written).arg(counts.records));
        target->commit();
    } catch (...) {
        target->rollback();
        throw;
    }
    source->close();
    target->close();
    return counts;
}
