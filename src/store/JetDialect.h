#pragma once

#include "store/Engine.h"

#include <QString>

// Turns the Jet statements the windows write into the dialect of the engine in use. Only
// text outside quoted literals is touched: semicolons go, "#…#" dates become quoted
// "yyyy-MM-dd HH:mm:ss" texts, "Delete * From" loses its star. For the server engine
// bracketed names become quoted lower-case names, double-quoted literals single-quoted
// ones, and Like takes no escape character, so both engines match the same rows.
class JetDialect {
public:
    static QString translate(const QString &jetSql, Engine::Dialect dialect = Engine::Dialect::Sqlite);
    // "#2010-1-1 0:0:0#" content to "2010-01-01 00:00:00"; empty when it is no date.
    static QString dateLiteral(const QString &content);
};
