#include "store/IniFile.h"

#include "store/IniText.h"

#include "store/AppError.h"
#include "store/Services.h"
#include "store/UserFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringConverter>
#include <QStringList>

namespace {

QString decode(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringConverter::System);
    const QString text = decoder.decode(bytes);
    // A file brought from Chinese Windows holds GBK where this system expects UTF-8.
    if (decoder.hasError()) {
        QStringDecoder gbk("GB18030");
        if (gbk.isValid()) {
            const QString fromGbk = gbk.decode(bytes);
            if (!gbk.hasError())
                return fromGbk;
        }
    }
    return text;
}

QByteArray encode(const QString &text)
{
    QStringEncoder encoder(QStringConverter::System);
    return encoder.encode(text);
}

// The lines of the file; none when it does not exist. A file that exists but cannot be
// read is not empty: `ok` tells the caller not to take it for one.
QStringList readLines(const QString &path, bool *ok = nullptr)
{
    QFile f(path);
    if (ok)
        *ok = true;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return {};
    // A pipe or a device in its place would block the program or is no file to rewrite.
    if (!info.isFile() || !f.open(QIODevice::ReadOnly)) {
        if (ok)
            *ok = false;
        return {};
    }
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError && ok)
        *ok = false;
    return IniText::lines(decode(bytes));
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

bool IniFile::unreadable() const
{
    bool ok = true;
    readLines(path_, &ok);
    return !ok;
}

void IniFile::write(const QString &key, const QString &value) const
{
    bool ok = true;
    QStringList lines = readLines(path_, &ok);
    // Writing would replace everything the file holds with this one key.
    if (!ok)
        throw AppError(QStringLiteral("配置文件 %1 无法读取,未作更改").arg(QDir::toNativeSeparators(path_)));
    IniText::setValue(lines, section(), key, value);

    QSaveFile out(path_);
    if (!out.open(QIODevice::WriteOnly))
        throw AppError(QStringLiteral("无法写入配置文件 %1: %2").arg(QDir::toNativeSeparators(path_), out.errorString()));
    out.write(encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
    if (!out.commit())
        throw AppError(QStringLiteral("无法写入配置文件 %1: %2").arg(QDir::toNativeSeparators(path_), out.errorString()));
}

QString ReadIni(const QString &key)
{
    return IniFile(IniFile::defaultPath()).read(key);
}

void WriteIni(const QString &key, const QString &value)
{
    IniFile(IniFile::defaultPath()).write(key, value);
}
