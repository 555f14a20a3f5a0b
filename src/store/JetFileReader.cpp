#include "store/JetFileReader.h"

#include "store/JetStream.h"
#include "store/JetText.h"

#include <QFile>
#include <QStringList>
#include <vector>

// The library's header includes glib inside its own extern "C" block.
#include <glib.h>
#include <mdbtools.h>

namespace {
constexpr int kOffsetMask = 0x1fff;

class Output {
public:
    explicit Output(FILE *f) : f_(f) {}
    void send(const QByteArray &b)
    {
        if (!b.isEmpty())
            std::fwrite(b.constData(), 1, size_t(b.size()), f_);
    }
    void flush() { std::fflush(f_); }

private:
    FILE *f_;
};

struct Column {
    int index = -1; // position in the table's column list
    int type = 0;
};

bool isText(int type)
{
    return type == MDB_TEXT || type == MDB_MEMO;
}

bool isWhole(int type)
{
    return type == MDB_BYTE || type == MDB_INT || type == MDB_LONGINT;
}

class Reader {
public:
    Reader(MdbHandle *mdb, MdbTableDef *table, const std::vector<Column> &columns, QByteArray codePage)
        : mdb_(mdb), table_(table), columns_(columns), codePage_(std::move(codePage)),
          jet3_(mdb->f->jet_version == MDB_VER_JET3), fields_(table->num_cols)
    {
    }

    // False when the row just fetched does not fit its page.
    bool current(JetRecord *out)
    {
        int start = 0;
        size_t size = 0;
        if (mdb_find_row(mdb_, int(table_->cur_row) - 1, &start, &size) != 0)
            return false;
        start &= kOffsetMask;
        if (mdb_crack_row(table_, start, size, fields_.data()) < 0)
            return false;
        const int pageSize = int(mdb_->fmt->pg_size);
        for (size_t i = 0; i < columns_.size(); ++i) {
            const MdbField *f = nullptr;
            for (const MdbField &candidate : fields_)
                if (candidate.colnum == columns_[i].index)
                    f = &candidate;
            if (!f)
                return false;
            QVariant &v = out->fields[i];
            v = QVariant();
            if (f->is_null)
                continue;
            if (f->siz < 0 || f->start < 0 || f->start + f->siz > pageSize)
                return false;
            const char *at = reinterpret_cast<const char *>(mdb_->pg_buf) + f->start;
            const int type = columns_[i].type;
            if (type == MDB_DATETIME) {
                if (f->siz != 8)
                    return false;
                const QString text = JetText::date(mdb_get_double(mdb_->pg_buf, f->start));
                if (text.isEmpty())
                    return false;
                v = text;
            } else if (type == MDB_BYTE) {
                v = qlonglong(uchar(at[0]));
            } else if (type == MDB_INT) {
                if (f->siz != 2)
                    return false;
                v = qlonglong(qint16(mdb_get_int16(mdb_->pg_buf, f->start)));
            } else if (type == MDB_LONGINT) {
                if (f->siz != 4)
                    return false;
                v = qlonglong(qint32(mdb_get_int32(mdb_->pg_buf, f->start)));
            } else {
                QByteArray raw;
                if (type == MDB_MEMO) {
                    if (!memo(f->start, f->siz, &raw))
                        return false;
                } else {
                    raw = QByteArray(at, f->siz);
                }
                QString text;
                if (!jet3_)
                    text = JetText::jet4(raw);
                else if (!JetText::jet3(raw, codePage_, &text))
                    return false;
                v = text;
            }
        }
        return true;
    }

private:
    // A memo's text: in the row itself, on one other page, or on a chain of pages.
    bool memo(int start, int size, QByteArray *out)
    {
        if (size < MDB_MEMO_OVERHEAD)
            return false;
        const quint32 head = quint32(mdb_get_int32(mdb_->pg_buf, start));
        const quint32 length = head & 0x3fffffff;
        if (head & 0x80000000) {
            *out = QByteArray(reinterpret_cast<const char *>(mdb_->pg_buf) + start + MDB_MEMO_OVERHEAD,
                              size - MDB_MEMO_OVERHEAD);
            return quint32(out->size()) == length;
        }
        int pgRow = mdb_get_int32(mdb_->pg_buf, start + 4);
        const bool single = head & 0x40000000;
        // A chain that loops or runs on beyond the memo's length is damage, not text.
        for (int hops = 0; pgRow != 0; ++hops) {
            if (hops > 65536 || quint32(out->size()) > length)
                return false;
            void *buf = nullptr;
            int off = 0;
            size_t len = 0;
            if (mdb_find_pg_row(mdb_, pgRow, &buf, &off, &len) != 0 || off < 0 ||
                size_t(off) + len > size_t(mdb_->fmt->pg_size))
                return false;
            const char *p = static_cast<const char *>(buf) + off;
            if (single) {
                out->append(p, qsizetype(len));
                break;
            }
            if (len < 4)
                return false;
            pgRow = mdb_get_int32(static_cast<unsigned char *>(buf), off);
            out->append(p + 4, qsizetype(len - 4));
        }
        if (quint32(out->size()) < length)
            return false;
        out->truncate(qsizetype(length));
        return true;
    }

