#include "controls/PropertyBag.h"

QVariant PropertyBag::ReadProperty(const QString &key, const QVariant &defaultValue)
{
    reads_ << key;
    for (const auto &entry : values_)
        if (entry.first == key)
            return entry.second;
    return defaultValue;
}

void PropertyBag::WriteProperty(const QString &key, const QVariant &value, const QVariant &defaultValue)
{
    writes_ << key;
    for (auto it = values_.begin(); it != values_.end(); ++it) {
        if (it->first == key) {
            values_.erase(it);
            break;
        }
    }
    if (defaultValue.isValid() && value == defaultValue)
        return;
    values_.append({key, value});
}

bool PropertyBag::contains(const QString &key) const
{
    for (const auto &entry : values_)
        if (entry.first == key)
            return true;
    return false;
}

QStringList PropertyBag::keys() const
{
    QStringList out;
    for (const auto &entry : values_)
        out << entry.first;
    return out;
}
