#include "store/CatalogueLocation.h"

#include "store/PostgresEngine.h"
#include "store/SqliteEngine.h"

#include <QDir>
#include <QUrl>

bool CatalogueLocation::isServer(const QString &location)
{
    const QString t = location.trimmed();
    return t.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           t.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

std::shared_ptr<Engine> CatalogueLocation::engineFor(const QString &location)
{
    if (isServer(location))
        return std::make_shared<PostgresEngine>(location.trimmed());
    return std::make_shared<SqliteEngine>(location);
}

QString CatalogueLocation::displayName(const QString &location)
{
    if (!isServer(location))
        return QDir::toNativeSeparators(location);
    QUrl url(location.trimmed());
    url.setPassword(QString());
    url.setQuery(QString());
    return url.toString();
}
