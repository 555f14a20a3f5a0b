#include "store/FileIcons.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QStyle>

namespace {
QHash<QString, QIcon> g_cache;
int g_lookups = 0;

QIcon neutralIcon()
{
    static const QIcon icon = QApplication::style() ? QApplication::style()->standardIcon(QStyle::SP_FileIcon)
                                                    : QIcon();
    return icon;
}

QIcon lookUp(const QString &suffix, bool folder)
{
    ++g_lookups;
    if (folder) {
        QFileIconProvider provider;
        return provider.icon(QFileIconProvider::Folder);
    }
    // Match by the name only: the default match would read every file's contents.
    static QMimeDatabase mimes;
    const QMimeType type = mimes.mimeTypeForFile(QStringLiteral("x.") + suffix, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    return icon.isNull() ? neutralIcon() : icon;
}
} // namespace

QIcon FileIcons::forPath(const QString &path)
{
    const QFileInfo info(path);
    const bool folder = info.isDir();
    const QString key = folder ? QStringLiteral("/folder") : info.suffix().toLower();
    auto it = g_cache.constFind(key);
    if (it == g_cache.constEnd())
        it = g_cache.insert(key, lookUp(key, folder));
    return it.value();
}

int FileIcons::lookups()
{
    return g_lookups;
}

void FileIcons::clear()
{
    g_cache.clear();
    g_lookups = 0;
}

QIcon GetFileIcon(const QString &path, bool small)
{
    Q_UNUSED(small); // one icon serves both sizes; the view picks the pixmap size
    return FileIcons::forPath(path);
}
