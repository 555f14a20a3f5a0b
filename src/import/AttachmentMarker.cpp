#include "import/AttachmentMarker.h"

#include "store/AppError.h"
#include "store/CatalogueSchema.h"
#include "store/Engine.h"
#include "store/clsCurrentDb.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QThread>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {
// The folder and engine last found in order: checked once per connection, not per file.
QString g_checkedFolder;
quint64 g_checkedEngine = 0;

// The marker's lines: the catalogue's identity, then the token of the one folder the
// catalogue has marked.
QStringList readMarker(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Publishes the marker whole or not at all: written under a temporary name, then put in
// place without replacing one another program put there first.
void writeMarker(const QString &path, const QByteArray &text)
{
    QByteArray temp = QFile::encodeName(path) + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return;
    const bool written = ::write(fd, text.constData(), size_t(text.size())) == text.size() && ::fsync(fd) == 0;
    ::close(fd);
    const QByteArray target = QFile::encodeName(path);
    if (written && ::link(temp.constData(), target.constData()) != 0 && errno != EEXIST &&
        ::renameat2(AT_FDCWD, temp.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) != 0 &&
        (errno == EINVAL || errno == ENOSYS) && !QFile::exists(path))
        ::rename(temp.constData(), target.constData()); // a volume that can do neither
    ::unlink(temp.constData());
}
} // namespace

QString AttachmentMarker::fileName()
{
    return QStringLiteral(".mc-catalogue");
}

void AttachmentMarker::check(const QString &folder)
{
    std::shared_ptr<Engine> engine = CurrentDb().engine();
    if (engine->dialect() != Engine::Dialect::Postgres)
        return;
    if (g_checkedEngine == engine->serial() && g_checkedFolder == folder)
        return;
    const QString identity = CatalogueSchema::identity(*engine);
    if (identity.isEmpty())
        throw AppError(QStringLiteral("数据库 %1 没有目录标识,无法确认附件文件夹 %2 属于它")
                           .arg(engine->displayName(), QDir::toNativeSeparators(folder)));
    const QString path = folder + fileName();
    const QString tokenName = QStringLiteral("AttachmentFolder");
    QString token = CatalogueSchema::claim(*engine, tokenName, QString());
    QStringList marked = readMarker(path);
    // The program that claimed the catalogue's folder a moment ago may be publishing its
    // marker right now.
    for (int i = 0; i < 40 && !token.isEmpty() && !QFile::exists(path); ++i)
        QThread::msleep(50);
    if (marked.isEmpty() && !QFile::exists(path)) {
        // Only the first folder a catalogue meets is marked: a folder named by mistake
        // (a typing error in AttachmentPath, another mount) is refused, not marked too.
        if (!token.isEmpty())
            throw AppError(QStringLiteral("附件文件夹 %1 没有数据库 %2 (标识 %3) 的标记,它的附件在另一个文件夹中; "
                                          "请检查配置文件中的 AttachmentPath")
                               .arg(QDir::toNativeSeparators(folder), engine->displayName(), identity));
        token = CatalogueSchema::claim(*engine, tokenName, QUuid::createUuid().toString(QUuid::WithoutBraces));
        writeMarker(path, (identity + QLatin1Char('\n') + token + QLatin1Char('\n')).toUtf8());
        marked = readMarker(path);
    }
    // Another program may be writing the marker this moment: it is published whole, but
    // give a marker seen empty a moment before calling it foreign.
    for (int i = 0; i < 20 && marked.isEmpty() && QFile::exists(path); ++i) {
        QThread::msleep(50);
        marked = readMarker(path);
    }
    if (token.isEmpty() && marked.size() > 1)
        token = CatalogueSchema::claim(*engine, tokenName, marked.at(1)); // marked before its token was kept
    const QString markedIdentity = marked.value(0);
    if (markedIdentity != identity || (!token.isEmpty() && marked.value(1) != token))
        throw AppError(QStringLiteral("附件文件夹 %1 属于另一个目录 (标识 %2),不是数据库 %3 (标识 %4) 的附件文件夹; "
                                      "请检查配置文件中的 AttachmentPath")
                           .arg(QDir::toNativeSeparators(folder),
                                markedIdentity.isEmpty() ? QStringLiteral("无法读取") : markedIdentity,
                                engine->displayName(), identity));
    g_checkedEngine = engine->serial();
    g_checkedFolder = folder;
}
