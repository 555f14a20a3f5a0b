// libFuzzer target for the Jet dialect translation. Besides not crashing, a translated
// statement must come back unchanged from a second translation, and text without the
// three things the translation touches must pass through as it is.
#include "store/JetDialect.h"

#include <QString>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString in = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString once = JetDialect::translate(in);
    if (JetDialect::translate(once) != once)
        std::abort();
    if (!in.contains(QLatin1Char('#')) && !in.contains(QLatin1Char(';')) && !in.contains(QLatin1Char('*')) &&
        once != in.trimmed())
        std::abort();
    JetDialect::dateLiteral(in);
    return 0;
}
