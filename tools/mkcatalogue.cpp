// Creates an empty catalogue. With --if-missing an existing file is left as it is, so a
// rebuild never replaces a catalogue that holds data.
#include "store/AppError.h"
#include "store/CatalogueSchema.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool ifMissing = args.removeAll(QStringLiteral("--if-missing")) > 0;
    QTextStream err(stderr);
    if (args.size() != 1) {
        err << "usage: mkcatalogue [--if-missing] PATH/Data.mdb\n";
        return 2;
    }
    const QString path = args.first();
    if (QFileInfo::exists(path)) {
        if (ifMissing)
            return 0;
        err << "mkcatalogue: " << path << " exists; not replaced\n";
        return 1;
    }
    try {
        CatalogueSchema::create(path);
    } catch (const AppError &e) {
        err << "mkcatalogue: " << e.message() << "\n";
        return 1;
    }
    return 0;
}
