#include "store/Dialogs.h"

#include <QThread>

#include <cstdio>
#include <cstdlib>

namespace {
// Tools built on the catalogue alone have no windows: a message is written out, and every
// question gets the answer that changes nothing.
class HeadlessDialogs : public Dialogs {
public:
    int message(const QString &prompt, int buttons, const QString &title) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(prompt));
        switch (buttons & 7) {
        case 0: return 1;  // OK
        case 2: return 3;  // Abort
        case 4: return 7;  // No
        default: return 2; // Cancel
        }
    }
    QString prompt(const QString &, const QString &, const QString &) override { return QString(); }
    QString saveFileName(const QString &) override { return QString(); }
    bool openFile(const QString &) override { return false; }
    bool startProgram(const QString &) override { return false; }
    void exitProcess(int code) override { std::exit(code); }
    int execModal(QDialog *) override { return 0; }
};

Dialogs *g_current = nullptr;
Dialogs *g_real = nullptr;
} // namespace

Dialogs &dialogs()
{
    static HeadlessDialogs headless;
    if (g_current)
        return *g_current;
    return g_real ? *g_real : headless;
}

void setDialogs(Dialogs *replacement)
{
    g_current = replacement;
}

void setRealDialogs(Dialogs *real)
{
    g_real = real;
}

bool Dialogs::wait(const QString &, const std::function<bool()> &finished)
{
    while (!finished())
        QThread::msleep(10);
    return true;
}
