#include "import/DroppedFiles.h"

#include "import/FolderListing.h"
#include "store/Services.h"

#include <QDir>
#include <QFileInfo>

DroppedFiles DroppedFiles::collect(const QList<QUrl> &urls, const QStringList &patterns)
{
    DroppedFiles out;
    for (const QUrl &url : urls) {
        if (!url.isLocalFile())
            continue;
        const QString path = QDir::fromNativeSeparators(url.toLocalFile());
        if (QFileInfo(path).isDir()) {
            const FolderListing listing = FolderListing::read(path, patterns);
            out.unreadable << listing.unreadable;
            for (const QString &name : listing.files)
                out.files << path + QLatin1Char('/') + name;
        } else if (!FolderListing::isRegularFile(path)) {
            // Pipes and devices are never opened; a name that is not text is named.
            if (path.contains(QChar::ReplacementCharacter))
                out.unreadable << LastPathPart(path);
        } else if (!FolderListing::matches(patterns, LastPathPart(path))) {
            out.refused << LastPathPart(path);
        } else {
            out.files << path;
        }
    }
    return out;
}

QStringList DroppedFiles::patternsOf(const QString &filter)
{
    QStringList out;
    for (const QString &p : filter.split(QLatin1Char(';')))
        if (!p.trimmed().isEmpty())
            out << p.trimmed();
    return out;
}

void DroppedFiles::reportLeftOut(const QString &filter) const
{
    if (!refused.isEmpty())
        ShowMsg(QStringLiteral("以下文件不是本窗口导入的类型(%1),没有加入:\n").arg(filter) + MessageLines(refused),
                Msg::OkOnly | Msg::Information);
    if (!unreadable.isEmpty())
        ShowMsg(FolderListing::skippedMessage(unreadable), Msg::OkOnly | Msg::Information);
}
