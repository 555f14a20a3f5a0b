#pragma once

#include <QString>
#include <QVariant>
#include <QVector>

// The host's store of a control's properties: values by key, read with a default and
// written with one (a value equal to its default is not stored; a write without a default
// always is). Keys keep the order of their first write.
class PropertyBag {
public:
    QVariant ReadProperty(const QString &key, const QVariant &defaultValue = {});
    void WriteProperty(const QString &key, const QVariant &value, const QVariant &defaultValue = {});

    bool contains(const QString &key) const;
    QStringList keys() const;
    // Every key asked for, in order, read or written.
    const QStringList &readLog() const { return reads_; }
    const QStringList &writeLog() const { return writes_; }

private:
    QVector<QPair<QString, QVariant>> values_;
    QStringList reads_;
    QStringList writes_;
};
