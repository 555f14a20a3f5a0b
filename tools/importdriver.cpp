// Imports files into a catalogue without any window, answering every question with No:
//   importdriver PROGRAM-FOLDER KIND LIST-FILE
// The list holds one source path a line. Used by the concurrency and crash tests.
#include "import/ImportEngine.h"
#include "store/AppError.h"
#include "store/Dialogs.h"
#include "store/Services.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>

namespace {
class Unattended : public Dialogs {
public:
    int message(const QString &prompt, int buttons, const QString &) override
    {
        std::fprintf(stderr, "question: %s\n", qPrintable(prompt));
        return (buttons & 7) == 4 ? 7 : 1;
    }
    QString prompt(const QString &, const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &) override { return {}; }
    bool openFile(const QString &) override { return false; }
    bool startProgram(const QString &) override { return false; }
    void exitProcess(int code) override { std::_Exit(code); }
    int execModal(QDialog *) override { return 0; }
};
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: importdriver PROGRAM-FOLDER KIND LIST-FILE\n");
        return 2;
    }
    Unattended dialogs;
    setDialogs(&dialogs);
    SetAppPathOverride(QString::fromLocal8Bit(argv[1]));
    const int kind = std::atoi(argv[2]);
    QFile list(QString::fromLocal8Bit(argv[3]));
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "cannot read %s\n", argv[3]);
        return 2;
    }
    QTextStream in(&list);
    int imported = 0, failed = 0;
    while (!in.atEnd()) {
        const QString path = in.readLine();
        if (path.isEmpty())
            continue;
        try {
            if (ImportEngine::ImportFile(path, kind))
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
