#pragma once

#include <QString>
#include <memory>

class Engine;

// A catalogue is named by the path of its file or by a server address
// ("postgresql://user@host:port/dbname").
class CatalogueLocation {
public:
    static bool isServer(const QString &location);
    // The engine that reaches the catalogue; not yet open.
    static std::shared_ptr<Engine> engineFor(const QString &location);
    // The location as messages show it: never with a password, nor any part of one.
    static QString displayName(const QString &location);
    // True when a server address carries a password (in its user part or as a parameter).
    static bool holdsPassword(const QString &location);
    // The address without its password, as it may be written to a file.
    static QString withoutPassword(const QString &location);
    // Why a server address cannot be read safely (a password with an unencoded "@", "/",
    // "?" or "#"); empty when it can.
    static QString fault(const QString &location);
    // True while text being typed may hold a password: a prompt then masks it.
    static bool mayHoldPassword(const QString &typed);
};
