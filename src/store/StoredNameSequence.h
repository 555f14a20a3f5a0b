#pragma once

#include <QDateTime>
#include <QString>

// Candidate stored bases for one import: the time stamp, then the stamp with "1" appended
// while a name is taken. After a few suffixes the stamp moves on to the next second, so a
// fast run (hundreds of files a second) never grows names without bound, and the
// process remembers the seconds it found full so the next file starts past them.
class StoredNameSequence {
public:
    static constexpr int kMaxSuffix = 8;

    explicit StoredNameSequence(const QDateTime &now);
    const QString &current() const { return base_; }
    void advance();
    // Never offers this base (a name being replaced, which must not come back as its own
    // replacement); moves on at once when it is the current one.
    void avoid(const QString &base);

    static void forgetFullSeconds(); // tests start from a clean slate

private:
    QDateTime stamp_;
    QString base_;
    QString avoided_;
    int suffix_ = 0;

    void step();
};
