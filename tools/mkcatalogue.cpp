// Makes an empty catalogue, or copies one into another:
//   mkcatalogue [--if-missing] PATH/Data.mdb | postgresql://user@host:port/dbname
//   mkcatalogue --copy FROM TO
// A file is never replaced (with --if-missing an existing one is left as it is, so a
// rebuild never replaces a catalogue that holds data); on a server the tables are made
// when missing and an existing catalogue is left as it is. --copy copies every row of
// FROM into TO (made when missing, and which must hold no records yet) and checks the
// counts; the stored copies stay where they are.
#include "store/AppError.h"
#include "store/CatalogueCopy.h"
#include "store/CatalogueLocation.h"
#include "store/CatalogueSchema.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool ifMissing = args.removeAll(QStringLiteral("--if-missing")) > 0;
    const bool copy = args.removeAll(QStringLiteral("--copy")) > 0;
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (args.size() != (copy ? 2 : 1) || (copy && ifMissing)) {
        err << "usage: mkcatalogue [--if-missing] PATH/Data.mdb|postgresql://user@host:port/dbname\n"
               "       mkcatalogue --copy FROM TO\n";
        return 2;
    }
    try {
        if (copy) {
            const CatalogueCopy::Counts counts = CatalogueCopy::run(args.at(0), args.at(1));
            out << "copied " << counts.records << " records, " << counts.binned << " binned records and "
                << counts.hashes << " content hashes to " << CatalogueLocation::displayName(args.at(1)) << "\n";
            return 0;
        }
        const QString location = args.first();
        if (!CatalogueLocation::isServer(location) && QFileInfo::exists(location)) {
            if (ifMissing)
                return 0;
            err << "mkcatalogue: " << location << " exists; not replaced\n";
            return 1;
        }
        CatalogueSchema::create(location);
    } catch (const AppError &e) {
        err << "mkcatalogue: " << e.message() << "\n";
        return 1;
    }
    return 0;
}
