#include "store/JetText.h"

#include <QDate>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <iconv.h>

namespace {
QString utf16le(const char *p, qsizetype bytes)
{
    QString s;
    s.reserve(bytes / 2);
    for (qsizetype i = 0; i + 1 < bytes; i += 2)
        s += QChar(char16_t(uchar(p[i]) | (uchar(p[i + 1]) << 8)));
    return s;
}

class Iconv {
public:
    explicit Iconv(const QByteArray &from) : cd_(iconv_open("UTF-8", from.constData())) {}
    ~Iconv()
    {
        if (ok())
            iconv_close(cd_);
    }
    bool ok() const { return cd_ != iconv_t(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};
} // namespace

QString JetText::jet4(const QByteArray &raw)
{
    if (raw.size() >= 2 && uchar(raw[0]) == 0xFF && uchar(raw[1]) == 0xFE) {
        QString s;
        s.reserve(raw.size());
        bool compressed = true;
        qsizetype i = 2;
        while (i < raw.size()) {
            if (raw[i] == '\0') {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                s += QChar(char16_t(uchar(raw[i])));
                ++i;
            } else if (i + 1 < raw.size()) {
                s += QChar(char16_t(uchar(raw[i]) | (uchar(raw[i + 1]) << 8)));
                i += 2;
            } else {
                break; // half a character at the end: nothing to make of it
            }
        }
        return s;
    }
    return utf16le(raw.constData(), raw.size());
}

bool JetText::knownCodePage(const QByteArray &codePage)
{
    return !codePage.isEmpty() && Iconv(codePage).ok();
}

bool JetText::jet3(const QByteArray &raw, const QByteArray &codePage, QString *out)
{
    Iconv conv(codePage);
    if (!conv.ok())
        return false;
    QByteArray utf8(raw.size() * 4 + 4, Qt::Uninitialized);
    char *in = const_cast<char *>(raw.constData());
    size_t inLeft = size_t(raw.size());
    char *to = utf8.data();
    size_t toLeft = size_t(utf8.size());
    while (inLeft > 0) {
        if (iconv(conv.get(), &in, &inLeft, &to, &toLeft) != size_t(-1))
            break;
        if (errno != EILSEQ && errno != EINVAL)
            break;
        // A byte the code page does not know is kept visible rather than dropped.
        const char replacement[] = "\xEF\xBF\xBD";
        if (toLeft < 3)
            break;
        memcpy(to, replacement, 3);
        to += 3;
        toLeft -= 3;
        ++in;
        --inLeft;
    }
    utf8.truncate(qsizetype(to - utf8.data()));
    *out = QString::fromUtf8(utf8);
    return true;
}

QString JetText::date(double days)
{
    // Year 100 to 9999, as the older program accepted them.
    if (!std::isfinite(days) || days < -657434.0 || days > 2958465.99999)
        return {};
    double whole = std::trunc(days);
    double fraction = std::fabs(days - whole);
    qint64 seconds = qint64(std::llround(fraction * 86400.0));
    if (seconds >= 86400) {
        // Rounded up to the next midnight: the next calendar day, before 1899 as after.
        seconds -= 86400;
        whole += 1;
    }
    const QDate day = QDate(1899, 12, 30).addDays(qint64(whole));
    if (!day.isValid())
        return {};
    return QStringLiteral("%1 %2:%3:%4")
        .arg(day.toString(QStringLiteral("yyyy-MM-dd")))
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
