#include "store/DatabaseLocator.h"

#include "app/IniFile.h"
#include "store/AppError.h"
#include "store/Dialogs.h"
#include "store/Services.h"
#include "store/UserFolders.h"

#include <QDir>
#include <QFileInfo>

namespace {
QString g_attachmentPath;

bool isFile(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}
} // namespace

QString AttachmentPath()
{
    return g_attachmentPath;
}

void SetAttachmentPath(const QString &path)
{
    g_attachmentPath = path;
}

QString DefaultNetworkDataBasePath()
{
    return QDir::fromNativeSeparators(QStringLiteral(MC_DEFAULT_DB_PATH));
}

QString LocateDataBase()
{
    QString dbPath;
    QString base;
    const QString beside = AppPath() + QStringLiteral("Data.mdb");
    if (isFile(beside)) {
        dbPath = beside;
        base = AppPath();
    } else {
        QString candidate = QDir::fromNativeSeparators(ReadIni(QStringLiteral("DataBaseFilePath")));
        // A system-wide install: the user's own catalogue, made on first use.
        if (!isFile(candidate) && !UserFolders::portable())
            candidate = UserFolders::personalCatalogue();
        if (!isFile(candidate)) {
            candidate.clear();
            do {
                if (candidate.isEmpty())
                    candidate = DefaultNetworkDataBasePath();
                candidate = dialogs()
                                .prompt(QStringLiteral("程序同一目录下没有对应数据库,请输入数据位置!"),
                                        QStringLiteral("文件系统-"), QDir::toNativeSeparators(candidate))
                                .trimmed();
                candidate = QDir::fromNativeSeparators(candidate);
                if (candidate.isEmpty()) {
                    dialogs().exitProcess(0);
                    throw AppError(QStringLiteral("未指定数据库位置"));
                }
            } while (!isFile(candidate));
            WriteIni(QStringLiteral("DataBaseFilePath"), QDir::toNativeSeparators(candidate));
        }
        dbPath = candidate;
        base = dbPath.left(dbPath.lastIndexOf(QLatin1Char('/')) + 1);
    }
    g_attachmentPath = base + QStringLiteral("Attachment/");
    // Another copy of the program may make the folder at the same moment: only a folder
    // that is still missing afterwards is a failure.
    if (!QFileInfo(g_attachmentPath).isDir() && !QDir().mkdir(g_attachmentPath) && !QFileInfo(g_attachmentPath).isDir())
        throw AppError(QStringLiteral("无法创建附件文件夹 %1").arg(QDir::toNativeSeparators(g_attachmentPath)));
    return dbPath;
}
