#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// Title, version and notice, and the platform's system-information tool.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);

    QLabel *lblTitle;
    QLabel *lblVersion;
    QLabel *lblDisclaimer;
    QPushButton *cmdOK;
    QPushButton *cmdSysInfo;

    static void StartSysInfo();
    static QString disclaimer();
};
