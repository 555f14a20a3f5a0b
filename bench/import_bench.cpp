// Imports many small files and one large file through the import engine into a fresh
// catalogue, as the import window's run does (rows committed in short groups), and copies
// the same files with cp followed by sync in the same run.
//   import_bench [small-files=2000] [small-KiB=64] [large-MiB=1024] [SERVER-ADDRESS]
// With a "postgresql://" address (of an empty database) the catalogue is made there.
#include "BenchUtil.h"

#include "import/ImportBatch.h"
#include "import/ImportEngine.h"
#include "import/ImportRun.h"
#include "store/AttachmentMarker.h"
#include "store/CatalogueSchema.h"
#include "store/DatabaseLocator.h"
#include "store/IniFile.h"
#include "store/Services.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {
// Bytes that never repeat, as in real pictures and videos (a block written again and
// again is not what the program meets, and some kernels copy it at another speed).
void writeFile(const QString &path, qint64 bytes, quint32 seed)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray block(1 << 20, Qt::Uninitialized);
    quint64 x = seed * 2654435761u + 1;
    for (qint64 left = bytes; left > 0; left -= block.size()) {
        auto *words = reinterpret_cast<quint64 *>(block.data());
        for (size_t i = 0; i < size_t(block.size()) / sizeof(quint64); ++i) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            words[i] = x;
        }
        f.write(block.constData(), qMin<qint64>(left, block.size()));
    }
}
} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int smallCount = argc > 1 ? atoi(argv[1]) : 2000;
    const qint64 smallBytes = (argc > 2 ? atoll(argv[2]) : 64) * 1024;
    const qint64 largeBytes = (argc > 3 ? atoll(argv[3]) : 1024) * 1024 * 1024;

    QTemporaryDir work(QDir::current().filePath(QStringLiteral("import-bench-XXXXXX")));
    const QString src = work.filePath(QStringLiteral("src/photos"));
    const QString large = work.filePath(QStringLiteral("src/large/video.avi"));
    QDir().mkpath(src);
    QDir().mkpath(work.filePath(QStringLiteral("src/large")));
    for (int i = 0; i < smallCount; ++i)
        writeFile(src + QStringLiteral("/img%1.jpg").arg(i), smallBytes, quint32(i));
    writeFile(large, largeBytes, 7);
    bench::timeShell(QStringLiteral("sync"));

    const QString program = work.filePath(QStringLiteral("program"));
    QDir().mkpath(program);
    SetAppPathOverride(program);
    const QString server = argc > 4 ? QString::fromLocal8Bit(argv[4]) : QString();
    if (server.isEmpty()) {
        CatalogueSchema::create(program + QStringLiteral("/Data.mdb"));
    } else {
        CatalogueSchema::create(server);
        WriteIni(QStringLiteral("DataBaseFilePath"), server);
        // The program never makes a missing attachment folder of a shared catalogue itself.
        QDir().mkpath(program + QStringLiteral("/Attachment"));
        WriteIni(QStringLiteral("AttachmentPath"), program + QStringLiteral("/Attachment"));
        // Marked as mkcatalogue marks it, so that the first import asks nothing.
        AttachmentMarker::mark(server, program + QStringLiteral("/Attachment"));
    }
    LocateDataBase();
    const char *engine = server.isEmpty() ? "" : " (server)";

    std::printf("import: %d files of %lld KiB, one file of %lld MiB\n", smallCount, smallBytes / 1024, largeBytes >> 20);
    bench::header();

    const double cpSmall =
        bench::timeShell(QStringLiteral("mkdir -p '%1/cp1' && cp '%2'/* '%1/cp1/' && sync").arg(work.path(), src));
    QElapsedTimer t;
    t.start();
    {
        ImportBatch batch(ImportRun::kGroupMs);
        ImportEngine::Options options;
        options.batch = &batch;
        for (int i = 0; i < smallCount; ++i) {
            ImportEngine::Import(src + QStringLiteral("/img%1.jpg").arg(i), 3, options);
            batch.flushIfDue();
        }
        batch.flush();
    }
    const double importSmall = bench::seconds(t);
    const double rssAfterSmall = bench::peakMiB();
    bench::row(
        qPrintable(
            QStringLiteral("import %1 files of %2 KiB%3").arg(smallCount).arg(smallBytes / 1024).arg(QLatin1String(engine))),
        importSmall, cpSmall, "cp + sync");

    const double cpLarge =
        bench::timeShell(QStringLiteral("mkdir -p '%1/cp2' && cp '%2' '%1/cp2/' && sync").arg(work.path(), large));
    t.restart();
    ImportEngine::ImportFile(large, 4);
    const double importLarge = bench::seconds(t);
    bench::row(qPrintable(QStringLiteral("import one file of %1 MiB%2").arg(largeBytes >> 20).arg(QLatin1String(engine))),
               importLarge, cpLarge, "cp + sync");
    std::printf("peak memory: %.1f MiB after the small files, %.1f MiB after the large file\n", rssAfterSmall,
                bench::peakMiB());
    return 0;
}
