// Makes an empty catalogue, or copies one into another:
//   mkcatalogue [--if-missing] PATH/Data.mdb
//   mkcatalogue postgresql://user@host:port/dbname [ATTACHMENT-FOLDER]
//   mkcatalogue --copy FROM TO
// A file is never replaced (with --if-missing an existing one is left as it is, so a
// rebuild never replaces a catalogue that holds data; a file it makes is known as the
// build's, which a configured catalogue elsewhere overrides while it holds no records); on
// a server the tables are made when missing and an existing catalogue is left as it is, and
// the shared attachment folder named (which must exist) is marked as the catalogue's.
// --copy copies every row of FROM into TO (made when missing, and which must hold no
// records yet) and checks the counts; the stored copies stay where they are. Each says
// what it did.
#include "import/AttachmentMarker.h"
#include "store/AppError.h"
#include "store/CatalogueCopy.h"
#include "store/CatalogueLocation.h"
#include "store/CatalogueSchema.h"
#include "store/Engine.h"

#include <QCoreApplication>
#include <QDir>
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
    const bool server = !args.isEmpty() && CatalogueLocation::isServer(args.first());
    if ((copy ? args.size() != 2 : (args.size() < 1 || args.size() > (server ? 2 : 1))) || (copy && ifMissing)) {
        err << "usage: mkcatalogue [--if-missing] PATH/Data.mdb\n"
               "       mkcatalogue postgresql://user@host:port/dbname [ATTACHMENT-FOLDER]\n"
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
        const QString shown = CatalogueLocation::displayName(location);
        if (!server && QFileInfo::exists(location)) {
            if (ifMissing)
                return 0;
            err << "mkcatalogue: " << location << " exists; not replaced\n";
            return 1;
        }
        const bool made = CatalogueSchema::create(location);
        if (ifMissing)
            CatalogueSchema::markPlaceholder(location);
        out << (made ? "made catalogue " : "catalogue is there already, left as it is: ") << shown << "\n";
        if (args.size() == 2) {
            const QString folder = QDir::fromNativeSeparators(args.at(1));
            out << (AttachmentMarker::mark(location, folder) ? "marked " : "marked already: ")
                << QDir::toNativeSeparators(folder) << " is the attachment folder of " << shown << "\n";
        }
    } catch (const AppError &e) {
        err << "mkcatalogue: " << e.message() << "\n";
        return 1;
    }
    return 0;
}
