#pragma once

#include "store/AppError.h"

#include <QStringList>

// The rows of an import group could not be committed: none of them was recorded, and the
// copies made for them were removed.
class GroupLost : public AppError {
public:
    GroupLost(QStringList sources, const QString &reason) : AppError(reason), sources_(std::move(sources)) {}
    const QStringList &sources() const { return sources_; }

private:
    QStringList sources_;
};
