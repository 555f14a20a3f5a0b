// Works on a catalogue without any window, as a second program would:
//   importdriver [--answer-yes-when FILE] PROGRAM-FOLDER KIND LIST-FILE
//       imports the files of the list (one source path a line); every question is answered
//       No, or Yes once FILE exists (the driver waits for it, so a test can act while a
//       question is open);
//   importdriver --lock PROGRAM-FOLDER read|write HOLD-MS GAP-MS TOTAL-MS
//       takes the catalogue's read (or write) lock for HOLD-MS, lets go for GAP-MS, and so on
//       for TOTAL-MS.
// With MC_IMPORT_CLOCK=yyyy-MM-ddTHH:mm:ss the imports take that moment for their stored
// names, so a test can have two programs import in the same second.
// Used by the concurrency, crash and engine tests.
#include "import/ImportEngine.h"
#include "store/AppError.h"
#include "store/Dialogs.h"
#include "store/Engine.h"
#include "store/RowTable.h"
#include "store/Services.h"
#include "store/clsCurrentDb.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <QThread>
#include <cstdio>
#include <cstdlib>

namespace {
class Unattended : public Dialogs {
public:
    QString yesWhen;
    int message(const QString &prompt, int buttons, const QString &) override
    {
        std::fprintf(stderr, "question: %s\n", qPrintable(prompt));
        std::fflush(stderr);
        if ((buttons & 7) != 4)
            return 1;
        if (yesWhen.isEmpty())
            return 7;
        while (!QFile::exists(yesWhen))
            QThread::msleep(10);
        return 6;
    }
    QString prompt(const QString &, const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &) override { return {}; }
    bool openFile(const QString &) override { return false; }
    bool startProgram(const QString &) override { return false; }
    void exitProcess(int code) override { std::_Exit(code); }
    int execModal(QDialog *) override { return 0; }
};

int holdLocks(bool write, int holdMs, int gapMs, int totalMs)
{
    std::shared_ptr<Engine> engine = CurrentDb().engine();
    const bool server = engine->dialect() == Engine::Dialect::Postgres;
    QElapsedTimer total;
    total.start();
    int pulses = 0;
    while (total.elapsed() < totalMs) {
        // The file engine's read lock lasts while a read transaction has read; on the
        // server reads never block writers, so a share lock on the table stands in.
        if (server) {
            engine->execute(QStringLiteral("BEGIN"));
            engine->execute(write ? QStringLiteral("LOCK TABLE tblAttachment IN EXCLUSIVE MODE")
                                  : QStringLiteral("LOCK TABLE tblAttachment IN SHARE MODE"));
        } else {
            engine->execute(write ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
            RowTable rows;
            engine->execute(QStringLiteral("SELECT COUNT(*) FROM tblAttachment"), {}, &rows);
        }
        std::printf("locked\n");
        std::fflush(stdout);
        QThread::msleep(holdMs);
        engine->execute(QStringLiteral("COMMIT"));
        ++pulses;
        QThread::msleep(gapMs);
    }
    std::printf("pulses %d\n", pulses);
    return 0;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    Unattended dialogs;
    setDialogs(&dialogs);
    try {
        if (args.size() == 6 && args[0] == QLatin1String("--lock")) {
            SetAppPathOverride(args[1]);
            return holdLocks(args[2] == QLatin1String("write"), args[3].toInt(), args[4].toInt(), args[5].toInt());
        }
        if (args.size() == 5 && args[0] == QLatin1String("--answer-yes-when")) {
            dialogs.yesWhen = args[1];
            args = args.mid(2);
        }
    } catch (const AppError &e) {
        std::fprintf(stderr, "failed: %s\n", qPrintable(e.message()));
        return 1;
    }
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: importdriver [--answer-yes-when FILE] PROGRAM-FOLDER KIND LIST-FILE\n"
                             "       importdriver --lock PROGRAM-FOLDER read|write HOLD-MS GAP-MS TOTAL-MS\n");
        return 2;
    }
    SetAppPathOverride(args[0]);
    const int kind = args[1].toInt();
    QFile list(args[2]);
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(args[2]));
        return 2;
    }
    QTextStream in(&list);
    int imported = 0, failed = 0;
    while (!in.atEnd()) {
        const QString path = in.readLine();
        if (path.isEmpty())
            continue;
        try {
            const QDateTime clock = QDateTime::fromString(qEnvironmentVariable("MC_IMPORT_CLOCK"), Qt::ISODate);
            if (ImportEngine::ImportFile(path, kind, clock.isValid() ? clock : QDateTime::currentDateTime()))
                ++imported;
            else
                ++failed;
        } catch (const AppError &e) {
            ++failed;
            std::fprintf(stderr, "failed: %s: %s\n", qPrintable(path), qPrintable(e.message()));
        }
        std::printf("%d\n", imported);
        std::fflush(stdout);
    }
    std::printf("imported %d failed %d\n", imported, failed);
    return failed == 0 ? 0 : 1;
}
