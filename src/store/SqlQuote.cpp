#include "store/SqlQuote.h"

QString SqlQuote(const QString &value)
{
    QString out = value;
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return out;
}
