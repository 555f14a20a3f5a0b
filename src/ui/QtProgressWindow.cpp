#include "ui/QtProgressWindow.h"

#include "store/Services.h"
#include "ui/QtDialogs.h"

#include <QApplication>
#include <QProgressDialog>

QtProgressWindow::QtProgressWindow(const QString &objectName, const QString &text, int maximum)
    : dialog_(std::make_unique<QProgressDialog>(QtDialogs::owner()))
{
    dialog_->setObjectName(objectName);
    dialog_->setWindowTitle(AppTitle());
    dialog_->setLabelText(text);
    dialog_->setCancelButtonText(QStringLiteral("取消"));
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->setMinimumDuration(0);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setRange(0, maximum);
    dialog_->show();
}

QtProgressWindow::~QtProgressWindow() = default;

bool QtProgressWindow::step(const QString &text, int value)
{
    dialog_->setLabelText(text);
    dialog_->setValue(value);
    QCoreApplication::processEvents();
    return !dialog_->wasCanceled();
}

std::unique_ptr<ProgressWindow> QtProgressWindow::make(const QString &objectName, const QString &text, int maximum)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return nullptr;
    return std::make_unique<QtProgressWindow>(objectName, text, maximum);
}
