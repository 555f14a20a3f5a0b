#include "app/RegistryReader.h"

#include <QSettings>

namespace {
const RegistryReader *g_installed = nullptr;
}

bool RegistryReader::read(Root root, const QString &key, const QString &valueName, QVariant *value) const
{
#ifdef Q_OS_WIN
    const QString rootName =
        root == LocalMachine ? QStringLiteral("HKEY_LOCAL_MACHINE") : QStringLiteral("HKEY_CURRENT_USER");
    QSettings settings(rootName + QLatin1Char('\\') + key, QSettings::NativeFormat);
    if (!settings.contains(valueName))
        return false;
    *value = settings.value(valueName);
    return true;
#else
    Q_UNUSED(root);
    Q_UNUSED(key);
    Q_UNUSED(valueName);
    Q_UNUSED(value);
    return false;
#endif
}

const RegistryReader &RegistryReader::current()
{
    static const RegistryReader platform;
    return g_installed ? *g_installed : platform;
}

void RegistryReader::install(const RegistryReader *reader)
{
    g_installed = reader;
}

bool GetKeyValue(RegistryReader::Root KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString &KeyVal)
{
    QVariant value;
    if (!RegistryReader::current().read(KeyRoot, KeyName, SubKeyRef, &value)) {
        KeyVal.clear();
        return false;
    }
    switch (value.typeId()) {
    case QMetaType::QString: {
        QString text = value.toString();
        if (text.endsWith(QChar(0)))
            text.chop(1);
        KeyVal = text;
        break;
    }
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: KeyVal = QString::number(value.toLongLong()); break;
    default: break;
    }
    return true;
}
