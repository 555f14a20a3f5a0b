#pragma once

#include <QString>
#include <QStringList>

class Engine;

// The tables of a catalogue: tblAttachment with the indexes of the program's look-ups, and
// the side tables the program keeps beside it (content hashes, the recycle bin, the
// catalogue's identity). Catalogues made before the side tables get them when opened
// where they can be written; the program works without them otherwise.
class CatalogueSchema {
public:
    // Creates a catalogue at a file path (which must not hold one yet) or on a server
    // (where an existing catalogue is left as it is). Throws AppError.
    // Returns false when the server held one already.
    static bool create(const QString &location);
    // The build places an empty catalogue beside the program: it is known as the build's,
    // so that a catalogue configured elsewhere is not overridden by it while it stays empty.
    static void markPlaceholder(const QString &location);
    // True for the build's catalogue file while it holds no records (binned ones count).
    static bool isUnusedPlaceholder(const QString &path);
    // Throws AppError naming the catalogue when its tblAttachment is not one this program
    // can use: one of its six columns missing, or another column that a new row must fill.
    // Nothing is written before this has passed.
    static void requireShape(Engine &engine);
    // The columns of tblAttachment the program reads and writes.
    static QStringList mainColumns();
    // Adds missing side tables; a catalogue that cannot be written keeps going without.
    static void ensureSideTables(Engine &engine);
    static bool hasTable(Engine &engine, const QString &name);
    // The catalogue's identity, made on first use; empty when it cannot be kept.
    static QString identity(Engine &engine);
    // A value kept in tblCatalogue: the one stored, or `proposed` stored now when there is
    // none (the first of two programs proposing at once wins); empty when it cannot be
    // kept. With an empty `proposed` it only reads.
    static QString claim(Engine &engine, const QString &name, const QString &proposed);
    // Every statement that makes the tables, in the engine's dialect.
    static QStringList statements(Engine &engine, bool withMainTable);
};
