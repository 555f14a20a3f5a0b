#include "store/StoredName.h"

QString StoredName::base(const QDateTime &now)
{
    const QDate d = now.date();
    const QTime t = now.time();
    return now.toString(QStringLiteral("yyyyMMddHHmmss")) + QString::number(d.month()) + QString::number(t.second());
}

bool StoredName::isPlain(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QChar(0));
}

QString StoredName::extension(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : fileName.mid(dot + 1);
}

QString StoredName::storedExtension(const QString &extension)
{
    qsizetype end = extension.size();
    while (end > 0 && (extension.at(end - 1).isSpace() || extension.at(end - 1) == QLatin1Char('.')))
        --end;
    // A backslash is a folder separator to Windows and to the catalogue's safety checks.
    return extension.left(end).replace(QLatin1Char('\\'), QLatin1Char('_'));
}
