#include "ui/QtDialogs.h"

#include "store/CatalogueLocation.h"
#include "store/DialogOwner.h"
#include "ui/FileDialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdlib>

namespace {
struct ButtonCode {
    QMessageBox::StandardButton button;
    int code;
};

// Room beside the title for the window manager's icon and buttons.
constexpr int kTitleBarExtras = 160;

// The answer of a message shown in a window of its own, its text in a scrolling field.
int scrolling(QWidget *owner, const QString &prompt, const QString &title, QMessageBox::Icon icon,
              const QVector<ButtonCode> &set, int defaultIndex, int escapeCode, const QRect &screen)
{
    QDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("longMessage"));
    dialog.setWindowTitle(title);
    auto *layout = new QVBoxLayout(&dialog);
    auto *row = new QHBoxLayout;
    if (icon != QMessageBox::NoIcon) {
        auto *picture = new QLabel(&dialog);
        // The picture a message box of this kind shows, from the style as the box takes it.
        const QStyle::StandardPixmap kind = icon == QMessageBox::Information ? QStyle::SP_MessageBoxInformation
                                            : icon == QMessageBox::Warning   ? QStyle::SP_MessageBoxWarning
                                            : icon == QMessageBox::Critical  ? QStyle::SP_MessageBoxCritical
                                                                             : QStyle::SP_MessageBoxQuestion;
        const int size = dialog.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &dialog);
        picture->setPixmap(dialog.style()->standardIcon(kind, nullptr, &dialog).pixmap(size, size));
        row->addWidget(picture, 0, Qt::AlignTop);
    }
    auto *text = new QPlainTextEdit(prompt, &dialog);
    text->setObjectName(QStringLiteral("messageText"));
    text->setReadOnly(true);
    row->addWidget(text, 1);
    layout->addLayout(row);
    auto *buttons = new QDialogButtonBox(&dialog);
    int answer = -1;
    for (qsizetype i = 0; i < set.size(); ++i) {
        QPushButton *b = buttons->addButton(QDialogButtonBox::StandardButton(int(set.at(i).button)));
        const int code = set.at(i).code;
        QObject::connect(b, &QPushButton::clicked, &dialog, [&dialog, &answer, code] {
            answer = code;
            dialog.accept();
        });
        if (i == defaultIndex) {
            b->setDefault(true);
            b->setFocus();
        }
    }
    layout->addWidget(buttons);
    dialog.resize(qMin(screen.width() * 3 / 4, 900), screen.height() * 3 / 4);
    dialog.exec();
    return answer >= 0 ? answer : escapeCode;
}
} // namespace

QWidget *QtDialogs::owner()
{
    QWidget *owner = qobject_cast<QWidget *>(DialogOwner::current());
    // An owning dialog not shown yet (a progress dialog waiting out its delay) is shown
    // now: it would otherwise come up over the question a moment later.
    if (auto *dialog = qobject_cast<QDialog *>(owner); dialog && !dialog->isVisible())
        dialog->show();
    // A window still loading lends its place to the nearest shown window it belongs to.
    for (QWidget *w = owner; w; w = w->parentWidget())
        if (w->isVisible())
            return w;
    return QApplication::activeModalWidget() ? QApplication::activeModalWidget() : QApplication::activeWindow();
}

