#pragma once

#include <QStringList>

// The regular files of one folder whose names match a filter, read straight from the
// directory: named pipes, sockets and devices are left out (opening a pipe would hang the
// window), and names that are not valid text in the system's encoding are collected so the
// user is told about them instead of seeing them vanish.
class FolderListing {
public:
    static FolderListing read(const QString &folder, const QStringList &patterns);
    // True for a regular file (or a link to one).
    static bool isRegularFile(const QString &path);
    // Windows filter rules: "*.*" matches every name; otherwise wildcards, any letter case.
    static bool matches(const QStringList &patterns, const QString &name);

    QStringList files;      // matching names, sorted without regard to case
    QStringList unreadable; // names that cannot be imported, made readable for a message

    // One message naming the skipped files; empty when none was skipped.
    QString skippedMessage() const;
    static QString skippedMessage(const QStringList &names);
};
