#include "store/AttachmentMarker.h"

#include "store/AppError.h"
#include "store/CatalogueLocation.h"
#include "store/CatalogueSchema.h"
#include "store/DbError.h"
#include "store/Engine.h"
#include "store/Services.h"
#include "store/clsCurrentDb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QThread>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString kTokenName = QStringLiteral("AttachmentFolder");

// The folder and engine last found in order: checked once per connection, not per file.
QString g_checkedFolder;
quint64 g_checkedEngine = 0;
// The last refusal, with the state of the folder and marker it was made on: every file of a
// run is refused at once, until something there changes.
QString g_refusedFolder, g_refusal;
quint64 g_refusedEngine = 0;
QByteArray g_refusedState;

struct Marker {
    bool exists = false;
    int error = 0;     // why an existing marker could not be read
    QStringList lines; // the catalogue's identity, then the token of its one folder
};

Marker readMarker(const QString &path)
{
    Marker m;
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        m.error = errno;
        m.exists = m.error != ENOENT;
        if (!m.exists)
            m.error = 0;
        return m;
    }
    m.exists = true;
    QByteArray text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            m.error = errno;
            break;
        }
        if (n == 0 || text.size() > 65536)
            break;
        text.append(buffer, n);
    }
    ::close(fd);
    m.lines = QString::fromUtf8(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return m;
}

// What a refusal depends on: the folder and its marker as they are now.
QByteArray stateOf(const QString &folder)
{
    QByteArray out;
    for (const QString &path : {folder, folder + AttachmentMarker::fileName()}) {
        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) != 0)
            out += "-;";
        else
            out += QByteArray::number(qulonglong(st.st_ino)) + ',' + QByteArray::number(qlonglong(st.st_ctim.tv_sec)) + '.' +
                   QByteArray::number(qlonglong(st.st_ctim.tv_nsec)) + ',' + QByteArray::number(st.st_mode) + ';';
    }
    return out;
}

// Publishes the marker whole or not at all: written under a temporary name, then put in
// place without replacing one another program put there first. Every account that can
// read the folder must read the marker: the umask is followed, but never below rw-r--r--.
void writeMarker(const QString &path, const QByteArray &text)
{
    const QByteArray temp = QFile::encodeName(path + QStringLiteral(".tmp-") + QUuid::createUuid().toString(QUuid::Id128));
    const int fd = ::open(temp.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0)
        throw AppError(QStringLiteral("无法在附件文件夹中写入标记 %1: %2")
                           .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(errno))));
    struct stat st {};
    if (::fstat(fd, &st) == 0 && (st.st_mode & 0644) != 0644)
        ::fchmod(fd, (st.st_mode & 07777) | 0644);
    const bool written = ::write(fd, text.constData(), size_t(text.size())) == text.size() && ::fsync(fd) == 0;
    ::close(fd);
    const QByteArray target = QFile::encodeName(path);
    if (written && ::link(temp.constData(), target.constData()) != 0 && errno != EEXIST &&
        ::renameat2(AT_FDCWD, temp.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) != 0 &&
        (errno == EINVAL || errno == ENOSYS) && !QFile::exists(path))
        ::rename(temp.constData(), target.constData()); // a volume that can do neither
    ::unlink(temp.constData());
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Marks `folder` for the catalogue unless it has a folder already. Returns false when the
// folder carried the catalogue's marker already.
bool markFolder(Engine &engine, const QString &identity, const QString &folder)
{
    const QString path = folder + AttachmentMarker::fileName();
    const Marker present = readMarker(path);
    const QString token = CatalogueSchema::claim(engine, kTokenName, QString());
    if (present.exists) {
        if (present.lines.value(0) == identity && (token.isEmpty() || present.lines.value(1) == token)) {
            if (token.isEmpty() && present.lines.size() > 1)
                CatalogueSchema::claim(engine, kTokenName, present.lines.at(1));
            return false;
        }
        throw AppError(QStringLiteral("附件文件夹 %1 已有另一个目录的标记 (标识 %2),未标记")
                           .arg(native(folder), present.lines.value(0, QStringLiteral("无法读取"))));
    }
    if (!token.isEmpty())
        throw AppError(QStringLiteral("数据库 %1 已有附件文件夹 (它带有标记 %2),%3 未标记")
                           .arg(engine.displayName(), AttachmentMarker::fileName(), native(folder)));
    const QString mine = CatalogueSchema::claim(engine, kTokenName, QUuid::createUuid().toString(QUuid::WithoutBraces));
    if (mine.isEmpty())
        throw AppError(QStringLiteral("数据库 %1 无法保存附件文件夹的标记").arg(engine.displayName()));
    writeMarker(path, (identity + QLatin1Char('\n') + mine + QLatin1Char('\n')).toUtf8());
    return true;
}

int fileCount(const QString &folder)
{
    return int(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).size());
}

