#include "import/AttachmentMarker.h"

#include "store/AppError.h"
#include "store/CatalogueSchema.h"
#include "store/Engine.h"
#include "store/clsCurrentDb.h"

#include <QDir>
#include <QFile>

namespace {
// The folder and engine last found in order: checked once per connection, not per file.
QString g_checkedFolder;
quint64 g_checkedEngine = 0;

QString readMarker(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).trimmed();
}
} // namespace

QString AttachmentMarker::fileName()
{
    return QStringLiteral(".mc-catalogue");
}

void AttachmentMarker::check(const QString &folder)
{
    std::shared_ptr<Engine> engine = CurrentDb().engine();
    if (engine->dialect() != Engine::Dialect::Postgres)
        return;
    if (g_checkedEngine == engine->serial() && g_checkedFolder == folder)
        return;
    const QString identity = CatalogueSchema::identity(*engine);
    if (identity.isEmpty())
        throw AppError(QStringLiteral("数据库 %1 没有目录标识,无法确认附件文件夹 %2 属于它")
                           .arg(engine->displayName(), QDir::toNativeSeparators(folder)));
    const QString path = folder + fileName();
    QString marked = readMarker(path);
    if (marked.isEmpty() && !QFile::exists(path)) {
        // The first machine to use the folder marks it; an exclusive create, so two
        // machines starting at once cannot mark it differently.
        QFile f(path);
        if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            f.write(identity.toUtf8() + '\n');
            f.close();
        }
        marked = readMarker(path);
    }
    if (marked != identity)
        throw AppError(QStringLiteral("附件文件夹 %1 属于另一个目录 (标识 %2),不是数据库 %3 (标识 %4) 的附件文件夹; "
                                      "请检查配置文件中的 AttachmentPath")
                           .arg(QDir::toNativeSeparators(folder), marked.isEmpty() ? QStringLiteral("无法读取") : marked,
                                engine->displayName(), identity));
    g_checkedEngine = engine->serial();
    g_checkedFolder = folder;
}
