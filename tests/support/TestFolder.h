#pragma once

#include <QColor>
#include <QSize>
#include <QString>
#include <QTemporaryDir>

// A program folder of its own for one test: AppPath() points here, the shared database
// object is released before and after, and an empty catalogue can be laid beside it.
class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    QString path() const; // ends with a separator
    QString file(const QString &name) const { return path() + name; }
    void createCatalogue(const QString &name = QStringLiteral("Data.mdb")) const;
    // Writes a file with the given bytes (folders made as needed); returns its path.
    QString write(const QString &relative, const QByteArray &bytes) const;
    // Writes a picture of one colour, in the format its extension names; returns its path.
    QString picture(const QString &relative, QSize size, const QColor &colour = Qt::darkCyan) const;

private:
    QTemporaryDir dir_;
};
