#pragma once

#include <QString>

// The one helper through which every value is spliced between single quotes of a statement.
QString SqlQuote(const QString &value);
