#include "store/CopyOut.h"

#include "store/AppError.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

bool CopyOut::replace(const QString &source, const QString &target, const Progress &progress)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("无法读取 %1: %2").arg(QDir::toNativeSeparators(source), in.errorString()));
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        throw AppError(QStringLiteral("无法写入 %1: %2").arg(QDir::toNativeSeparators(target), out.errorString()));
    const qint64 total = qMax<qint64>(1, in.size());
    qint64 done = 0;
    QByteArray block;
    while (!(block = in.read(1 << 20)).isEmpty()) {
        if (out.write(block) != block.size())
            break;
        done += block.size();
        if (progress && !progress(done, total)) {
            out.cancelWriting();
            return false;
        }
    }
    if (in.error() != QFileDevice::NoError) {
        out.cancelWriting();
        throw AppError(QStringLiteral("无法读取 %1: %2").arg(QDir::toNativeSeparators(source), in.errorString()));
    }
    if (!out.commit())
        throw AppError(QStringLiteral("无法写入 %1: %2").arg(QDir::toNativeSeparators(target), out.errorString()));
    return true;
}
