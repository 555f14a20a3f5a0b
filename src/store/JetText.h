#pragma once

#include <QByteArray>
#include <QString>

// The values of a Jet file as its pages hold them, turned into what the older program
// showed. Pure functions of the bytes: no file, no library.
class JetText {
public:
    // A Jet 4 text: UTF-16LE, or "compressed" (FF FE, then runs of one-byte characters
    // and of UTF-16LE characters, each run ended by a zero byte).
    static QString jet4(const QByteArray &raw);
    // A Jet 3 text in the code page of the machine that wrote it (GBK on Chinese Windows).
    // False when the code page is unknown.
    static bool jet3(const QByteArray &raw, const QByteArray &codePage, QString *out);
    static bool knownCodePage(const QByteArray &codePage);
    // A Jet date: days since 1899-12-30, the fraction the time of day (also for days
    // before, where the sign belongs to the day only). Local time as the old program
    // showed it, to the nearest second: "yyyy-MM-dd HH:mm:ss". Empty when out of range.
    static QString date(double days);
    static QByteArray defaultCodePage() { return QByteArrayLiteral("GBK"); }
};
