#include "store/CheckReport.h"

const QStringList &CheckReport::Record::columns()
{
    static const QStringList names = {QStringLiteral("FileName"),     QStringLiteral("FolderName"),
                                      QStringLiteral("Currentinfo"),  QStringLiteral("Date"),
                                      QStringLiteral("SaveFileName"), QStringLiteral("tblFileKind")};
    return names;
}

qint64 CheckReport::count(Kind kind) const
{
    switch (kind) {
    case Missing: return qint64(missing.size());
    case Orphan: return qint64(orphans.size());
    case Leftover: return qint64(leftovers.size());
    case Changed: return qint64(changed.size());
    case Unhashed: return qint64(unhashed.size());
    case Unsafe: return qint64(unsafe.size());
    case BinMissing: return qint64(binMissing.size());
    case BinStray: return qint64(binStrays.size());
    case KindCount: break;
    }
    return 0;
}

qint64 CheckReport::findings() const
{
    qint64 n = 0;
    for (int k = 0; k < KindCount; ++k)
        n += count(Kind(k));
    return n;
}
