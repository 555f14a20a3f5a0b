#include "store/SystemErrorText.h"

#include <QList>
#include <QPair>
#include <cerrno>
#include <cstring>

namespace {
struct Known {
    int errnum; // 0 for a text of the database engine
    const char *english;
    const char *chinese;
};

// English texts come from the C library at run time (glibc's wording), the engine's are fixed.
const Known kKnown[] = {
    {ENOENT, nullptr, "文件或文件夹不存在"},
    {EACCES, nullptr, "没有访问权限"},
    {EPERM, nullptr, "不允许的操作"},
    {EEXIST, nullptr, "文件已存在"},
    {ENOSPC, nullptr, "磁盘空间不足"},
    {EDQUOT, nullptr, "超出磁盘配额"},
    {EROFS, nullptr, "只读的文件系统,不能写入"},
    {EISDIR, nullptr, "这是一个文件夹,不是文件"},
    {ENOTDIR, nullptr, "路径中的某一部分不是文件夹"},
    {ENOTEMPTY, nullptr, "文件夹不是空的"},
    {EBUSY, nullptr, "设备或资源正忙"},
    {ETXTBSY, nullptr, "文件正在被使用"},
    {EIO, nullptr, "磁盘读写错误"},
    {EMFILE, nullptr, "打开的文件太多"},
    {ENFILE, nullptr, "系统打开的文件太多"},
    {ENAMETOOLONG, nullptr, "文件名太长"},
    {ELOOP, nullptr, "符号链接层数太多"},
    {EXDEV, nullptr, "不能跨磁盘移动"},
    {EFBIG, nullptr, "文件太大"},
    {ENOMEM, nullptr, "内存不足"},
    {EINVAL, nullptr, "无效的参数"},
    {ENXIO, nullptr, "设备不存在或未连接"},
    {ENODEV, nullptr, "设备不存在"},
    {ESTALE, nullptr, "网络文件句柄已失效"},
    {ETIMEDOUT, nullptr, "连接超时"},
    {ECONNREFUSED, nullptr, "连接被拒绝"},
    {EHOSTUNREACH, nullptr, "无法连接到主机"},
    {ENETUNREACH, nullptr, "网络不可达"},
    {ENOTCONN, nullptr, "未连接"},
    {0, "attempt to write a readonly database", "数据库文件是只读的,不能写入"},
    {0, "unable to open database file", "无法打开数据库文件"},
    {0, "database table is locked", "数据表被锁定"},
    {0, "database is locked", "数据库正被另一个程序使用(已锁定)"},
    {0, "database disk image is malformed", "数据库文件已损坏"},
    {0, "file is not a database", "不是数据库文件"},
    {0, "database or disk is full", "数据库或磁盘已满"},
    {0, "disk I/O error", "磁盘读写错误"},
    {0, "no such table", "数据表不存在"},
    {0, "no such column", "数据列不存在"},
    {0, "syntax error", "SQL 语法错误"},
};

QString systemText(const Known &k)
{
    return k.english ? QString::fromLatin1(k.english) : QString::fromLocal8Bit(std::strerror(k.errnum));
}

bool isAscii(const QString &text)
{
    for (QChar c : text)
        if (c.unicode() > 0x7f)
            return false;
    return true;
}

// The pairs (system text, description); a C library that already speaks Chinese needs none.
const QList<QPair<QString, QString>> &table()
{
    static const QList<QPair<QString, QString>> pairs = [] {
        QList<QPair<QString, QString>> out;
        for (const Known &k : kKnown) {
            const QString text = systemText(k);
            if (!text.isEmpty() && isAscii(text))
                out.append({text, QString::fromUtf8(k.chinese)});
        }
        return out;
    }();
    return pairs;
}
} // namespace

QString SystemErrorText::describe(int errnum)
{
    const QString text = QString::fromLocal8Bit(std::strerror(errnum));
    return explain(text);
}

QString SystemErrorText::explain(const QString &message)
{
    QString out = message;
    for (const auto &[text, chinese] : table()) {
        const QString described = chinese + QStringLiteral(" (") + text + QLatin1Char(')');
        if (!out.contains(text) || out.contains(described))
            continue;
        out.replace(text, described);
    }
    return out;
}
