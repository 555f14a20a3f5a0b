// libFuzzer target for what the program reads from the Jet reading process and from the
// pages of a Jet file. Besides not crashing: the stream parser never takes a cut or
// damaged stream for a complete one, a record written and parsed again is the same, the
// Jet 4 text decoder gives at most one character per byte, and a date is either empty or
// a valid "yyyy-MM-dd HH:mm:ss".
#include "store/JetStream.h"
#include "store/JetText.h"

#include <QDateTime>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {
void parseAll(const QByteArray &bytes, int pieces)
{
    JetStream stream;
    const qsizetype step = qMax<qsizetype>(1, bytes.size() / qMax(1, pieces));
    for (qsizetype at = 0; at < bytes.size(); at += step) {
        stream.feed(bytes.mid(at, step));
        while (stream.next() != JetStream::Event::None) {
        }
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    parseAll(JetStream::opening() + bytes, 1);
    parseAll(JetStream::opening() + bytes, 7);

    // A record of the input's texts survives the stream, and a stream cut short never ends.
    JetRecord r;
    const QString text = JetText::jet4(bytes);
    if (text.size() > bytes.size())
        std::abort();
    r.fields[0] = text;
    r.fields[2] = QString::fromUtf8(bytes);
    r.fields[5] = qlonglong(size);
    const QByteArray whole = JetStream::opening() + JetStream::header(1, 1) + JetStream::record(r) + JetStream::end(1);
    JetStream stream;
    stream.feed(whole.left(whole.size() - 1));
    bool gotRecord = false;
    for (JetStream::Event e = stream.next(); e != JetStream::Event::None; e = stream.next()) {
        if (e == JetStream::Event::End || e == JetStream::Event::Garbage)
            std::abort();
        if (e == JetStream::Event::Record) {
            gotRecord = true;
            if (stream.lastRecord() != r)
                std::abort();
        }
    }
    if (!gotRecord)
        std::abort();

    if (size >= sizeof(double)) {
        double days = 0;
        std::memcpy(&days, data, sizeof days);
        const QString date = JetText::date(days);
        if (!date.isEmpty() && !QDateTime::fromString(date, QStringLiteral("yyyy-MM-dd HH:mm:ss")).isValid())
            std::abort();
    }
    return 0;
}
