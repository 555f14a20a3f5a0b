#include "store/DatabaseLocator.h"

#include "store/AppError.h"
#include "store/CatalogueLocation.h"
#include "store/CatalogueSchema.h"
#include "store/Dialogs.h"
#include "store/Engine.h"
#include "store/IniFile.h"
#include "store/JetOnOpen.h"
#include "store/JetSource.h"
#include "store/Services.h"
#include "store/UserFolders.h"

#include <QDir>
#include <QFileInfo>

namespace {
QString g_attachmentPath;
// A location typed at the prompt that the configuration file would not take: used for the
// rest of this run rather than asked for again at every statement.
QString g_unremembered;

// A server is taken as named; whether it answers is told when it is opened.
bool usable(const QString &location)
{
    if (location.isEmpty())
        return false;
    return CatalogueLocation::isServer(location) || QFileInfo(location).isFile();
}

// A server address typed at the prompt is tried before it is kept: a mistyped one would
// otherwise be remembered and never asked for again. Why it failed is told before the
// prompt comes back.
bool reachable(const QString &location)
{
    if (!CatalogueLocation::isServer(location))
        return true;
    try {
        std::shared_ptr<Engine> engine = CatalogueLocation::engineFor(location);
        engine->open();
        engine->close();
        return true;
    } catch (const AppError &e) {
        ShowMsg(e.message(), Msg::OkOnly | Msg::Information);
        return false;
    }
}

QString fromSetting(const QString &value)
{
    return CatalogueLocation::isServer(value) ? value.trimmed() : QDir::fromNativeSeparators(value);
}

QString toSetting(const QString &location)
{
    return CatalogueLocation::isServer(location) ? location : QDir::toNativeSeparators(location);
}

// A server password typed at the prompt serves this run only: the configuration file is
// readable by others, so only the address without it is kept there.
QString g_typedPassword;

void remember(const QString &location)
{
    const QString kept = CatalogueLocation::withoutPassword(location);
    if (kept != location) {
        g_typedPassword = location;
        ShowMsg(QStringLiteral("服务器密码不会保存到配置文件,只在本次运行中使用. 为了下次不必再输入,请把它写入 ~/.pgpass "
                               "(一行: 服务器:端口:数据库:用户:密码, 文件权限 600),并在地址中省去密码."),
                Msg::OkOnly | Msg::Information);
    }
    try {
        WriteIni(QStringLiteral("DataBaseFilePath"), toSetting(kept));
    } catch (const AppError &e) {
        if (g_unremembered.isEmpty())
            ShowMsg(QStringLiteral("数据库位置无法保存到配置文件,本次运行使用 %1,下次启动时需要重新输入.\n%2")
                        .arg(CatalogueLocation::displayName(location), e.message()),
                    Msg::OkOnly | Msg::Information);
        g_unremembered = location;
    }
}

// The build's empty catalogue beside the program gives way to one configured elsewhere
// (a server, or a file that exists), so that a rebuild never takes a shared catalogue's place.
bool besidePlaceholderOverridden(const QString &beside)
{
    if (!CatalogueSchema::isUnusedPlaceholder(beside))
        return false;
    const QString configured = fromSetting(ReadIni(QStringLiteral("DataBaseFilePath")));
    return usable(configured) && QFileInfo(configured).absoluteFilePath() != QFileInfo(beside).absoluteFilePath();
}

// A catalogue copied from Windows beside the program, whose configured path (D:\..., a
// \\server share) means nothing here: under its own name in any letter case, or under the
// file name the configured path ends in.
QString besideProgram(const QString &configured)
{
    const QString last =
        configured.mid(qMax(configured.lastIndexOf(QLatin1Char('\\')), configured.lastIndexOf(QLatin1Char('/'))) + 1);
    const QStringList names = QDir(AppPath()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &wanted : {QStringLiteral("Data.mdb"), last})
        for (const QString &name : names)
            if (!wanted.isEmpty() && name.compare(wanted, Qt::CaseInsensitive) == 0)
                return AppPath() + name;
    return {};
}

QString withSeparator(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
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

void ForgetUnrememberedDataBase()
{
    g_unremembered.clear();
    g_typedPassword.clear();
}

QString LocateDataBase()
{
    QString dbPath;
    QString attachments;
    const QString beside = AppPath() + QStringLiteral("Data.mdb");
    if (usable(beside) && !besidePlaceholderOverridden(beside)) {
        dbPath = beside;
        attachments = AppPath() + QStringLiteral("Attachment/");
    } else {
        const QString configured = ReadIni(QStringLiteral("DataBaseFilePath"));
        QString candidate = fromSetting(configured);
        if (!g_typedPassword.isEmpty() && CatalogueLocation::withoutPassword(g_typedPassword) == candidate)
            candidate = g_typedPassword;
        if (!usable(candidate) && usable(g_unremembered))
            candidate = g_unremembered;
        // A system-wide install: the user's own catalogue, made on first use.
        if (!usable(candidate) && !UserFolders::portable())
            candidate = UserFolders::personalCatalogue();
        if (!usable(candidate)) {
            candidate.clear();
            const QString offered = besideProgram(configured);
            do {
                if (candidate.isEmpty())
                    candidate = offered.isEmpty() ? DefaultNetworkDataBasePath() : offered;
                candidate = dialogs()
                                .prompt(QStringLiteral("程序同一目录下没有对应数据库,请输入数据位置!"),
                                        QStringLiteral("文件系统-"), toSetting(candidate))
                                .trimmed();
                candidate = fromSetting(candidate);
                if (candidate.isEmpty()) {
                    dialogs().exitProcess(0);
                    throw AppError(QStringLiteral("未指定数据库位置"));
                }
            } while (!usable(candidate) || !reachable(candidate));
            remember(candidate);
        }
        dbPath = candidate;
        if (CatalogueLocation::isServer(dbPath)) {
            // Every machine mounts the shared folder where it likes, so each names it.
            const QString shared = QDir::fromNativeSeparators(ReadIni(QStringLiteral("AttachmentPath")).trimmed());
            if (shared.isEmpty())
                throw AppError(
                    QStringLiteral("服务器上的数据库 %1 需要共享的附件文件夹: 请在配置文件 %2 的 [UserDefault] "
                                   "中用 AttachmentPath 指明它在本机的位置")
                        .arg(CatalogueLocation::displayName(dbPath), QDir::toNativeSeparators(IniFile::defaultPath())));
            attachments = withSeparator(shared);
        } else {
            attachments = dbPath.left(dbPath.lastIndexOf(QLatin1Char('/')) + 1) + QStringLiteral("Attachment/");
        }
    }
    g_attachmentPath = attachments;
    // A server catalogue's folder is shared: one missing here is a share not mounted or a
    // path mistyped, and a folder made in its place would take copies no other machine sees.
    if (CatalogueLocation::isServer(dbPath)) {
        if (!QFileInfo(g_attachmentPath).isDir())
            throw AppError(
                QStringLiteral("服务器上的数据库 %1 的附件文件夹 %2 不存在: 共享文件夹也许没有挂载,或者配置文件 %3 "
                               "中的 AttachmentPath 写错了. 程序不会自己创建这个文件夹")
                    .arg(CatalogueLocation::displayName(dbPath), QDir::toNativeSeparators(g_attachmentPath),
                         QDir::toNativeSeparators(IniFile::defaultPath())));
        return dbPath;
    }
    // Another copy of the program may make the folder at the same moment: only a folder
    // that is still missing afterwards is a failure.
    if (!QFileInfo(g_attachmentPath).isDir() && !QDir().mkdir(g_attachmentPath) && !QFileInfo(g_attachmentPath).isDir())
        throw AppError(QStringLiteral("无法创建附件文件夹 %1").arg(QDir::toNativeSeparators(g_attachmentPath)));
    // The older program's catalogue: converted when the user agrees, else not opened.
    if (!CatalogueLocation::isServer(dbPath) && JetSource::looksLikeJet(dbPath))
        JetOnOpen::convert(dbPath, g_attachmentPath);
    return dbPath;
}
