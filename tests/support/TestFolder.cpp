#include "TestFolder.h"

#include "import/StoredNameSequence.h"
#include "store/CatalogueSchema.h"
#include "store/DatabaseLocator.h"
#include "store/Services.h"
#include "store/clsCurrentDb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

TestFolder::TestFolder()
{
    clsCurrentDb::release();
    SetAttachmentPath(QString());
    ForgetUnrememberedDataBase();
    SetAppPathOverride(dir_.path());
    StoredNameSequence::forgetFullSeconds();
}

TestFolder::~TestFolder()
{
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

QString TestFolder::picture(const QString &relative, QSize size, const QColor &colour) const
{
    QImage image(size, QImage::Format_RGB888); // three bytes a pixel: a camera-sized picture stays affordable
    image.fill(colour);
    const QString target = write(relative, {});
    image.save(target);
    return target;
}
