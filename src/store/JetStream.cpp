#include "store/JetStream.h"

#include <QtEndian>
#include <cstring>

namespace {
const QByteArray &magic()
{
    static const QByteArray m = QByteArrayLiteral("MCJET2\n");
    return m;
}

template <typename T> void put(QByteArray &out, T v)
{
    char b[sizeof(T)];
    qToLittleEndian(v, b);
    out.append(b, qsizetype(sizeof(T)));
}

// Texts travel as the UTF-16 they are, so every character arrives: UTF-8 would lose a
// leading U+FEFF to the decoder and cannot carry a lone surrogate. Both ends are one machine.
void putText(QByteArray &out, const QString &text)
{
    put<quint32>(out, quint32(text.size()));
    out.append(reinterpret_cast<const char *>(text.utf16()), text.size() * qsizetype(sizeof(char16_t)));
}

// Reads from a buffer without passing its end; `ok` turns false when bytes are missing.
class Cursor {
public:
    Cursor(const QByteArray &b, qsizetype pos) : b_(b), pos_(pos) {}
    template <typename T> T get()
    {
        if (!ok_ || b_.size() - pos_ < qsizetype(sizeof(T))) {
            ok_ = false;
            return T();
        }
        const T v = qFromLittleEndian<T>(b_.constData() + pos_);
        pos_ += qsizetype(sizeof(T));
        return v;
    }
    // `n` UTF-16 units.
    QString text(quint32 n)
    {
        const quint64 bytes = quint64(n) * sizeof(char16_t);
        if (!ok_ || quint64(b_.size() - pos_) < bytes) {
            ok_ = false;
            return {};
        }
        QString v(qsizetype(n), Qt::Uninitialized);
        std::memcpy(v.data(), b_.constData() + pos_, size_t(bytes));
        pos_ += qsizetype(bytes);
        return v;
    }
    bool ok() const { return ok_; }
    qsizetype pos() const { return pos_; }

private:
    const QByteArray &b_;
    qsizetype pos_;
    bool ok_ = true;
};
} // namespace

QByteArray JetStream::opening()
{
    return magic();
}

QByteArray JetStream::header(int jetVersion, quint32 rowCount)
{
    QByteArray out;
    out.append('H');
    put<quint8>(out, quint8(jetVersion));
    put<quint32>(out, rowCount);
    return out;
}

QByteArray JetStream::record(const JetRecord &r)
{
    QByteArray out;
    out.append('R');
    for (const QVariant &v : r.fields) {
        if (v.isNull()) {
            put<quint8>(out, 0);
        } else if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int) {
            put<quint8>(out, 2);
            put<qint64>(out, v.toLongLong());
        } else {
            put<quint8>(out, 1);
            putText(out, v.toString());
        }
    }
    return out;
}

QByteArray JetStream::end(quint64 sent)
{
    QByteArray out;
    out.append('E');
    put<quint64>(out, sent);
    return out;
}

QByteArray JetStream::failure(Failure code, const QString &detail)
{
    QByteArray out;
    out.append('F');
    put<quint16>(out, code);
    putText(out, detail);
    return out;
}

JetStream::Event JetStream::next()
{
    if (finished_)
        return Event::None;
    if (!started_) {
        if (buffer_.size() < magic().size())
            return Event::None;
        if (!buffer_.startsWith(magic())) {
            finished_ = true;
            return Event::Garbage;
        }
        pos_ = magic().size();
        started_ = true;
    }
    if (pos_ >= buffer_.size())
        return Event::None;
    Cursor c(buffer_, pos_ + 1);
    Event event = Event::None;
    switch (buffer_.at(pos_)) {
    case 'H': {
        const int version = c.get<quint8>();
        const quint32 rows = c.get<quint32>();
        if (!c.ok())
            return Event::None;
        jetVersion_ = version;
        rowCount_ = rows;
        event = Event::Header;
        break;
    }
    case 'R': {
        JetRecord r;
        for (QVariant &v : r.fields) {
            const quint8 tag = c.get<quint8>();
            if (tag == 1) {
                v = c.text(c.get<quint32>());
            } else if (tag == 2) {
                v = qlonglong(c.get<qint64>());
            } else if (tag != 0 && c.ok()) {
                finished_ = true;
                return Event::Garbage;
            }
        }
        if (!c.ok())
            return Event::None;
        record_ = std::move(r);
        event = Event::Record;
        break;
    }
    case 'E': {
        const quint64 sent = c.get<quint64>();
        if (!c.ok())
            return Event::None;
        endCount_ = sent;
        finished_ = true;
        event = Event::End;
        break;
    }
    case 'F': {
        const quint16 code = c.get<quint16>();
        const QString detail = c.text(c.get<quint32>());
        if (!c.ok())
            return Event::None;
        failure_ = Failure(code);
        detail_ = detail;
        finished_ = true;
        event = Event::Failure;
        break;
    }
    default: finished_ = true; return Event::Garbage;
    }
    pos_ = c.pos();
    // Consumed bytes are dropped now and then, so a long stream does not keep them all.
    if (pos_ > (1 << 20)) {
        buffer_.remove(0, pos_);
        pos_ = 0;
    }
    return event;
}