    MdbHandle *mdb_;
    MdbTableDef *table_;
    const std::vector<Column> &columns_;
    QByteArray codePage_;
    bool jet3_;
    std::vector<MdbField> fields_;
};

QString typeName(int type)
{
    switch (type) {
    case MDB_TEXT: return QStringLiteral("文本");
    case MDB_MEMO: return QStringLiteral("备注");
    case MDB_DATETIME: return QStringLiteral("日期/时间");
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT: return QStringLiteral("整数");
    default: return QStringLiteral("类型 %1").arg(type);
    }
}

// The six columns in record order, or why the table has another shape.
bool shapeOf(MdbTableDef *table, std::vector<Column> *columns, QString *why)
{
    const auto &names = JetRecord::names();
    columns->assign(names.size(), Column());
    QStringList problems;
    for (unsigned i = 0; i < table->num_cols; ++i) {
        auto *col = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
        const QString name = QString::fromUtf8(col->name);
        size_t at = names.size();
        for (size_t n = 0; n < names.size(); ++n)
            if (name.compare(QLatin1String(names[n]), Qt::CaseInsensitive) == 0)
                at = n;
        if (at == names.size()) {
            problems << QStringLiteral("多出字段 %1").arg(name);
            continue;
        }
        const bool fits = at == 1 ? col->col_type == MDB_DATETIME : at == 5 ? isWhole(col->col_type) : isText(col->col_type);
        if (!fits)
            problems << QStringLiteral("字段 %1 是%2").arg(name, typeName(col->col_type));
        (*columns)[at] = Column{int(i), col->col_type};
    }
    for (size_t n = 0; n < names.size(); ++n)
        if ((*columns)[n].index < 0)
            problems << QStringLiteral("缺少字段 %1").arg(QLatin1String(names[n]));
    *why = problems.join(QStringLiteral(", "));
    return problems.isEmpty();
}
} // namespace

int JetFileReader::run(const QString &path, const QByteArray &codePage, FILE *out)
{
    Output o(out);
    o.send(JetStream::opening());
    o.flush();
    const QByteArray page = codePage.isEmpty() ? JetText::defaultCodePage() : codePage;
    if (!JetText::knownCodePage(page)) {
        o.send(JetStream::failure(JetStream::BadCodePage, QString::fromLatin1(page)));
        o.flush();
        return 1;
    }
    {
        QFile probe(path);
        if (!probe.open(QIODevice::ReadOnly)) {
            o.send(JetStream::failure(JetStream::Unreadable, probe.errorString()));
            o.flush();
            return 1;
        }
    }
    MdbHandle *mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!mdb) {
        o.send(JetStream::failure(JetStream::NotJet, QString()));
        o.flush();
        return 1;
    }
    int rc = 1;
    MdbTableDef *table = nullptr;
    GPtrArray *catalog = mdb_read_catalog(mdb, MDB_TABLE);
    for (unsigned i = 0; catalog && i < mdb->num_catalog && !table; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE &&
            QString::fromUtf8(entry->object_name).compare(QLatin1String("tblAttachment"), Qt::CaseInsensitive) == 0)
            table = mdb_read_table(entry);
    }
    std::vector<Column> columns;
    QString why;
    if (!catalog) {
        o.send(JetStream::failure(JetStream::NotJet, QString()));
    } else if (!table) {
        o.send(JetStream::failure(JetStream::NoTable, QString()));
    } else if (!mdb_read_columns(table) || !shapeOf(table, &columns, &why)) {
        o.send(JetStream::failure(JetStream::OtherShape, why));
    } else {
        o.send(JetStream::header(int(mdb->f->jet_version), table->num_rows));
        Reader reader(mdb, table, columns, page);
        mdb_rewind_table(table);
        quint64 sent = 0;
        bool damaged = false;
        JetRecord record;
        while (mdb_fetch_row(table)) {
            if (!reader.current(&record)) {
                damaged = true;
                break;
            }
            o.send(JetStream::record(record));
            if (++sent % 2000 == 0)
                o.flush();
        }
        if (damaged) {
            o.send(JetStream::failure(JetStream::Damaged, QStringLiteral("第 %1 条记录").arg(sent + 1)));
        } else {
            o.send(JetStream::end(sent));
            rc = 0;
        }
    }
    o.flush();
    if (table)
        mdb_free_tabledef(table);
    mdb_close(mdb);
    return rc;
}
