// Makes an empty catalogue, or copies one into another:
//   mkcatalogue [--if-missing] PATH/Data.mdb
//   mkcatalogue postgresql://user@host:port/dbname [ATTACHMENT-FOLDER]
//   mkcatalogue --copy [--code-page CP] FROM TO
//   mkcatalogue --convert [--code-page CP] PATH/Data.mdb
//   mkcatalogue --read-jet FILE [--code-page CP]
// A file is never replaced (with --if-missing an existing one is left as it is, so a
// rebuild never replaces a catalogue that holds data; a file it makes is known as the
// build's, which a configured catalogue elsewhere overrides while it holds no records); on
// a server the tables are made when missing and an existing catalogue is left as it is, and
// the shared attachment folder named (which must exist) is marked as the catalogue's.
// --copy copies every row of FROM into TO (made when missing, and which must hold no
// records yet) and checks the counts; the stored copies stay where they are. FROM may be a
// Jet file of the older program: its records are read, written, read back and compared
// field by field (Jet 3 texts in GBK unless --code-page names another). --convert turns an
// older program's Jet file into a catalogue under the same name, as the program offers on
// open, and keeps the Jet file beside it. --read-jet writes the records of a Jet file to
// stdout for the program that started it (the library may crash on a damaged file, so it
// reads in a process of its own). Each says what it did.
#include "store/AppError.h"
#include "store/AttachmentMarker.h"
#include "store/CatalogueCopy.h"
#include "store/CatalogueLocation.h"
#include "store/CatalogueSchema.h"
#include "store/ConversionLock.h"
#include "store/Engine.h"
#include "store/JetConversion.h"
#include "store/JetFileReader.h"
#include "store/JetSource.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace {
#ifdef Q_OS_UNIX
pid_t g_parent = 0;

void checkParent(int)
{
    if (::getppid() != g_parent)
        ::_exit(1);
    ::alarm(1);
}
#endif

// The reader runs inside the library, which may loop on a damaged file: it must not
// outlive the program that started it, nor run without bound.
void endWithParent()
{
#ifdef Q_OS_UNIX
    g_parent = ::getppid();
#ifdef Q_OS_LINUX
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    if (::getppid() != g_parent) // the parent ended before the request took effect
        ::_exit(1);
    // Where the kernel offers no such request: checked every second.
    std::signal(SIGALRM, checkParent);
    ::alarm(1);
    // An hour of processor time reads far more than any catalogue holds.
    const rlimit cpu{3600, 3600 + 10};
    ::setrlimit(RLIMIT_CPU, &cpu);
#endif
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool ifMissing = args.removeAll(QStringLiteral("--if-missing")) > 0;
    const bool copy = args.removeAll(QStringLiteral("--copy")) > 0;
    QByteArray codePage;
    const qsizetype cp = args.indexOf(QStringLiteral("--code-page"));
    if (cp >= 0 && cp + 1 < args.size()) {
        codePage = args.at(cp + 1).toLatin1();
        args.remove(cp, 2);
    }
    if (args.size() == 2 && args.first() == QLatin1String("--read-jet")) {
        endWithParent();
        return JetFileReader::run(args.at(1), codePage, stdout);
    }
    const bool convert = args.removeAll(QStringLiteral("--convert")) > 0;
    QTextStream out(stdout);
    QTextStream err(stderr);
    const bool server = !args.isEmpty() && CatalogueLocation::isServer(args.first());
    const bool unknownOption =
        std::any_of(args.begin(), args.end(), [](const QString &a) { return a.startsWith(QLatin1String("--")); });
    if (unknownOption || (copy ? args.size() != 2 : (args.size() < 1 || args.size() > (server && !convert ? 2 : 1))) ||
        (copy && ifMissing) || (convert && (copy || ifMissing))) {
        err << "usage: mkcatalogue [--if-missing] PATH/Data.mdb\n"
               "       mkcatalogue postgresql://user@host:port/dbname [ATTACHMENT-FOLDER]\n"
               "       mkcatalogue --copy [--code-page CP] FROM TO\n"
               "       mkcatalogue --convert [--code-page CP] PATH/Data.mdb\n";
        return 2;
    }
    try {
        // A file that cannot be read is said to be so, not taken for one of another kind.
        if ((copy || convert) && !CatalogueLocation::isServer(args.at(0)) && QFileInfo(args.at(0)).isFile()) {
            QFile from(args.at(0));
            if (!from.open(QIODevice::ReadOnly))
                throw AppError(QStringLiteral("无法读取文件 %1: %2").arg(args.at(0), from.errorString()));
        }
        if (copy && JetSource::looksLikeJet(args.at(0))) {
            const JetConversion::Result r = JetConversion::into(args.at(0), args.at(1), codePage);
            out << JetConversion::report(r, args.at(1)) << "\n";
            return 0;
        }
        if (convert) {
            const QString path = QFileInfo(args.at(0)).absoluteFilePath();
            const ConversionLock lock(path);
            if (!JetSource::looksLikeJet(path))
                throw AppError(QStringLiteral("%1 不是旧版程序的 Jet 数据库, 未作任何更改").arg(args.at(0)));
            const JetConversion::Result r =
                JetConversion::inPlace(path, QFileInfo(path).absolutePath() + QStringLiteral("/Attachment/"), codePage);
            out << JetConversion::report(r, path) << "\n";
            return 0;
        }
        if (copy) {
            const CatalogueCopy::Counts counts = CatalogueCopy::run(args.at(0), args.at(1));
            out << "copied " << counts.records << " records, " << counts.binned << " binned records and " << counts.hashes
                << " content hashes to " << CatalogueLocation::displayName(args.at(1)) << "\n";
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
