#pragma once

#include "store/AppError.h"

// The user stopped a conversion; nothing of it is kept.
class ConversionCancelled : public AppError {
public:
    using AppError::AppError;
};
