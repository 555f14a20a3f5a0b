#pragma once

#include "store/JetRecord.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

// The records of an older program's Jet file, read by a program of its own
// (mkcatalogue --read-jet) under a time limit, so that a library that crashes or loops
// on a damaged file cannot take this program with it. Every failure is an AppError with
// a message naming the file and what is wrong with it.
class JetSource {
public:
    // True when the file starts as a Jet or Access file does (whatever its state).
    static bool looksLikeJet(const QString &path);
    // What can be told without reading the file's tables: unreadable, an .accdb, cut
    // short. Throws AppError.
    static void precheck(const QString &path);

    // Called with the records read so far and the table's count; false cancels
    // (ConversionCancelled is thrown).
    using Progress = std::function<bool(qint64 done, qint64 total)>;
    // Jet 3 texts are read in `codePage` (GBK when empty); Jet 4 texts are Unicode.
    static std::vector<JetRecord> read(const QString &path, const QByteArray &codePage, const Progress &progress = {});

    // The reading program (mkcatalogue beside this one unless set; tests set it).
    static void setReaderProgram(const QString &path);
    static QString readerProgram();
    // How long the reader may stay silent before it is stopped (MC_JET_READ_TIMEOUT_MS).
    static int silenceLimitMs();
};
