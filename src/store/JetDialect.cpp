#include "store/JetDialect.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

namespace {

QString bracketsToQuoted(const QString &text)
{
    static const QRegularExpression bracketed(QStringLiteral("\\[([^\\]\\[]*)\\]"));
    QString out;
    qsizetype from = 0;
    for (auto it = bracketed.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += text.mid(from, m.capturedStart() - from);
        // Unquoted names fold to lower case on the server, so quoted ones are written so.
        out +=
            QLatin1Char('"') + m.captured(1).toLower().replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
        from = m.capturedEnd();
    }
    return out + text.mid(from);
}

QString translateOutsideQuotes(QString text, Engine::Dialect dialect)
{
    // Semicolons go first, as the engine never saw them: "#1/1/20;10#" is a date.
    text.remove(QLatin1Char(';'));
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('#')) {
            const qsizetype end = text.indexOf(QLatin1Char('#'), i + 1);
            if (end > i) {
                const QString date = JetDialect::dateLiteral(text.mid(i + 1, end - i - 1));
                if (!date.isEmpty()) {
                    out += QLatin1Char('\'') + date + QLatin1Char('\'');
                    i = end;
                    continue;
                }
            }
        }
        out += c;
    }
    static const QRegularExpression deleteStar(QStringLiteral("\\bdelete\\s+\\*\\s+from\\b"),
                                               QRegularExpression::CaseInsensitiveOption);
    out.replace(deleteStar, QStringLiteral("Delete From"));
    if (dialect == Engine::Dialect::Postgres)
        out = bracketsToQuoted(out);
    return out;
}

// A literal in the server's form: single quotes, inner ones doubled.
QString singleQuoted(const QString &literal)
{
    if (!literal.startsWith(QLatin1Char('"')))
        return literal;
    QString body = literal.mid(1);
    if (body.endsWith(QLatin1Char('"')))
        body.chop(1);
    body.replace(QLatin1String("\"\""), QLatin1String("\""));
    body.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + body + QLatin1Char('\'');
}

// The file engine hands out groups in the order of their keys; the server in any order it
// likes. Grouped statements without an order of their own get that of their keys.
QString groupsInOrder(const QString &sql)
{
    static const QRegularExpression grouped(QStringLiteral("\\bgroup\\s+by\\s+([^']+?)(\\s+having\\b[^']*)?$"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression ordered(QStringLiteral("\\border\\s+by\\b"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = grouped.match(sql);
    if (!m.hasMatch() || ordered.match(sql).hasMatch())
        return sql;
    return sql + QStringLiteral(" ORDER BY ") + m.captured(1).trimmed();
}

} // namespace

QString JetDialect::dateLiteral(const QString &content)
{
    static const QRegularExpression isoLike(
        QStringLiteral("^\\s*(\\d{4})[-/.](\\d{1,2})[-/.](\\d{1,2})(?:\\s+(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?)?\\s*$"));
    static const QRegularExpression usLike(
        QStringLiteral("^\\s*(\\d{1,2})/(\\d{1,2})/(\\d{4})(?:\\s+(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?)?\\s*$"));
    int y = 0, mo = 0, d = 0;
    QRegularExpressionMatch m = isoLike.match(content);
    if (m.hasMatch()) {
        y = m.captured(1).toInt();
        mo = m.captured(2).toInt();
        d = m.captured(3).toInt();
    } else {
        m = usLike.match(content);
        if (!m.hasMatch())
            return {};
        mo = m.captured(1).toInt();
        d = m.captured(2).toInt();
        y = m.captured(3).toInt();
    }
    const QDate date(y, mo, d);
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return {};
    return date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') + time.toString(QStringLiteral("HH:mm:ss"));
}

QString JetDialect::translate(const QString &jetSql, Engine::Dialect dialect)
{
    const bool server = dialect == Engine::Dialect::Postgres;
    static const QRegularExpression endsWithLike(QStringLiteral("\\blike\\s*$"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression startsWithEscape(QStringLiteral("^\\s*escape\\b"),
                                                     QRegularExpression::CaseInsensitiveOption);
    const QString sql = jetSql.trimmed();
    QString out;
    out.reserve(sql.size() + 8);
    qsizetype start = 0;
    qsizetype i = 0;
    bool escapeAfterLiteral = false;
    auto outside = [&](const QString &text) {
        if (escapeAfterLiteral && !startsWithEscape.match(text).hasMatch())
            out += QStringLiteral(" ESCAPE ''");
        escapeAfterLiteral = false;
        out += translateOutsideQuotes(text, dialect);
    };
    while (i < sql.size()) {
        const QChar c = sql.at(i);
        if (c != QLatin1Char('\'') && c != QLatin1Char('"')) {
            ++i;
            continue;
        }
        const QString before = sql.mid(start, i - start);
        outside(before);
        // Copy the literal untouched; a doubled quote stays inside it.
        qsizetype j = i + 1;
        while (j < sql.size()) {
            if (sql.at(j) == c) {
                if (j + 1 < sql.size() && sql.at(j + 1) == c) {
                    j += 2;
                    continue;
                }
                break;
            }
            ++j;
        }
        const qsizetype end = qMin(j + 1, sql.size());
        const QString literal = sql.mid(i, end - i);
        // The server reads a backslash in a Like pattern as an escape; the file engine
        // does not. No escape character keeps the two alike.
        escapeAfterLiteral = server && endsWithLike.match(out.right(64)).hasMatch();
        out += server ? singleQuoted(literal) : literal;
        i = end;
        start = end;
    }
    outside(sql.mid(start));
    out = out.trimmed();
    if (server)
        out = groupsInOrder(out);
    return out;
}
