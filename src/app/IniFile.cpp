#include "app/IniFile.h"

#include "app/IniText.h"

#include "store/AppError.h"
#include "store/Services.h"
#include "store/UserFolders.h"

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

QStringList readLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return IniText::lines(decode(f.readAll()));
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
    return UserFolders::configFolder() + QStringLiteral("UserDefault.ini");
}

QString IniFile::read(const QString &key) const
{
    return IniText::value(readLines(path_), section(), key);
}

void IniFile::write(const QString &key, const QString &value) const
{
    QStringList lines = readLines(path_);
    IniText::setValue(lines, section(), key, value);

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
