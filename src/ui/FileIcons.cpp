#include "ui/FileIcons.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>

namespace {
QHash<QString, QIcon> g_cache;

// The icon shipped with the program for a type, for desktops without an icon theme.
QIcon shipped(const QMimeType &type)
{
    const QString name = type.name();
    static const QStringList office = {QStringLiteral("application/msword"),
                                       QStringLiteral("application/pdf"),
                                       QStringLiteral("application/rtf"),
                                       QStringLiteral("application/vnd.ms-"),
                                       QStringLiteral("application/vnd.openxmlformats-officedocument"),
                                       QStringLiteral("application/vnd.oasis.opendocument"),
                                       QStringLiteral("application/x-msaccess")};
    QString kind = QStringLiteral("file");
    for (const char *top : {"text", "image", "video", "audio"})
        if (name.startsWith(QLatin1String(top) + QLatin1Char('/')))
            kind = QLatin1String(top);
    for (const QString &prefix : office)
        if (name.startsWith(prefix))
            kind = QStringLiteral("office");
    return QIcon(QStringLiteral(":/icons/%1.png").arg(kind));
}

QIcon lookUp(const QString &suffix, bool folder)
{
    if (folder) {
        QFileIconProvider provider;
        const QIcon icon = provider.icon(QFileIconProvider::Folder);
        return icon.isNull() ? QIcon(QStringLiteral(":/icons/folder.png")) : icon;
    }
    // Match by the name only: the default match would read every file's contents.
    static QMimeDatabase mimes;
    const QMimeType type = mimes.mimeTypeForFile(QStringLiteral("x.") + suffix, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    return icon.isNull() ? shipped(type) : icon;
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
