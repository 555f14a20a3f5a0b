#pragma once

#include "store/ProgressWindow.h"

#include <memory>

class QProgressDialog;

// The progress window on Qt's progress dialog, modal over the dialog seam's owner.
class QtProgressWindow : public ProgressWindow {
public:
    QtProgressWindow(const QString &objectName, const QString &text, int maximum);
    ~QtProgressWindow() override;
    bool step(const QString &text, int value) override;

    // The maker to install: no window where the process has no QApplication (tools).
    static std::unique_ptr<ProgressWindow> make(const QString &objectName, const QString &text, int maximum);

private:
    std::unique_ptr<QProgressDialog> dialog_;
};
