#include "store/Services.h"

#include "store/AppError.h"
#include "store/DialogOwner.h"
#include "store/Dialogs.h"
#include "store/SystemErrorText.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString g_appPathOverride;

QString withOneSeparator(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}
} // namespace

QString AppTitle()
{
    return QStringLiteral("多媒体文件系统");
}

QString AppVersion()
{
    return QStringLiteral("%1.%2.%3").arg(MC_VERSION_MAJOR).arg(MC_VERSION_MINOR).arg(MC_VERSION_PATCH);
}

int ShowMsg(const QString &prompt, int buttons)
{
    return dialogs().message(prompt, buttons, QStringLiteral("文件系统-"));
}

QString MessageLines(const QStringList &lines)
{
    constexpr int shown = 20;
    return QStringList(lines.mid(0, shown)).join(QLatin1Char('\n')) +
           (lines.size() > shown ? QStringLiteral("\n...") : QString());
}

void ReportErrors(const std::function<void()> &command)
{
    try {
        command();
    } catch (const AppError &e) {
        ShowMsg(SystemErrorText::explain(e.message()), Msg::OkOnly | Msg::Information);
    }
}

void ReportErrors(QObject *owner, const std::function<void()> &command)
{
    DialogOwner guard(owner);
    ReportErrors(command);
}

bool ShellOpen(const QString &path)
{
    return dialogs().openFile(path);
}

QString AppPath()
{
    if (!g_appPathOverride.isEmpty())
        return withOneSeparator(g_appPathOverride);
    return withOneSeparator(QCoreApplication::applicationDirPath());
}

void SetAppPathOverride(const QString &folder)
{
    g_appPathOverride = QDir::fromNativeSeparators(folder);
}

QString GetParentPath(const QString &path)
{
    const qsizetype cut = path.lastIndexOf(QLatin1Char('/'));
    return cut < 0 ? QString() : path.left(cut);
}

QString LastPathPart(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}
