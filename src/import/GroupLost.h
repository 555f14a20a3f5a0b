#pragma once

#include "store/AppError.h"

#include <QStringList>

// The rows of an import group could not be committed: none of them was recorded, and the
// copies made for them were removed.
class GroupLost : public AppError {
public:
    GroupLost(QStringList sources, const QString &reason, bool connectionLost = false)
        : AppError(reason), sources_(std::move(sources)), connectionLost_(connectionLost)
    {
    }
    const QStringList &sources() const { return sources_; }
    // The connection to the server ended: the files after them would fail too.
    bool connectionLost() const { return connectionLost_; }

private:
    QStringList sources_;
    bool connectionLost_;
};
