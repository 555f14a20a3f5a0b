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
    // The location as messages show it: never with a password.
    static QString displayName(const QString &location);
};
