#pragma once

#include <QByteArray>
#include <QString>
#include <cstdio>

// Reads tblAttachment of a Jet 3 or Jet 4 file with libmdb and writes it as a JetStream.
// libmdb reads a damaged file in C and may loop or crash on it: this runs only in a
// reading program of its own (mkcatalogue --read-jet), never inside the catalogue program.
class JetFileReader {
public:
    // Writes the whole stream to `out`; returns the process exit code (0 when the end mark
    // was written).
    static int run(const QString &path, const QByteArray &codePage, FILE *out);
};
