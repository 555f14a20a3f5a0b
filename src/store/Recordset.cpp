#include "store/Recordset.h"

#include "store/CatalogueNotice.h"
#include "store/DbError.h"
#include "store/Engine.h"
#include "store/RecordChanged.h"
#include "store/WriteTransaction.h"

#include <QRegularExpression>

namespace {
const QString kAddressColumn = QStringLiteral("mc_rowid");
}

Recordset::Recordset(std::shared_ptr<Engine> engine, const QString &sql, const QString &shownSql)
    : engine_(std::move(engine)), shownSql_(shownSql)
{
    static const QRegularExpression wholeTable(QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+[\\[\"]?(\\w+)[\\]\"]?"),
                                               QRegularExpression::CaseInsensitiveOption);
    QString statement = sql;
    const QRegularExpressionMatch m = wholeTable.match(sql);
    if (m.hasMatch()) {
        table_ = m.captured(1);
        const qsizetype star = sql.indexOf(QLatin1Char('*'));
        statement = sql.left(star) + engine_->addressColumn() + QStringLiteral(" AS ") + kAddressColumn +
                    QStringLiteral(", ") + sql.mid(star);
    }
    if (!table_.isEmpty())
        rows_.expectAddresses(); // the address travels beside each row, not among its fields
    try {
        affected_ = engine_->execute(statement, {}, &rows_);
    } catch (const DbError &e) {
        // The message names the statement as the caller wrote it.
        throw DbError(e.reason(), shownSql_);
    }
    if (rows_.columns().isEmpty()) {
        // Delete and Update come back closed; outside a transaction they are committed now.
        if (engine_->transactionDepth() == 0)
            CatalogueNotice::post();
        return;
    }
    open_ = true;
    pos_ = 0;
}

void Recordset::fail(const QString &reason, const QString &statement) const
{
    throw DbError::inDatabase(reason, engine_ ? engine_->displayName() : QString(), statement);
}

void Recordset::requireOpen(const char *operation) const
{
    if (!open_)
        fail(QStringLiteral("记录集未打开,无法执行 %1").arg(QLatin1String(operation)), shownSql_);
}

int Recordset::columnIndex(const QString &name) const
{
    const int i = rows_.columnIndex(name);
    if (i < 0)
        fail(QStringLiteral("字段 %1 不存在").arg(name), shownSql_);
    return i;
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

QString Recordset::selectOne(const QString &from) const
{
    return engine_->addressColumn() + QStringLiteral(" AS ") + kAddressColumn + QStringLiteral(", * ") + from;
}

void Recordset::takeRow(const RowTable &written, qint64 target)
{
    if (written.count() != 1)
        fail(QStringLiteral("写入后无法读回记录"), shownSql_);
    const QVariant *from = written.row(0);
    for (int c = 0; c < rows_.width(); ++c) {
        const int at = written.columnIndex(rows_.columns().at(c));
        rows_.row(target)[c] = at < 0 ? QVariant() : from[at];
    }
    rows_.setAddress(target, written.address(0));
}

void Recordset::readBack(RowTable &written) const
{
    // A trigger (or a rule) of the catalogue may have removed or changed the row the statement
    // returned. A server moves a changed row to a new address: a row that names a stored copy
    // is found again by that name, so a row changed in place still counts as written.
    if (written.count() != 1)
        fail(QStringLiteral("写入后无法读回记录"), shownSql_);
    const QString from = QStringLiteral("FROM ") + engine_->identifier(table_) + QStringLiteral(" WHERE ");
    const int key = written.columnIndex(QStringLiteral("SaveFileName"));
    const QVariant name = key < 0 ? QVariant() : written.row(0)[key];
    // Another row at the same address (a trigger replaced the new one) is not the row written.
    const QString named = engine_->identifier(QStringLiteral("SaveFileName")) + QStringLiteral("=?");
    RowTable again;
    again.expectAddresses();
    if (name.isNull())
        engine_->execute(QStringLiteral("SELECT ") + selectOne(from + engine_->addressCondition()), {written.address(0)},
                         &again);
    else
        engine_->execute(QStringLiteral("SELECT ") +
                             selectOne(from + engine_->addressCondition() + QStringLiteral(" AND ") + named),
                         {written.address(0), name}, &again);
    if (again.count() == 0 && !name.isNull()) {
        again = RowTable();
        again.expectAddresses();
        engine_->execute(QStringLiteral("SELECT ") + selectOne(from + named), {name}, &again);
    }
    if (again.count() != 1)
        fail(QStringLiteral("写入后记录不在表中(可能被触发器删除),未保存"), shownSql_);
    written = std::move(again);
}

void Recordset::Update()
{
    requireOpen("Update");
    if (table_.isEmpty())
        fail(QStringLiteral("该记录集不可更新"), shownSql_);
    if (!adding_ && edits_.isEmpty())
        return;
    const QString table = engine_->identifier(table_);
    QStringList names;
    QVariantList values;
    for (const auto &e : edits_) {
        names << engine_->identifier(rows_.columns().at(e.first));
        values << e.second;
    }
    // A single statement needs no savepoint of its own inside the caller's transaction.
    WriteTransaction tx(*engine_, WriteTransaction::Nesting::Join);
    RowTable written;
    written.expectAddresses();
    if (adding_) {
        QStringList marks;
        for (int i = 0; i < names.size(); ++i)
            marks << QStringLiteral("?");
        engine_->execute(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING ")
                                 .arg(table, names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))) +
                             selectOne(QString()),
                         values, &written);
        readBack(written);
        tx.commit();
        rows_.appendRow();
        takeRow(written, rows_.count() - 1);
        pos_ = rows_.count() - 1;
    } else {
        // The row must still be the one that was read: another program may have changed
        // or removed it, and its address may since belong to another record.
        const QVariant address = rows_.address(pos_);
        RowTable now;
        now.expectAddresses();
        engine_->execute(
            QStringLiteral("SELECT ") +
                selectOne(QStringLiteral("FROM ") + table + QStringLiteral(" WHERE ") + engine_->addressCondition()) +
                engine_->lockClause(),
            {address}, &now);
        bool same = now.count() == 1;
        for (int c = 0; same && c < rows_.width(); ++c) {
            const int at = now.columnIndex(rows_.columns().at(c));
            same = at >= 0 && now.row(0)[at] == rows_.row(pos_)[c];
        }
        if (!same)
            throw RecordChanged();
        QStringList sets;
        for (const QString &n : names)
            sets << n + QStringLiteral("=?");
        values << address;
        engine_->execute(QStringLiteral("UPDATE %1 SET %2 WHERE %3 RETURNING ")
                                 .arg(table, sets.join(QLatin1Char(',')), engine_->addressCondition()) +
                             selectOne(QString()),
                         values, &written);
        readBack(written);
        tx.commit();
        takeRow(written, pos_);
    }
    adding_ = false;
    edits_.clear();
}

void Recordset::Close()
{
    requireOpen("Close");
    open_ = false;
    rows_.clear();
    adding_ = false;
    edits_.clear();
}
