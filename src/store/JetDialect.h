#pragma once

#include <QString>

// Turns the Jet statements the windows write into SQLite's dialect. Only text outside
// quoted literals is touched.
class JetDialect {
public:
    static QString translate(const QString &jetSql);
    // "#2010-1-1 0:0:0#" content to "2010-01-01 00:00:00"; empty when it is no date.
    static QString dateLiteral(const QString &content);
};
