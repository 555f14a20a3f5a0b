#pragma once

#include <QString>
#include <QStringList>

// The text of an initialisation file: lines, sections and "key=value" entries. Key and
// section names match without regard to case, with blanks around them ignored.
class IniText {
public:
    static QStringList lines(const QString &text);
    static QString value(const QStringList &lines, const QString &section, const QString &key);
    // Sets the key in its section (made when missing); every other line stays as it is.
    static void setValue(QStringList &lines, const QString &section, const QString &key, const QString &value);
};
