#include "store/FileIcons.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QStyle>

namespace {
QHash<QString, QIcon> g_cache;

QIcon neutralIcon()
{
    static const QIcon icon = QApplication::style() ? QApplication::style()->standardIcon(QStyle::SP_FileIcon)
                                                    : QIcon();
    return icon;
}

QIcon lookUp(const QString &suffix, bool folder)
{
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

namespace {
QIcon cached(const QString &key, bool folder)
{
    auto it = g_cache.constFind(key);
    if (it == g_cache.constEnd())
        it = g_cache.insert(key, lookUp(key, folder));
    return it.value();
}
} // namespace

QIcon FileIcons::forPath(const QString &path)
{
    return QFileInfo(path).isDir() ? cached(QStringLiteral("/folder"), true) : forFileName(path);
}

QIcon FileIcons::forFileName(const QString &name)
{
    return cached(QFileInfo(name).suffix().toLower(), false);
}

QIcon GetFileIcon(const QString &path, bool small)
{
    Q_UNUSED(small); // one icon serves both sizes; the view picks the pixmap size
    return FileIcons::forPath(path);
}
