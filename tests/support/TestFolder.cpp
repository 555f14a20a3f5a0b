#include "TestFolder.h"

#include "Corpus.h"
#include "app/IniFile.h"
#include "import/AttachmentMarker.h"
#include "import/StoredNameSequence.h"
#include "store/AppError.h"
#include "store/CatalogueSchema.h"
#include "store/DatabaseLocator.h"
#include "store/Engine.h"
#include "store/PostgresEngine.h"
#include "store/Services.h"
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

void TestFolder::dropNewRows()
{
    Engine &e = *CurrentDb().engine();
    if (onServer()) {
        e.execute(QStringLiteral("CREATE FUNCTION drop_new() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                                 "DELETE FROM tblAttachment WHERE SaveFileName = NEW.SaveFileName; RETURN NULL; END $$"));
        e.execute(QStringLiteral("CREATE TRIGGER drop_new AFTER INSERT ON tblAttachment FOR EACH ROW EXECUTE FUNCTION drop_new()"));
    } else {
        e.execute(QStringLiteral("CREATE TRIGGER drop_new AFTER INSERT ON tblAttachment BEGIN "
                                 "DELETE FROM tblAttachment WHERE rowid = new.rowid; END"));
    }
}

void TestFolder::markNewRows()
{
    Engine &e = *CurrentDb().engine();
    if (onServer()) {
        e.execute(QStringLiteral("CREATE FUNCTION mark_new() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                                 "UPDATE tblAttachment SET Currentinfo = Currentinfo || ' (logged)' "
                                 "WHERE SaveFileName = NEW.SaveFileName; RETURN NULL; END $$"));
        e.execute(QStringLiteral("CREATE TRIGGER mark_new AFTER INSERT ON tblAttachment FOR EACH ROW EXECUTE FUNCTION mark_new()"));
    } else {
        e.execute(QStringLiteral("CREATE TRIGGER mark_new AFTER INSERT ON tblAttachment BEGIN "
                                 "UPDATE tblAttachment SET Currentinfo = Currentinfo || ' (logged)' WHERE rowid = new.rowid; END"));
    }
}

void TestFolder::swapNewRows()
{
    Engine &e = *CurrentDb().engine();
    if (onServer()) {
        e.execute(QStringLiteral("CREATE FUNCTION swap_new() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                                 "IF NEW.SaveFileName <> 'decoy.jpg' THEN "
                                 "DELETE FROM tblAttachment WHERE SaveFileName = NEW.SaveFileName; "
                                 "INSERT INTO tblAttachment (FileName, SaveFileName) VALUES ('decoy.jpg', 'decoy.jpg'); "
                                 "END IF; RETURN NULL; END $$"));
        e.execute(QStringLiteral("CREATE TRIGGER swap_new AFTER INSERT ON tblAttachment FOR EACH ROW EXECUTE FUNCTION swap_new()"));
    } else {
        // The decoy takes the new row's address.
        e.execute(QStringLiteral("CREATE TRIGGER swap_new AFTER INSERT ON tblAttachment BEGIN "
                                 "DELETE FROM tblAttachment WHERE rowid = new.rowid; "
                                 "INSERT INTO tblAttachment (rowid, FileName, SaveFileName) VALUES (new.rowid, 'decoy.jpg', 'decoy.jpg'); END"));
    }
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