int QtDialogs::message(const QString &prompt, int buttons, const QString &title)
{
    QMessageBox box(owner());
    box.setWindowTitle(title);
    box.setText(prompt);
    switch (buttons & 0x70) {
    case 16: box.setIcon(QMessageBox::Critical); break;
    case 32: box.setIcon(QMessageBox::Question); break;
    case 48: box.setIcon(QMessageBox::Warning); break;
    case 64:
    case 112: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    QVector<ButtonCode> set;
    switch (buttons & 7) {
    case 1: set = {{QMessageBox::Ok, 1}, {QMessageBox::Cancel, 2}}; break;
    case 2: set = {{QMessageBox::Abort, 3}, {QMessageBox::Retry, 4}, {QMessageBox::Ignore, 5}}; break;
    case 3: set = {{QMessageBox::Yes, 6}, {QMessageBox::No, 7}, {QMessageBox::Cancel, 2}}; break;
    case 4: set = {{QMessageBox::Yes, 6}, {QMessageBox::No, 7}}; break;
    case 5: set = {{QMessageBox::Retry, 4}, {QMessageBox::Cancel, 2}}; break;
    default: set = {{QMessageBox::Ok, 1}}; break;
    }
    // A message taller than the screen (a long list of failures) scrolls, its buttons in reach.
    const QRect screen = (box.screen() ? box.screen() : QGuiApplication::primaryScreen())->availableGeometry();
    const QRect needed = box.fontMetrics().boundingRect(QRect(0, 0, screen.width() / 2, 0), Qt::TextWordWrap, prompt);
    if (needed.height() > screen.height() / 2)
        return scrolling(owner(), prompt, title, box.icon(), set, (buttons & 256) && set.size() > 1 ? 1 : 0,
                         (buttons & 7) == 4 ? 7 : ((buttons & 7) == 0 ? 1 : 2), screen);
    for (const auto &b : set)
        box.addButton(b.button);
    box.setDefaultButton(set.value((buttons & 256) && set.size() > 1 ? 1 : 0).button);
    // A short message would make the box so narrow that its title is cut to "文…".
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(new QSpacerItem(box.fontMetrics().horizontalAdvance(title) + kTitleBarExtras, 0, QSizePolicy::Minimum,
                                      QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    const auto pressed = QMessageBox::StandardButton(box.exec());
    for (const auto &b : set)
        if (b.button == pressed)
            return b.code;
    // Closed with Escape or the close box: the cancelling button of the set.
    return (buttons & 7) == 4 ? 7 : ((buttons & 7) == 0 ? 1 : 2);
}

QString QtDialogs::prompt(const QString &prompt, const QString &title, const QString &defaultAnswer)
{
    QInputDialog dialog(owner());
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setInputMode(QInputDialog::TextInput);
    // A server address is masked while what is typed may hold a password.
    auto mask = [&dialog](const QString &text) {
        const QLineEdit::EchoMode mode = CatalogueLocation::mayHoldPassword(text) ? QLineEdit::Password : QLineEdit::Normal;
        if (dialog.textEchoMode() != mode)
            dialog.setTextEchoMode(mode);
    };
    mask(defaultAnswer);
    dialog.setTextValue(defaultAnswer);
    QObject::connect(&dialog, &QInputDialog::textValueChanged, &dialog, mask);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

bool QtDialogs::wait(const QString &text, const std::function<bool()> &finished)
{
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread())
        return Dialogs::wait(text, finished);
    if (finished())
        return true;
    QProgressDialog progress(owner());
    progress.setObjectName(QStringLiteral("waitProgress"));
    progress.setWindowTitle(QStringLiteral("文件系统-"));
    progress.setLabelText(text);
    progress.setCancelButtonText(QStringLiteral("取消"));
    progress.setRange(0, 0);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.hide();
    // A quick answer shows no window at all.
    QTimer showLater;
    showLater.setSingleShot(true);
    QObject::connect(&showLater, &QTimer::timeout, &progress, [&progress] { progress.show(); });
    showLater.start(300);
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (finished() || progress.wasCanceled())
            loop.quit();
    });
    poll.start(20);
    loop.exec();
    return finished() && !progress.wasCanceled();
}

QString QtDialogs::saveFileName(const QString &suggestedName)
{
    QFileDialog dialog(owner());
    dialog.setObjectName(QStringLiteral("dlgSaveAs"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    FileDialogs::prepare(dialog);
    // The catalogue asks its own overwrite question, so the dialog does not.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(suggestedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString chosen = dialog.selectedFiles().constFirst();
    FileDialogs::remember(chosen);
    return chosen;
}

namespace {
// False when the desktop names no program for the file's type or any type it is a kind of.
// openUrl cannot tell: it succeeds as soon as xdg-open starts, which then fails on its own.
bool desktopCanOpen(const QString &path)
{
    const QString query = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (query.isEmpty())
        return true; // nothing to ask: let the desktop try
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    QStringList types = {type.name()};
    types += type.allAncestors();
    for (const QString &name : std::as_const(types)) {
        QProcess p;
        p.start(query, {QStringLiteral("query"), QStringLiteral("default"), name});
        if (!p.waitForFinished(3000))
            return true;
        if (!p.readAllStandardOutput().trimmed().isEmpty())
            return true;
    }
    return false;
}
} // namespace

bool QtDialogs::openFile(const QString &path)
{
    // A web address or mail link opens as such; anything else is a file (a drive letter
    // is no scheme).
    const QUrl url(path);
    if (url.scheme().size() > 1)
        return QDesktopServices::openUrl(url);
    return desktopCanOpen(path) && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool QtDialogs::startProgram(const QString &path)
{
    return QProcess::startDetached(path, {});
}

void QtDialogs::exitProcess(int code)
{
    std::_Exit(code);
}

int QtDialogs::execModal(QDialog *dialog)
{
    return dialog->exec();
}
