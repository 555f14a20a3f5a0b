#pragma once

#include <QString>
#include <QVariant>

// Reads registry values. On Windows the real registry; elsewhere there is none and every
// read fails. Tests install a reader with values of their own.
class RegistryReader {
public:
    enum Root { LocalMachine, CurrentUser };
    virtual ~RegistryReader() = default;
    // False when the key or the value cannot be read.
    virtual bool read(Root root, const QString &key, const QString &valueName, QVariant *value) const;

    static const RegistryReader &current();
    static void install(const RegistryReader *reader); // nullptr restores the platform's
};

// One value of a registry key: true with KeyVal set when it is read; false with KeyVal
// empty otherwise. A number comes back in decimal; other kinds leave KeyVal unchanged.
bool GetKeyValue(RegistryReader::Root KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString &KeyVal);