void verify(Engine &engine, const QString &folder)
{
    const QString identity = CatalogueSchema::identity(engine);
    if (identity.isEmpty())
        throw AppError(
            QStringLiteral("数据库 %1 没有目录标识,无法确认附件文件夹 %2 属于它").arg(engine.displayName(), native(folder)));
    if (!QFileInfo(folder).isDir())
        throw AppError(QStringLiteral("附件文件夹 %1 不存在: 共享文件夹也许没有挂载,或者配置文件中的 AttachmentPath 写错了. "
                                      "程序不会自己创建服务器数据库的附件文件夹")
                           .arg(native(folder)));
    const QString path = folder + AttachmentMarker::fileName();
    QString token = CatalogueSchema::claim(engine, kTokenName, QString());
    Marker marked = readMarker(path);
    // The program that marked the catalogue's folder a moment ago may be publishing its
    // marker right now.
    for (int i = 0; i < 40 && !token.isEmpty() && !marked.exists; ++i) {
        QThread::msleep(50);
        marked = readMarker(path);
    }
    if (!marked.exists) {
        // Only the first folder a catalogue meets is marked, and only when the user says it
        // is the shared one: an empty folder where a share is not mounted must not capture it.
        if (!token.isEmpty())
            throw AppError(QStringLiteral("附件文件夹 %1 没有数据库 %2 (标识 %3) 的标记,它的附件在另一个文件夹中; "
                                          "请检查共享文件夹是否已挂载,以及配置文件中的 AttachmentPath")
                               .arg(native(folder), engine.displayName(), identity));
        const int files = fileCount(folder);
        if (ShowMsg(QStringLiteral("附件文件夹 %1 还没有标记 (其中有 %2 个文件).\n是否把它标记为数据库 %3 的附件文件夹? "
                                   "以后每台机器都必须使用这个文件夹.\n如果共享文件夹没有挂载,请选\"否\".")
                        .arg(native(folder))
                        .arg(files)
                        .arg(engine.displayName()),
                    Msg::YesNo | Msg::Question | Msg::DefaultSecond) == Msg::IdNo)
            throw AppError(
                QStringLiteral("附件文件夹 %1 没有标记,未写入. 确认它是共享的附件文件夹后,用 mkcatalogue %2 %1 标记它")
                    .arg(native(folder), engine.displayName()));
        markFolder(engine, identity, folder);
        token = CatalogueSchema::claim(engine, kTokenName, QString());
        marked = readMarker(path);
    }
    if (marked.error != 0)
        throw AppError(QStringLiteral("附件文件夹 %1 的标记 %2 无法读取: %3. 使用这个文件夹的每个账户都必须能读取它 "
                                      "(例如 chmod a+r %4)")
                           .arg(native(folder), AttachmentMarker::fileName(),
                                QString::fromLocal8Bit(std::strerror(marked.error)), native(path)));
    // Another program may be writing the marker this moment: it is published whole, but
    // give a marker seen empty a moment before calling it foreign.
    for (int i = 0; i < 20 && marked.lines.isEmpty() && marked.exists; ++i) {
        QThread::msleep(50);
        marked = readMarker(path);
    }
    if (token.isEmpty() && marked.lines.size() > 1)
        token = CatalogueSchema::claim(engine, kTokenName, marked.lines.at(1)); // marked before its token was kept
    const QString markedIdentity = marked.lines.value(0);
    if (markedIdentity != identity || (!token.isEmpty() && marked.lines.value(1) != token))
        throw AppError(QStringLiteral("附件文件夹 %1 属于另一个目录 (标识 %2),不是数据库 %3 (标识 %4) 的附件文件夹; "
                                      "请检查配置文件中的 AttachmentPath")
                           .arg(native(folder), markedIdentity.isEmpty() ? QStringLiteral("空") : markedIdentity,
                                engine.displayName(), identity));
}
} // namespace

QString AttachmentMarker::fileName()
{
    return QStringLiteral(".mc-catalogue");
}

bool AttachmentMarker::mark(const QString &location, const QString &folder)
{
    if (!CatalogueLocation::isServer(location))
        throw AppError(QStringLiteral("只有服务器上的数据库需要标记附件文件夹; %1 的附件文件夹在它旁边")
                           .arg(CatalogueLocation::displayName(location)));
    const QString dir = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    if (!QFileInfo(dir).isDir())
        throw AppError(QStringLiteral("附件文件夹 %1 不存在; 请先创建 (或挂载) 它").arg(native(folder)));
    std::shared_ptr<Engine> engine = CatalogueLocation::engineFor(location);
    engine->open();
    const QString identity = CatalogueSchema::identity(*engine);
    if (identity.isEmpty())
        throw AppError(QStringLiteral("数据库 %1 没有目录标识").arg(engine->displayName()));
    const bool marked = markFolder(*engine, identity, dir);
    engine->close();
    return marked;
}

void AttachmentMarker::check(const QString &folder)
{
    std::shared_ptr<Engine> engine = CurrentDb().engine();
    if (engine->dialect() != Engine::Dialect::Postgres)
        return;
    if (g_checkedEngine == engine->serial() && g_checkedFolder == folder)
        return;
    const QByteArray state = stateOf(folder);
    if (g_refusedEngine == engine->serial() && g_refusedFolder == folder && g_refusedState == state)
        throw AppError(g_refusal);
    try {
        verify(*engine, folder);
    } catch (const DbError &) {
        throw; // the catalogue, not the folder, failed: tried again with the next file
    } catch (const AppError &e) {
        g_refusedEngine = engine->serial();
        g_refusedFolder = folder;
        g_refusedState = stateOf(folder);
        g_refusal = e.message();
        throw;
    }
    g_refusedEngine = 0;
    g_checkedEngine = engine->serial();
    g_checkedFolder = folder;
}
