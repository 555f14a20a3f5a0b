#pragma once

#include "store/AppError.h"

// A row changed or removed by another program between the moment it was read and the
// moment it was to be written: nothing was written.
class RecordChanged : public AppError {
public:
    RecordChanged() : AppError(text()) {}
    static QString text() { return QStringLiteral("该记录已被其他用户修改或删除,未作更改."); }
};
