#include "store/UserFolders.h"

#include "store/AppError.h"
#include "store/CatalogueSchema.h"
#include "store/Services.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {
QString userFolder(QStandardPaths::StandardLocation location)
{
    const QString folder = QStandardPaths::writableLocation(location);
    if (!QDir().mkpath(folder))
        throw AppError(QStringLiteral("无法创建文件夹 %1").arg(QDir::toNativeSeparators(folder)));
    return folder + QLatin1Char('/');
}
} // namespace

bool UserFolders::portable()
{
    static QString tried;
    static bool writable = true;
    const QString folder = AppPath();
    if (folder != tried) {
        // Permission bits do not tell (root, read-only mounts, ACLs): try it.
        QTemporaryFile probe(folder + QStringLiteral(".mc-write-probe-XXXXXX"));
        writable = probe.open();
        tried = folder;
    }
    return writable;
}

QString UserFolders::configFolder()
{
    if (portable())
        return AppPath();
    try {
        return userFolder(QStandardPaths::AppConfigLocation);
    } catch (const AppError &) {
        return AppPath(); // reading still works from there; writing reports its own failure
    }
}

QString UserFolders::personalCatalogue()
{
    const QString path = userFolder(QStandardPaths::AppDataLocation) + QStringLiteral("Data.mdb");
    if (!QFileInfo::exists(path))
        CatalogueSchema::create(path);
    return path;
}
