#pragma once

#include <QIcon>
#include <QString>

// The icon the desktop shows for a file or folder, looked up once per file type.
QIcon GetFileIcon(const QString &path, bool small = true);

class FileIcons {
public:
    static QIcon forPath(const QString &path);
    static int lookups(); // how many types were looked up (the cache's misses)
    static void clear();
};
