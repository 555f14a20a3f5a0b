#pragma once

#include <QVariant>

// What the program remembers for the user beyond UserDefault.ini (window places, the last
// folder an import window showed), kept in the user's configuration folder.
class UserSettings {
public:
    static QVariant value(const QString &key);
    static void setValue(const QString &key, const QVariant &value);
};
