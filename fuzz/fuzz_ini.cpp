// libFuzzer target for the configuration file reader. Besides not crashing, a value set
// in any file must read back as set, and the file's other lines must stay.
#include "store/IniText.h"

#include <QString>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QStringList lines = IniText::lines(text);
    IniText::value(lines, QStringLiteral("UserDefault"), QStringLiteral("txtText"));
    const qsizetype before = lines.size();
    IniText::setValue(lines, QStringLiteral("UserDefault"), QStringLiteral(" DataBaseFilePath "),
                      QStringLiteral("/网络/Data.mdb"));
    if (IniText::value(lines, QStringLiteral("userdefault"), QStringLiteral("databasefilepath")) !=
        QStringLiteral("/网络/Data.mdb"))
        std::abort();
    if (lines.size() < before || lines.size() > before + 2)
        std::abort();
    return 0;
}
