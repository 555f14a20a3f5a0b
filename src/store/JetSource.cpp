#include "store/JetSource.h"

#include "store/AppError.h"
#include "store/ConversionCancelled.h"
#include "store/JetStream.h"
#include "store/JetText.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {
QString g_reader;

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString damaged(const QString &path)
{
    return QStringLiteral("%1 已损坏或不完整, 无法读取").arg(shown(path));
}

QString failureText(const QString &path, JetStream::Failure code, const QString &detail)
{
    switch (code) {
    case JetStream::NoTable:
        return QStringLiteral("%1 中没有表 tblAttachment, 不是旧版程序的文件目录数据库, 未作任何更改").arg(shown(path));
    case JetStream::OtherShape:
        return QStringLiteral("%1 中的表 tblAttachment 与旧版程序的不同 (%2), 无法转换, 未作任何更改")
            .arg(shown(path), detail);
    case JetStream::Damaged: return QStringLiteral("%1 (%2), 未作任何更改").arg(damaged(path), detail);
    case JetStream::BadCodePage: return QStringLiteral("不认识代码页 %1, 无法读取 Jet 3 文件中的文字").arg(detail);
    case JetStream::Unreadable: return QStringLiteral("无法读取文件 %1: %2").arg(shown(path), detail);
    case JetStream::NotJet:
    default: return QStringLiteral("%1 不是可以读取的 Jet 数据库文件 (文件可能已损坏), 未作任何更改").arg(shown(path));
    }
}
} // namespace

bool JetSource::looksLikeJet(const QString &path)
{
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(19);
    return head.size() == 19 && head.startsWith(QByteArray("\x00\x01\x00\x00", 4)) &&
           (head.mid(4) == "Standard Jet DB" || head.mid(4) == "Standard ACE DB");
}

void JetSource::precheck(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("无法读取文件 %1: %2").arg(shown(path), f.errorString()));
    const QByteArray head = f.read(0x20);
    if (head.size() < 0x20)
        throw AppError(damaged(path));
    const int version = uchar(head[0x14]);
    if (head.mid(4, 15) == "Standard ACE DB")
        throw AppError(QStringLiteral("%1 是 Access 2007 以后的 .accdb 格式, 本程序只能转换旧版程序的 Jet 数据库 (.mdb), "
                                      "未作任何更改")
                           .arg(shown(path)));
    if (version > 1)
        throw AppError(damaged(path));
    const qint64 page = version == 0 ? 2048 : 4096;
    // A copy cut short ends inside a page, or before the catalogue's own pages.
    if (f.size() % page != 0 || f.size() < 3 * page)
        throw AppError(
            QStringLiteral("%1 不完整 (长度 %2 字节), 可能在复制时被截断, 未作任何更改").arg(shown(path)).arg(f.size()));
}

void JetSource::setReaderProgram(const QString &path)
{
    g_reader = path;
}

QString JetSource::readerProgram()
{
    if (!g_reader.isEmpty())
        return g_reader;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/mkcatalogue");
}

int JetSource::silenceLimitMs()
{
    const int fromEnvironment = qEnvironmentVariableIntValue("MC_JET_READ_TIMEOUT_MS");
    return fromEnvironment > 0 ? fromEnvironment : 20000;
}

std::vector<JetRecord> JetSource::read(const QString &path, const QByteArray &codePage, const Progress &progress)
{
    precheck(path);
    const QByteArray page = codePage.isEmpty() ? JetText::defaultCodePage() : codePage;
    const QString program = readerProgram();
    if (!QFileInfo(program).isExecutable())
        throw AppError(QStringLiteral("找不到读取 Jet 文件的程序 %1").arg(shown(program)));
    QProcess reader;
    reader.setProcessChannelMode(QProcess::SeparateChannels);
    reader.setStandardErrorFile(QProcess::nullDevice());
    reader.start(program, {QStringLiteral("--read-jet"), path, QStringLiteral("--code-page"), QString::fromLatin1(page)});
    if (!reader.waitForStarted(10000))
        throw AppError(QStringLiteral("无法启动读取 Jet 文件的程序 %1: %2").arg(shown(program), reader.errorString()));
    auto stop = [&reader] {
        reader.kill();
        reader.waitForFinished(5000);
    };
    JetStream stream;
    std::vector<JetRecord> records;
    bool haveHeader = false;
    bool ended = false;
    QElapsedTimer silent;
    silent.start();
    const int limit = silenceLimitMs();
    for (;;) {
        const bool running = reader.state() != QProcess::NotRunning;
        if (running)
            reader.waitForReadyRead(50);
        const QByteArray bytes = reader.readAllStandardOutput();
        if (!bytes.isEmpty()) {
            silent.restart();
            stream.feed(bytes);
        }
        for (JetStream::Event e = stream.next(); e != JetStream::Event::None; e = stream.next()) {
            switch (e) {
            case JetStream::Event::Header:
                haveHeader = true;
                records.reserve(stream.rowCount());
                break;
            case JetStream::Event::Record: records.push_back(stream.takeRecord()); break;
            case JetStream::Event::End: ended = true; break;
            case JetStream::Event::Failure:
                stop();
                throw AppError(failureText(path, stream.failureCode(), stream.failureDetail()));
            case JetStream::Event::Garbage: stop(); throw AppError(damaged(path));
            case JetStream::Event::None: break;
            }
        }
        if (progress && !progress(qint64(records.size()), haveHeader ? qint64(stream.rowCount()) : 0)) {
            stop();
            throw ConversionCancelled(QStringLiteral("已取消读取 %1, 未作任何更改").arg(shown(path)));
        }
        if (!running && reader.bytesAvailable() == 0)
            break;
        if (running && silent.elapsed() > limit) {
            stop();
            throw AppError(QStringLiteral("读取 %1 时超过 %2 秒没有进展, 文件可能已损坏, 已停止读取, 未作任何更改")
                               .arg(shown(path))
                               .arg(limit / 1000.0));
        }
    }
    if (reader.exitStatus() != QProcess::NormalExit)
        throw AppError(QStringLiteral("读取 %1 的程序异常结束, 文件可能已损坏, 未作任何更改").arg(shown(path)));
    if (!ended || stream.endCount() != records.size())
        throw AppError(damaged(path));
    // The library skips rows it cannot make out: the table's own count tells.
    if (records.size() != stream.rowCount())
        throw AppError(QStringLiteral("%1 已损坏: 表中记有 %2 条记录, 只能读出 %3 条, 未作任何更改")
                           .arg(shown(path))
                           .arg(stream.rowCount())
                           .arg(records.size()));
    return records;
}
