#include "store/StoredNameSequence.h"

#include "store/StoredName.h"

namespace {
QDateTime g_firstOpenSecond; // earliest second that may still have a free name
}

StoredNameSequence::StoredNameSequence(const QDateTime &now)
    : stamp_(g_firstOpenSecond.isValid() && now < g_firstOpenSecond ? g_firstOpenSecond : now),
      base_(StoredName::base(stamp_))
{
}

void StoredNameSequence::advance()
{
    do
        step();
    while (!avoided_.isEmpty() && base_ == avoided_);
}

void StoredNameSequence::avoid(const QString &base)
{
    avoided_ = base;
    if (base_ == avoided_)
        advance();
}

void StoredNameSequence::step()
{
    if (suffix_ < kMaxSuffix) {
        ++suffix_;
        base_ += QLatin1Char('1');
        return;
    }
    stamp_ = stamp_.addSecs(1);
    g_firstOpenSecond = stamp_;
    suffix_ = 0;
    base_ = StoredName::base(stamp_);
}

void StoredNameSequence::forgetFullSeconds()
{
    g_firstOpenSecond = QDateTime();
}
