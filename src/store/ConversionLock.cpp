#include "store/ConversionLock.h"

#include "store/AppError.h"
#include "store/JetConversion.h"

#include <QDir>
#include <QFileInfo>

ConversionLock::ConversionLock(const QString &path) : lock_(path + QStringLiteral(".converting"))
{
    // Only a program that no longer runs leaves a stale lock, however long a conversion takes.
    lock_.setStaleLockTime(0);
    if (!lock_.tryLock(0)) {
        if (lock_.error() == QLockFile::LockFailedError)
            throw AppError(QStringLiteral("数据库 %1 正在由另一个程序转换为新格式, 请等它完成后再试")
                               .arg(QDir::toNativeSeparators(path)));
        throw AppError(QStringLiteral("无法在 %1 旁边建立转换标记, 未作任何更改").arg(QDir::toNativeSeparators(path)));
    }
    const QFileInfo info(path);
    const QString prefix = QFileInfo(JetConversion::temporaryPrefix(path)).fileName();
    const QStringList names =
        QDir(info.absolutePath()).entryList({prefix + QStringLiteral("*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names)
        QFile::remove(info.absolutePath() + QLatin1Char('/') + name);
}
