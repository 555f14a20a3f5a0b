#include "ui/UserSettings.h"

#include <QSettings>
#include <QStandardPaths>

namespace {
// Resolved on every call, so a changed configuration folder is followed at once.
QString storePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/window.conf");
}
} // namespace

QVariant UserSettings::value(const QString &key)
{
    return QSettings(storePath(), QSettings::IniFormat).value(key);
}

void UserSettings::setValue(const QString &key, const QVariant &value)
{
    QSettings(storePath(), QSettings::IniFormat).setValue(key, value);
}
