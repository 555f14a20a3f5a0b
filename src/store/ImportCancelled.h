#pragma once

#include "store/AppError.h"

// The user stopped an import while a file was being copied; nothing of it was kept.
class ImportCancelled : public AppError {
public:
    ImportCancelled() : AppError(QStringLiteral("导入已取消")) {}
};
