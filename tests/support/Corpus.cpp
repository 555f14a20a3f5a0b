#include "Corpus.h"

#include <QDir>
#include <QFile>

QByteArray Corpus::contents(quint32 seed, int index)
{
    quint32 x = seed * 2654435761u + quint32(index) * 40503u + 1;
    auto next = [&x] {
        x ^= x << 13;
        x ^= x >> 17;
        return x ^= x << 5;
    };
    QByteArray bytes(int(1024 + next() % (15 * 1024)), Qt::Uninitialized);
    for (char &c : bytes)
        c = char(next());
    return bytes;
}

QStringList Corpus::write(const QString &folder, int count, quint32 seed)
{
    QDir().mkpath(folder);
    QStringList out;
    for (int i = 0; i < count; ++i) {
        const QString path = folder + QStringLiteral("/name%1.jpg").arg(i);
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(contents(seed, i));
        out << path;
    }
    return out;
}

QString Corpus::writeList(const QString &path, const QStringList &files)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Text))
        f.write((files.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    return path;
}

QByteArray Corpus::read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
