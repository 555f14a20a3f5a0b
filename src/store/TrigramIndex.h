#pragma once

#include <QString>
#include <atomic>
#include <functional>

class Engine;
struct sqlite3;

// The file engine's index of the Like searches by part of a file name, category or
// description: an FTS5 table with the trigram tokenizer that keeps every substring of
// three characters or more, case-sensitively, as the Like rule of the catalogue is. Triggers
// in the file keep it right whichever program writes. A statement the index can answer is
// rewritten to take its candidates from it and then applies its own Like to them, so it
// gives exactly the rows of the scan, in the scan's order.
class TrigramIndex {
public:
    enum class State {
        Unavailable, // this SQLite lacks FTS5 or the trigram tokenizer, or the file cannot keep it
        Building,    // triggers keep it right, older rows are still being added
        Ready
    };

    static const QString &table();
    // Whether the connection's SQLite can make the index.
    static bool supported(sqlite3 *handle);
    // On opening a catalogue: makes the index and its triggers when missing or damaged (in
    // one short transaction; the rows are added by build()). Without FTS5 it removes the
    // triggers of an index that another program made, so that writes keep working.
    static State prepare(Engine &engine, bool supported);
    // Adds the rows that were there before the index, on a connection of its own, in
    // groups of about `groupMs` each committed on its own, pausing between groups so other
    // programs' writes get in. Returns true when the index is ready; false when `stop`
    // became true or the file cannot be written. `progress` hears how far it is, in
    // thousandths, after each group.
    static bool build(const QString &path, const std::atomic_bool &stop, int groupMs = 30,
                      const std::function<void(int permille)> &progress = {});
    // The statement that finds the same rows as `sql` through the index, or `sql` itself
    // when the index cannot answer it (no index, a pattern without three characters in a
    // row that are no wildcards, a statement of another form) or the scan is faster (a
    // pattern that a tenth of the rows or more hold).
    static QString rewrite(Engine &engine, const QString &sql);

    // Tests stand in for an SQLite without FTS5.
    static void setSupportedForTest(bool supported);
};
