#pragma once

#include <QIcon>
#include <QString>

// The icon the desktop shows for a file or folder, looked up once per file type.
QIcon GetFileIcon(const QString &path, bool small = true);

// Icons by file type, each looked up once.
class FileIcons {
public:
    static QIcon forPath(const QString &path);
    // By the name's extension alone, without asking the disk: for names known to be files.
    static QIcon forFileName(const QString &name);
};
