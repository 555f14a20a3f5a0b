#pragma once

#include <QStringList>

// Source files for the hardening tests: distinct contents, written under a folder.
class Corpus {
public:
    // `count` files named name0.jpg ... in `folder`, each 1 to 16 KiB of bytes unique to it.
    static QStringList write(const QString &folder, int count, quint32 seed);
    static QByteArray contents(quint32 seed, int index);
    // Writes one path a line; returns the list file.
    static QString writeList(const QString &path, const QStringList &files);
    static QByteArray read(const QString &path);
};
