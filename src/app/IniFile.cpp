#include "app/IniFile.h"

#include "store/AppError.h"
#include "store/Services.h"

#include <QFile>
#include <QSaveFile>
#include <QStringConverter>
#include <QStringList>

namespace {

QString decode(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringConverter::System);
    return decoder.decode(bytes);
}

QByteArray encode(const QString &text)
{
    QStringEncoder encoder(QStringConverter::System);
    return encoder.encode(text);
}

bool isSectionLine(const QString &line, QString *name)
{
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return false;
    const qsizetype close = t.indexOf(QLatin1Char(']'));
    if (close < 0)
        return false;
    *name = t.mid(1, close - 1).trimmed();
    return true;
}

// The key of a "key=value" line, or empty for any other line.
QString keyOf(const QString &line)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return {};
    const QString t = line.trimmed();
    if (t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#')))
        return {};
    return line.left(eq).trimmed();
}

QStringList readLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString text = decode(f.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

IniFile::IniFile(QString path) : path_(std::move(path)) {}

const QString &IniFile::section()
{
    static const QString name = QStringLiteral("UserDefault");
    return name;
}

QString IniFile::defaultPath()
{
    return AppPath() + QStringLiteral("UserDefault.ini");
}

QString IniFile::read(const QString &key) const
{
    const QString wanted = key.trimmed();
    bool inSection = false;
    for (const QString &line : readLines(path_)) {
        QString name;
        if (isSectionLine(line, &name)) {
            inSection = name.compare(section(), Qt::CaseInsensitive) == 0;
            continue;
        }
        if (inSection && keyOf(line).compare(wanted, Qt::CaseInsensitive) == 0 && !keyOf(line).isEmpty())
            return line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
    }
    return {};
}

void IniFile::write(const QString &key, const QString &value) const
{
    const QString name = key.trimmed();
    const QString entry = name + QLatin1Char('=') + value;
    QStringList lines = readLines(path_);
    qsizetype sectionAt = -1;
    qsizetype insertAt = -1; // after the last non-blank line of the section
    bool inSection = false;
    bool done = false;
    for (qsizetype i = 0; i < lines.size() && !done; ++i) {
        QString sec;
        if (isSectionLine(lines[i], &sec)) {
            if (inSection)
                break;
            inSection = sec.compare(section(), Qt::CaseInsensitive) == 0;
            if (inSection)
                sectionAt = insertAt = i;
            continue;
        }
        if (!inSection)
            continue;
        if (!lines[i].trimmed().isEmpty())
            insertAt = i;
        const QString k = keyOf(lines[i]);
        if (!k.isEmpty() && k.compare(name, Qt::CaseInsensitive) == 0) {
            lines[i] = entry;
            done = true;
        }
    }
    if (!done) {
        if (sectionAt < 0) {
            lines << QLatin1Char('[') + section() + QLatin1Char(']') << entry;
        } else {
            lines.insert(insertAt + 1, entry);
        }
    }

    QSaveFile out(path_);
    if (!out.open(QIODevice::WriteOnly))
        throw AppError(QStringLiteral("无法写入配置文件 %1: %2").arg(path_, out.errorString()));
    out.write(encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
    if (!out.commit())
        throw AppError(QStringLiteral("无法写入配置文件 %1: %2").arg(path_, out.errorString()));
}

QString ReadIni(const QString &key)
{
    return IniFile(IniFile::defaultPath()).read(key);
}

void WriteIni(const QString &key, const QString &value)
{
    IniFile(IniFile::defaultPath()).write(key, value);
}
