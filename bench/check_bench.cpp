// Checks a catalogue of many records and copies in the real check window on the offscreen
// platform, from the click on "开始检查" to the listed findings, against listing the
// attachment folder and the stored names with the command-line tools in the same run.
//   check_bench [records]            (default: 100000)
#include "BenchCatalogue.h"
#include "BenchUtil.h"

#include "app/frmCheck.h"
#include "store/CheckSnapshot.h"
#include "store/Services.h"
#include "store/clsCurrentDb.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// `rows` records; every copy but the last 100 is there, plus 100 copies without a record.
void populate(const QString &folder, int rows)
{
    bench::populateCatalogue(folder + QStringLiteral("/Data.mdb"), rows);
    const QString attachments = folder + QStringLiteral("/Attachment/");
    QDir().mkpath(attachments);
    const QByteArray bytes(1024, 'x');
    const struct timespec old[2] = {{0, UTIME_OMIT}, {1262347200, 0}}; // 2010: well past the hour
    for (int i = 0; i < rows; ++i) {
        const QString name = i < rows - 100 ? bench::storedName(i) : QStringLiteral("stray%1.jpg").arg(i);
        const int fd = ::open(QFile::encodeName(attachments + name).constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        if (fd < 0)
            qFatal("cannot write %s", qPrintable(attachments + name));
        if (::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size())
            qFatal("short write");
        ::futimens(fd, old);
        ::close(fd);
    }
}

double runCheck(frmCheck &window, bool hashing)
{
    window.chkHash->setChecked(hashing);
    QElapsedTimer t;
    t.start();
    window.cmdStart->click();
    while (window.running()) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    QApplication::processEvents(); // the findings are listed and painted
    return bench::seconds(t);
}
} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? atoi(argv[1]) : 100000;

    QTemporaryDir work(QDir::current().filePath(QStringLiteral("check-bench-XXXXXX")));
    populate(work.path(), rows);
    SetAppPathOverride(work.path());
    const QString attachments = work.filePath(QStringLiteral("Attachment"));
    const QString db = work.filePath(QStringLiteral("Data.mdb"));

    bench::header();
    // Warm both caches first, as the check itself would find them on a second run.
    bench::timeShell(QStringLiteral("find '%1' -type f | wc -l > /dev/null").arg(attachments));
    const double list = bench::timeShell(QStringLiteral("find '%1' -type f | wc -l > /dev/null && sqlite3 "
                                                        "'%2' 'select SaveFileName from tblAttachment' | "
                                                        "wc -l > /dev/null")
                                             .arg(attachments, db));
    frmCheck window;
    window.resize(980, 600);
    window.show();
    runCheck(window, false);
    const double check = runCheck(window, false);
    if (window.report().missing.size() != 100 || window.report().orphans.size() != 100)
        qFatal("unexpected findings: %zu missing, %zu orphans", window.report().missing.size(),
               window.report().orphans.size());
    QElapsedTimer read;
    read.start();
    CheckSnapshot::read(false);
    std::fprintf(stderr, "  (the records read on the interface thread, before and after the scan: %.3f s each)\n",
                 bench::seconds(read));
    const QByteArray label = QStringLiteral("check %1 records and copies").arg(rows).toUtf8();
    bench::row(label.constData(), check, list, "find + sqlite3 names");

    const double cat = bench::timeShell(
        QStringLiteral("find '%1' -type f -print0 | xargs -0 cat | sha256sum > /dev/null").arg(attachments));
    const double hashed = runCheck(window, true);
    const QByteArray hashLabel = QStringLiteral("check %1 with SHA-256 of 1 KiB copies").arg(rows).toUtf8();
    bench::row(hashLabel.constData(), hashed, cat, "find | cat | sha256sum");
    clsCurrentDb::release();
    return 0;
}
