#include "store/CatalogueLocation.h"

#include "store/PostgresEngine.h"
#include "store/SqliteEngine.h"

#include <QDir>
#include <QRegularExpression>

namespace {
// A server address taken apart without trusting it to be well formed.
struct Parts {
    QString scheme; // "postgresql://"
    QString user;   // the user part before any password
    QString rest;   // host, port, database and parameters
    bool userPart = false;
    bool password = false;
    bool malformed = false;
};

bool hasAny(const QString &text, const char *chars)
{
    for (const char *c = chars; *c; ++c)
        if (text.contains(QLatin1Char(*c)))
            return true;
    return false;
}

const QRegularExpression &passwordParameter()
{
    static const QRegularExpression re(QStringLiteral("([?&])password=[^&#]*&?"), QRegularExpression::CaseInsensitiveOption);
    return re;
}

Parts split(const QString &location)
{
    Parts p;
    const QString t = location.trimmed();
    const int schemeEnd = t.indexOf(QLatin1String("://"));
    p.scheme = t.left(schemeEnd + 3);
    QString rest = t.mid(schemeEnd + 3);
    p.rest = rest;
    // The last "@" ends the user part: a password holding an unencoded "@" ends at the one
    // before the host. Any "@" is taken for the end of a user part, also one that might sit in
    // the parameters: "user:2024/x@host" cannot be told from "host:2024/db?x=a@b", and showing
    // a password costs more than refusing a parameter value that should have read %40.
    const int at = rest.lastIndexOf(QLatin1Char('@'));
    if (at >= 0) {
        const QString info = rest.left(at);
        const int colon = info.indexOf(QLatin1Char(':'));
        const QString user = colon < 0 ? info : info.left(colon);
        const QString secret = colon < 0 ? QString() : info.mid(colon + 1);
        p.userPart = true;
        p.user = user;
        p.rest = rest.mid(at + 1);
        p.password = colon >= 0;
        p.malformed = hasAny(secret, "@/?#") || hasAny(user, "@/?#");
    }
    if (passwordParameter().match(p.rest).hasMatch())
        p.password = true;
    return p;
}
} // namespace

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
    const Parts p = split(location);
    // Parameters are left out: they may carry a password, and say little to a reader.
    QString rest = p.rest.section(QLatin1Char('?'), 0, 0).section(QLatin1Char('#'), 0, 0);
    // The user part of an address that cannot be read may hold pieces of the password.
    return p.scheme + (p.userPart && !p.malformed ? p.user + QLatin1Char('@') : QString()) + rest;
}

bool CatalogueLocation::holdsPassword(const QString &location)
{
    return isServer(location) && split(location).password;
}

QString CatalogueLocation::withoutPassword(const QString &location)
{
    if (!holdsPassword(location))
        return location;
    const Parts p = split(location);
    QString rest = p.rest;
    rest.replace(passwordParameter(), QStringLiteral("\\1"));
    if (rest.endsWith(QLatin1Char('?')) || rest.endsWith(QLatin1Char('&')))
        rest.chop(1);
    return p.scheme + (p.userPart ? p.user + QLatin1Char('@') : QString()) + rest;
}

QString CatalogueLocation::fault(const QString &location)
{
    if (!isServer(location) || !split(location).malformed)
        return {};
    return QStringLiteral(
        "用户名或密码中的 @ / ? # 必须写成 %40 %2F %3F %23; 更好的办法是不在地址中写密码,而把它写入 ~/.pgpass");
}

bool CatalogueLocation::mayHoldPassword(const QString &typed)
{
    const QString t = typed.trimmed();
    const int schemeEnd = t.indexOf(QLatin1String("://"));
    if (schemeEnd < 0)
        return false;
    if (holdsPassword(t) || t.contains(QLatin1String("password="), Qt::CaseInsensitive))
        return true;
    // "user:..." before the "@" is typed cannot yet be told from "host:port/...", as a
    // password may hold "/".
    const QString rest = t.mid(schemeEnd + 3);
    return !rest.contains(QLatin1Char('@')) && rest.contains(QLatin1Char(':'));
}
