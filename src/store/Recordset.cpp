#include "store/Recordset.h"

#include "store/DbError.h"
#include "store/WriteTransaction.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlDriver>
#include <QSqlRecord>
#include <sqlite3.h>

namespace {
const QString kRowidColumn = QStringLiteral("mc_rowid");

sqlite3 *sqliteHandle(const QSqlDatabase &db)
{
    const QVariant v = db.isOpen() && db.driver() ? db.driver()->handle() : QVariant();
    if (v.isValid() && qstrcmp(v.typeName(), "sqlite3*") == 0)
        if (sqlite3 *h = *static_cast<sqlite3 *const *>(v.constData()))
            return h;
    throw DbError(QStringLiteral("数据库连接未打开"), QString());
}
} // namespace

Recordset::Recordset(QSqlDatabase db, const QString &sql, const QString &shownSql)
    : db_(std::move(db)), shownSql_(shownSql), database_(db_.databaseName())
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

    sqlite3 *handle = sqliteHandle(db_);
    sqlite3_stmt *stmt = nullptr;
    const QByteArray utf8 = statement.toUtf8();
    if (sqlite3_prepare_v2(handle, utf8.constData(), int(utf8.size()), &stmt, nullptr) != SQLITE_OK || !stmt) {
        const QString reason = QString::fromUtf8(sqlite3_errmsg(handle));
        sqlite3_finalize(stmt);
        fail(reason.isEmpty() ? QStringLiteral("空语句") : reason, shownSql_);
    }
    const int n = sqlite3_column_count(stmt);
    const int first = table_.isEmpty() ? 0 : 1;
    for (int i = first; i < n; ++i) {
        const QString name = QString::fromUtf8(sqlite3_column_name(stmt, i));
        columns_ << name;
        index_.insert(name, i - first);
        index_.insert(name.toLower(), i - first);
    }
    width_ = n - first;
    int rc;
    // Rows are read straight from the engine: the generic driver layer costs several
    // times more per value, which shows on lists of a million records.
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        QVariant *row = appendRow();
        for (int i = first; i < n; ++i) {
            QVariant &v = row[i - first];
            switch (sqlite3_column_type(stmt, i)) {
            case SQLITE_INTEGER: v = qlonglong(sqlite3_column_int64(stmt, i)); break;
            case SQLITE_FLOAT: v = sqlite3_column_double(stmt, i); break;
            case SQLITE_TEXT:
                v = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, i)),
                                      sqlite3_column_bytes(stmt, i));
                break;
            case SQLITE_BLOB:
                v = QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt, i)), sqlite3_column_bytes(stmt, i));
                break;
            default: break; // Null stays an empty value
            }
        }
        if (first)
            rowids_.push_back(sqlite3_column_int64(stmt, 0));
    }
    const QString reason = QString::fromUtf8(sqlite3_errmsg(handle));
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        fail(reason, shownSql_);
    if (n == 0)
        return; // Delete and Update come back closed.
    open_ = true;
    pos_ = 0;
}

QVariant *Recordset::appendRow()
{
    if (count_ % kBlockRows == 0)
        blocks_.emplace_back(new QVariant[size_t(kBlockRows * qMax(width_, 1))]);
    return rowAt(count_++);
}

void Recordset::fail(const QString &reason, const QString &statement) const
{
    throw DbError::inDatabase(reason, database_, statement);
}

void Recordset::requireOpen(const char *operation) const
{
    if (!open_)
        fail(QStringLiteral("记录集未打开,无法执行 %1").arg(QLatin1String(operation)), shownSql_);
}

int Recordset::columnIndex(const QString &name) const
{
    auto it = index_.constFind(name);
    if (it == index_.constEnd())
        it = index_.constFind(name.toLower());
    if (it == index_.constEnd())
        fail(QStringLiteral("字段 %1 不存在").arg(name), shownSql_);
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
        fail(QStringLiteral("没有当前记录"), shownSql_);
    return value(col);
}

void Recordset::MoveNext()
{
    requireOpen("MoveNext");
    if (isEOF())
        fail(QStringLiteral("已在记录集末尾"), shownSql_);
    ++pos_;
}

void Recordset::AddNew()
{
    requireOpen("AddNew");
    if (table_.isEmpty())
        fail(QStringLiteral("该记录集不可更新"), shownSql_);
    adding_ = true;
    edits_.clear();
}

void Recordset::setCollect(const QString &name, const QVariant &value)
{
    requireOpen("Collect");
    if (!adding_ && (isEOF() || isBOF()))
        fail(QStringLiteral("没有当前记录"), shownSql_);
    const int col = columnIndex(name);
    for (auto &e : edits_) {
        if (e.first == col) {
            e.second = value;
            return;
        }
    }
    edits_.append({col, value});
}

void Recordset::readRow(qint64 rowid, QVariant *out)
{
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("SELECT * FROM [%1] WHERE rowid=?").arg(table_));
    q.addBindValue(rowid);
    if (!q.exec() || !q.next())
        fail(q.lastError().text(), shownSql_);
    const QSqlRecord rec = q.record();
    for (int i = 0; i < rec.count(); ++i) {
        const auto it = index_.constFind(rec.fieldName(i).toLower());
        if (it != index_.constEnd())
            out[it.value()] = q.value(i);
    }
}

void Recordset::Update()
{
    requireOpen("Update");
    if (table_.isEmpty())
        fail(QStringLiteral("该记录集不可更新"), shownSql_);
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
        fail(q.lastError().text(), q.lastQuery());
    const qint64 rowid = adding_ ? q.lastInsertId().toLongLong() : rowids_[size_t(pos_)];
    std::vector<QVariant> row(static_cast<size_t>(width_));
    readRow(rowid, row.data());
    tx.commit();
    if (adding_) {
        std::copy(row.begin(), row.end(), appendRow());
        rowids_.push_back(rowid);
        pos_ = count_ - 1;
    } else {
        std::copy(row.begin(), row.end(), rowAt(pos_));
    }
    adding_ = false;
    edits_.clear();
}

void Recordset::Close()
{
    requireOpen("Close");
    open_ = false;
    blocks_.clear();
    count_ = 0;
    rowids_.clear();
    adding_ = false;
    edits_.clear();
}
