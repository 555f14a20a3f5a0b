#include "store/Recordset.h"

#include "store/DbError.h"
#include "store/WriteTransaction.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {
const QString kRowidColumn = QStringLiteral("mc_rowid");
}

Recordset::Recordset(QSqlDatabase db, const QString &sql, const QString &shownSql)
    : db_(std::move(db)), shownSql_(shownSql)
{
    static const QRegularExpression wholeTable(
        QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+\\[?(\\w+)\\]?"), QRegularExpression::CaseInsensitiveOption);
    QString statement = sql;
    const QRegularExpressionMatch m = wholeTable.match(sql);
    if (m.hasMatch()) {
        table_ = m.captured(1);
        const qsizetype star = sql.indexOf(QLatin1Char('*'));
        statement = sql.left(star) + QStringLiteral("rowid AS ") + kRowidColumn + QStringLiteral(", ") +
                    sql.mid(star);
    }

    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.exec(statement))
        throw DbError(q.lastError().text(), shownSql_);
    if (!q.isSelect())
        return; // Delete and Update come back closed.

    const QSqlRecord rec = q.record();
    const int first = table_.isEmpty() ? 0 : 1;
    for (int i = first; i < rec.count(); ++i) {
        columns_ << rec.fieldName(i);
        index_.insert(rec.fieldName(i).toLower(), i - first);
    }
    const int n = int(columns_.size());
    while (q.next()) {
        QVector<QVariant> row(n);
        for (int i = 0; i < n; ++i)
            row[i] = q.value(i + first);
        rows_.push_back(std::move(row));
        if (first)
            rowids_.push_back(q.value(0).toLongLong());
    }
    if (q.lastError().isValid())
        throw DbError(q.lastError().text(), shownSql_);
    open_ = true;
    pos_ = 0;
}

void Recordset::requireOpen(const char *operation) const
{
    if (!open_)
        throw DbError(QStringLiteral("记录集未打开,无法执行 %1").arg(QLatin1String(operation)), shownSql_);
}

int Recordset::columnIndex(const QString &name) const
{
    const auto it = index_.constFind(name.toLower());
    if (it == index_.constEnd())
        throw DbError(QStringLiteral("字段 %1 不存在").arg(name), shownSql_);
    return it.value();
}

QVariant Recordset::field(const QString &name) const
{
    requireOpen("Fields");
    const int col = columnIndex(name);
    if (adding_) {
        for (const auto &e : edits_)
            if (e.first == col)
                return e.second;
        return {};
    }
    if (isEOF() || isBOF())
        throw DbError(QStringLiteral("没有当前记录"), shownSql_);
    return rows_[size_t(pos_)][col];
}

void Recordset::MoveNext()
{
    requireOpen("MoveNext");
    if (isEOF())
        throw DbError(QStringLiteral("已在记录集末尾"), shownSql_);
    ++pos_;
}

void Recordset::AddNew()
{
    requireOpen("AddNew");
    if (table_.isEmpty())
        throw DbError(QStringLiteral("该记录集不可更新"), shownSql_);
    adding_ = true;
    edits_.clear();
}

void Recordset::setCollect(const QString &name, const QVariant &value)
{
    requireOpen("Collect");
    if (!adding_ && (isEOF() || isBOF()))
        throw DbError(QStringLiteral("没有当前记录"), shownSql_);
    const int col = columnIndex(name);
    for (auto &e : edits_) {
        if (e.first == col) {
            e.second = value;
            return;
        }
    }
    edits_.append({col, value});
}

QVector<QVariant> Recordset::readRow(qint64 rowid)
{
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("SELECT * FROM [%1] WHERE rowid=?").arg(table_));
    q.addBindValue(rowid);
    if (!q.exec() || !q.next())
        throw DbError(q.lastError().text(), shownSql_);
    QVector<QVariant> row(columns_.size());
    const QSqlRecord rec = q.record();
    for (int i = 0; i < rec.count(); ++i) {
        const auto it = index_.constFind(rec.fieldName(i).toLower());
        if (it != index_.constEnd())
            row[it.value()] = q.value(i);
    }
    return row;
}

void Recordset::Update()
{
    requireOpen("Update");
    if (table_.isEmpty())
        throw DbError(QStringLiteral("该记录集不可更新"), shownSql_);
    if (!adding_ && edits_.isEmpty())
        return;
    WriteTransaction tx(db_);
    QSqlQuery q(db_);
    QStringList names;
    for (const auto &e : edits_)
        names << QLatin1Char('[') + columns_.at(e.first) + QLatin1Char(']');
    if (adding_) {
        QStringList marks;
        for (int i = 0; i < edits_.size(); ++i)
            marks << QStringLiteral("?");
        q.prepare(QStringLiteral("INSERT INTO [%1] (%2) VALUES (%3)")
                      .arg(table_, names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))));
    } else {
        QStringList sets;
        for (const QString &n : names)
            sets << n + QStringLiteral("=?");
        q.prepare(QStringLiteral("UPDATE [%1] SET %2 WHERE rowid=?").arg(table_, sets.join(QLatin1Char(','))));
    }
    for (const auto &e : edits_)
        q.addBindValue(e.second);
    if (!adding_)
        q.addBindValue(rowids_[size_t(pos_)]);
    if (!q.exec())
        throw DbError(q.lastError().text(), q.lastQuery());
    const qint64 rowid = adding_ ? q.lastInsertId().toLongLong() : rowids_[size_t(pos_)];
    QVector<QVariant> row = readRow(rowid);
    tx.commit();
    if (adding_) {
        rows_.push_back(std::move(row));
        rowids_.push_back(rowid);
        pos_ = qint64(rows_.size()) - 1;
    } else {
        rows_[size_t(pos_)] = std::move(row);
    }
    adding_ = false;
    edits_.clear();
}

void Recordset::Close()
{
    requireOpen("Close");
    open_ = false;
    rows_.clear();
    rowids_.clear();
    adding_ = false;
    edits_.clear();
}
