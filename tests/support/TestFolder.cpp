#include "TestFolder.h"

#include "import/StoredNameSequence.h"
#include "store/CatalogueSchema.h"
#include "store/DatabaseLocator.h"
#include "store/Services.h"
#include "store/clsCurrentDb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
const char *const kUserFolders[] = {"XDG_CONFIG_HOME", "XDG_DATA_HOME"};
}

TestFolder::TestFolder()
{
    // The user's configuration and data folders live here too, never in the real home.
    for (const char *name : kUserFolders) {
        saved_ << qgetenv(name);
        qputenv(name, QFile::encodeName(dir_.path() + QStringLiteral("/user-") + QLatin1String(name)));
    }
    clsCurrentDb::release();
    SetAttachmentPath(QString());
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
}

QString TestFolder::path() const
{
    return dir_.path() + QLatin1Char('/');
}

void TestFolder::createCatalogue(const QString &name) const
{
    CatalogueSchema::create(file(name));
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
