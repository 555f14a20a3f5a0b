#pragma once

#include <QColor>
#include <QDateTime>
#include <QSize>
#include <QStringList>
#include <QTemporaryDir>

// A program folder of its own for one test, also holding the user's folders; the shared database object is
// released before and after. In the server pass (MC_TEST_ENGINE=postgresql) the catalogue is a schema of its own.
class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    QString path() const { return dir_.path() + QLatin1Char('/'); }
    QString file(const QString &name) const { return path() + name; }
    void createCatalogue();
    // Where createCatalogue() put the catalogue: the path of Data.mdb or a server address.
    const QString &catalogue() const { return catalogue_; }
    // Writes a file with the given bytes (folders made as needed); returns its path.
    QString write(const QString &relative, const QByteArray &bytes) const;
    // Writes a picture of one colour, in the format its extension names; returns its path.
    QString picture(const QString &relative, QSize size, const QColor &colour = Qt::darkCyan) const;

    // Imports the files as another program does (tools/importdriver on this folder), all at
    // `clock` when it is valid; true when that program imported every one.
    bool importElsewhere(const QStringList &files, int kind, const QDateTime &clock = {}) const;

    // Plants a trigger in the catalogue that deletes every row inserted into tblAttachment.
    static void dropNewRows();
    // An audit trigger that updates each new row; one that replaces it by a decoy.
    static void markNewRows();
    static void swapNewRows();
    static void dropTrigger(const QString &name);

    static bool onServer() { return qgetenv("MC_TEST_ENGINE") == "postgresql"; }
    // Every file in the attachment folder (hidden ones too) but the folder's marker.
    static QStringList storedCopies();

private:
    QTemporaryDir dir_;
    QString catalogue_, schema_;
    QList<QByteArray> saved_;
};

// Skips a test that is about the catalogue file itself in the server pass.
#define SKIP_ON_SERVER()                                                                                                    \
    do {                                                                                                                    \
        if (TestFolder::onServer())                                                                                         \
            QSKIP("about the catalogue file; the server pass has none");                                                    \
    } while (false)
