#include "TestFolder.h"

#include "Corpus.h"
#include "store/AppError.h"
#include "store/AttachmentMarker.h"
#include "store/CatalogueSchema.h"
#include "store/DatabaseLocator.h"
#include "store/Engine.h"
#include "store/IniFile.h"
#include "store/PostgresEngine.h"
#include "store/Services.h"
#include "store/StoredNameSequence.h"
#include "store/clsCurrentDb.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QUuid>

namespace {
const char *const kUserFolders[] = {"XDG_CONFIG_HOME", "XDG_DATA_HOME"};

// On the server's own database: making and dropping the tests' schemas.
void onServerDatabase(const QString &sql)
{
    PostgresEngine admin(QStringLiteral("postgresql:///"));
    admin.openForSetup();
    admin.execute(sql);
    admin.close();
}
} // namespace

TestFolder::TestFolder()
{
    for (const char *name : kUserFolders) {
        saved_ << qgetenv(name);
        qputenv(name, QFile::encodeName(file(QStringLiteral("user-") + QLatin1String(name))));
    }
    clsCurrentDb::release();
    SetAttachmentPath(QString());
    ForgetUnrememberedDataBase();
    SetAppPathOverride(dir_.path());
    StoredNameSequence::forgetFullSeconds();
}

TestFolder::~TestFolder()
{
    for (int i = 0; i < 2; ++i)
        saved_[i].isNull() ? qunsetenv(kUserFolders[i]) : qputenv(kUserFolders[i], saved_[i]);
    clsCurrentDb::release();
    SetAttachmentPath(QString());
    SetAppPathOverride(QString());
    try {
        if (!schema_.isEmpty())
            onServerDatabase(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(schema_));
    } catch (const AppError &e) {
        qWarning("could not drop %s: %s", qPrintable(schema_), qPrintable(e.message()));
    }
}

QStringList TestFolder::storedCopies()
{
    QStringList names = QDir(AttachmentPath()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    names.removeAll(AttachmentMarker::fileName());
    return names;
}

void TestFolder::createCatalogue()
{
    catalogue_ = file(QStringLiteral("Data.mdb"));
    if (onServer()) {
        schema_ = QStringLiteral("mc_") + QUuid::createUuid().toString(QUuid::Id128).left(16);
        try {
            onServerDatabase(QStringLiteral("CREATE EXTENSION IF NOT EXISTS pg_trgm SCHEMA public"));
        } catch (const AppError &) {
            // Made by a test running beside this one; searches work without it anyway.
        }
        onServerDatabase(QStringLiteral("CREATE SCHEMA %1").arg(schema_));
        catalogue_ = QStringLiteral("postgresql:///?options=-csearch_path%3D") + schema_ + QStringLiteral("%2Cpublic");
        WriteIni(QStringLiteral("DataBaseFilePath"), catalogue_);
        WriteIni(QStringLiteral("AttachmentPath"), file(QStringLiteral("Attachment")));
    }
    CatalogueSchema::create(catalogue_);
    if (onServer()) {
        // As an office sets it up: the shared folder is made and marked once, by hand.
        QDir().mkpath(file(QStringLiteral("Attachment")));
        AttachmentMarker::mark(catalogue_, file(QStringLiteral("Attachment")));
    }
}

QString TestFolder::write(const QString &relative, const QByteArray &bytes) const
{
    const QString target = file(relative);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile f(target);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return target;
}

namespace {
// An AFTER INSERT trigger on tblAttachment, with its body in each engine's language.
void afterInsert(const QString &name, const QString &serverBody, const QString &fileBody)
{
    Engine &e = *CurrentDb().engine();
    if (TestFolder::onServer()) {
        e.execute(QStringLiteral("CREATE FUNCTION ") + name +
                  QStringLiteral("() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN ") + serverBody +
                  QStringLiteral(" RETURN NULL; END $$"));
        e.execute(QStringLiteral("CREATE TRIGGER ") + name +
                  QStringLiteral(" AFTER INSERT ON tblAttachment FOR EACH ROW EXECUTE FUNCTION ") + name +
                  QStringLiteral("()"));
    } else {
        e.execute(QStringLiteral("CREATE TRIGGER ") + name + QStringLiteral(" AFTER INSERT ON tblAttachment BEGIN ") +
                  fileBody + QStringLiteral(" END"));
    }
}
} // namespace

void TestFolder::dropNewRows()
{
    afterInsert(QStringLiteral("drop_new"),
                QStringLiteral("DELETE FROM tblAttachment WHERE SaveFileName = NEW.SaveFileName;"),
                QStringLiteral("DELETE FROM tblAttachment WHERE rowid = new.rowid;"));
}

void TestFolder::markNewRows()
{
    afterInsert(
        QStringLiteral("mark_new"),
        QStringLiteral(
            "UPDATE tblAttachment SET Currentinfo = Currentinfo || ' (logged)' WHERE SaveFileName = NEW.SaveFileName;"),
        QStringLiteral("UPDATE tblAttachment SET Currentinfo = Currentinfo || ' (logged)' WHERE rowid = new.rowid;"));
}

void TestFolder::swapNewRows()
{
    afterInsert(
        QStringLiteral("swap_new"),
        QStringLiteral("IF NEW.SaveFileName <> 'decoy.jpg' THEN "
                       "DELETE FROM tblAttachment WHERE SaveFileName = NEW.SaveFileName; "
                       "INSERT INTO tblAttachment (FileName, SaveFileName) VALUES ('decoy.jpg', 'decoy.jpg'); END IF;"),
        // The decoy takes the new row's address.
        QStringLiteral(
            "DELETE FROM tblAttachment WHERE rowid = new.rowid; "
            "INSERT INTO tblAttachment (rowid, FileName, SaveFileName) VALUES (new.rowid, 'decoy.jpg', 'decoy.jpg');"));
}

void TestFolder::dropTrigger(const QString &name)
{
    Engine &e = *CurrentDb().engine();
    e.execute(QStringLiteral("DROP TRIGGER ") + name + (onServer() ? QStringLiteral(" ON tblAttachment") : QString()));
}

bool TestFolder::importElsewhere(const QStringList &files, int kind, const QDateTime &clock) const
{
    QProcess driver;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (clock.isValid())
        env.insert(QStringLiteral("MC_IMPORT_CLOCK"), clock.toString(Qt::ISODate));
    driver.setProcessEnvironment(env);
    driver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    driver.start(QStringLiteral(MC_IMPORTDRIVER),
                 {path(), QString::number(kind), Corpus::writeList(file(QStringLiteral("import-list.txt")), files)});
    return driver.waitForFinished(60000) && driver.exitStatus() == QProcess::NormalExit && driver.exitCode() == 0;
}

QString TestFolder::picture(const QString &relative, QSize size, const QColor &colour) const
{
    QImage image(size, QImage::Format_RGB888); // three bytes a pixel: a camera-sized picture stays affordable
    image.fill(colour);
    const QString target = write(relative, {});
    image.save(target);
    return target;
}
