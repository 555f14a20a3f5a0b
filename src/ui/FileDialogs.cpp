#include "ui/FileDialogs.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QSettings>
#include <QStandardPaths>

namespace {
const QString kKey = QStringLiteral("dialogs/lastFolder");

// Beside the window places, in the user's configuration folder.
QSettings settings()
{
    return QSettings(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/window.conf"),
                     QSettings::IniFormat);
}

// Qt writes sizes and dates in the desktop's language and leaves "Folder" untranslated; the
// interface is Chinese.
class ChineseColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex &index, int role) const override
    {
        auto *files = qobject_cast<QFileSystemModel *>(sourceModel());
        if (role != Qt::DisplayRole || !files)
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        switch (index.column()) {
        case 1: {
            if (files->isDir(source))
                return QString();
            const qint64 size = files->size(source);
            return size < 1024 ? QStringLiteral("%1 字节").arg(size)
                               : QLocale().formattedDataSize(size, 1, QLocale::DataSizeTraditionalFormat);
        }
        case 2:
            if (files->isDir(source))
                return QStringLiteral("文件夹");
            break;
        case 3: return QLocale().toString(files->lastModified(source), QStringLiteral("yyyy-MM-dd HH:mm"));
        default: break;
        }
        return QIdentityProxyModel::data(index, role);
    }
};
} // namespace

QString FileDialogs::startFolder()
{
    const QString folder = settings().value(kKey).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

void FileDialogs::remember(const QString &chosenFile)
{
    if (!chosenFile.isEmpty())
        settings().setValue(kKey, QFileInfo(chosenFile).absolutePath());
}

void FileDialogs::prepare(QFileDialog &dialog)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDirectory(startFolder());
    dialog.setProxyModel(new ChineseColumns(&dialog));
}
