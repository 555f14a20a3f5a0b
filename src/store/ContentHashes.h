#pragma once

#include <QByteArray>
#include <QString>

class Engine;

// The SHA-256 of each stored copy, kept beside the records (keyed by stored name) so that
// catalogues made before it stay as they were. A catalogue whose side table is missing
// (read-only, say) simply has no hashes.
class ContentHashes {
public:
    struct Match {
        QString fileName;
        QString category;
    };
    static void record(Engine &engine, const QString &storedName, const QByteArray &sha256);
    static void forget(Engine &engine, const QString &storedName);
    // Moves a hash to another key (replacing what that key held); false when there is none.
    static bool rename(Engine &engine, const QString &from, const QString &to);
    // The key of a binned copy's hash: its name in the bin folder, which no record's stored
    // name can be (a stored name holds no separator), so a newer record that takes the
    // binned record's stored name never overwrites it.
    static QString binKey(const QString &binFile);
    // A listed record whose copy has these contents; false when there is none.
    static bool find(Engine &engine, const QByteArray &sha256, Match *match);
    static bool available(Engine &engine);
};
