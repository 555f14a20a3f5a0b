#include "store/IniText.h"

namespace {

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

bool sameName(const QString &a, const QString &b)
{
    return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

QStringList IniText::lines(const QString &text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList out = t.split(QLatin1Char('\n'));
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

QString IniText::value(const QStringList &lines, const QString &section, const QString &key)
{
    const QString wanted = key.trimmed();
    bool inSection = false;
    for (const QString &line : lines) {
        QString name;
        if (isSectionLine(line, &name)) {
            inSection = sameName(name, section);
            continue;
        }
        if (inSection && sameName(keyOf(line), wanted))
            return line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
    }
    return {};
}

void IniText::setValue(QStringList &lines, const QString &section, const QString &key, const QString &value)
{
    const QString name = key.trimmed();
    const QString entry = name + QLatin1Char('=') + value;
    qsizetype insertAt = -1; // after the last non-blank line of the section
    bool inSection = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString sec;
        if (isSectionLine(lines[i], &sec)) {
            if (inSection)
                break;
            inSection = sameName(sec, section);
            if (inSection)
                insertAt = i;
            continue;
        }
        if (!inSection)
            continue;
        if (!lines[i].trimmed().isEmpty())
            insertAt = i;
        if (sameName(keyOf(lines[i]), name)) {
            lines[i] = entry;
            return;
        }
    }
    if (insertAt < 0)
        lines << QLatin1Char('[') + section + QLatin1Char(']') << entry;
    else
        lines.insert(insertAt + 1, entry);
}
