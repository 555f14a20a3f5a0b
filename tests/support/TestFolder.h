#pragma once

#include <QString>
#include <QTemporaryDir>

// A program folder of its own for one test: AppPath() points here, and so do the user's
// configuration and data folders; the shared database object is released before and after,
// and an empty catalogue can be laid beside it.
class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    QString path() const; // ends with a separator
    QString file(const QString &name) const { return path() + name; }
    void createCatalogue(const QString &name = QStringLiteral("Data.mdb")) const;
    // Writes a file with the given bytes (folders made as needed); returns its path.
    QString write(const QString &relative, const QByteArray &bytes) const;

private:
    QTemporaryDir dir_;
    QList<QByteArray> saved_;
};
