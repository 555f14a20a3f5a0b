#include "import/FolderListing.h"

#include "store/Services.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <sys/stat.h>
#endif

namespace {
// Bytes that are not text shown as \xHH, and the GBK reading when it has one (archives
// from Chinese Windows carry such names).
QString readable(const QByteArray &bytes)
{
    QString shown;
    for (char c : bytes)
        shown += uchar(c) < 0x80
                     ? QString(QLatin1Char(c))
                     : QStringLiteral("\\x") + QString::number(uchar(c), 16).toUpper().rightJustified(2, QLatin1Char('0'));
    QStringDecoder gbk("GB18030");
    if (gbk.isValid()) {
        const QString reading = gbk.decode(bytes);
        if (!gbk.hasError())
            shown += QStringLiteral(" (按 GBK 读作 %1)").arg(reading);
    }
    return shown;
}
} // namespace

bool FolderListing::matches(const QStringList &patterns, const QString &name)
{
    if (patterns.contains(QStringLiteral("*.*")))
        return true;
    return QDir::match(patterns, name);
}

bool FolderListing::isRegularFile(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
#else
    return QFileInfo(path).isFile();
#endif
}

FolderListing FolderListing::read(const QString &folder, const QStringList &patterns)
{
    FolderListing out;
#ifdef Q_OS_UNIX
    const QByteArray base = QFile::encodeName(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'));
    DIR *dir = ::opendir(base.constData());
    if (!dir)
        return out;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray bytes(entry->d_name);
        if (bytes == "." || bytes == "..")
            continue;
        const QString name = QFile::decodeName(bytes);
        struct stat st {};
        if (!matches(patterns, name) || ::stat((base + bytes).constData(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        // A name that does not survive the round trip cannot be opened by its text.
        if (QFile::encodeName(name) != bytes)
            out.unreadable << readable(bytes);
        else
            out.files << name;
    }
    ::closedir(dir);
#else
    for (const QFileInfo &info : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden))
        if (info.isFile() && matches(patterns, info.fileName()))
            out.files << info.fileName();
#endif
    std::sort(out.files.begin(), out.files.end(),
              [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return out;
}

QString FolderListing::skippedMessage() const
{
    return skippedMessage(unreadable);
}

QString FolderListing::skippedMessage(const QStringList &names)
{
    if (names.isEmpty())
        return {};
    const QString text =
        QStringLiteral("以下 %1 个文件的名称不是 UTF-8 文字(常见于中文 Windows 的压缩包),无法导入,已跳过:\n")
            .arg(names.size()) +
        MessageLines(names);
    return text + QStringLiteral("\n请先把它们改成 UTF-8 名称(例如 convmv -f gbk -t utf8 -r --notest 文件夹)再导入.");
}
