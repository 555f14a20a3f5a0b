#include "store/JetRecord.h"

bool JetRecord::sameValue(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    const bool numeric = a.typeId() == QMetaType::LongLong || a.typeId() == QMetaType::Int;
    const bool otherNumeric = b.typeId() == QMetaType::LongLong || b.typeId() == QMetaType::Int;
    if (numeric != otherNumeric)
        return false;
    return numeric ? a.toLongLong() == b.toLongLong() : a.toString() == b.toString();
}

bool JetRecord::operator==(const JetRecord &o) const
{
    for (int i = 0; i < kFields; ++i)
        if (!sameValue(fields[size_t(i)], o.fields[size_t(i)]))
            return false;
    return true;
}

const std::array<const char *, JetRecord::kFields> &JetRecord::names()
{
    static const std::array<const char *, kFields> n = {"Currentinfo", "Date",         "FileName",
                                                        "FolderName",  "SaveFileName", "tblFileKind"};
    return n;
}

QString JetRecord::key() const
{
    QString k;
    for (const QVariant &v : fields) {
        // A marker before each value keeps Null, empty and a text that looks like a
        // separator apart.
        if (v.isNull())
            k += QLatin1Char('\x01');
        else
            k += QLatin1Char('\x02') + v.toString();
        k += QLatin1Char('\0');
    }
    return k;
}
