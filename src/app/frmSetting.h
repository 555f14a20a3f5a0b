#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

// Edits the five extension filters of the configuration file.
class frmSetting : public QWidget {
    Q_OBJECT
public:
    explicit frmSetting(QWidget *parent = nullptr);

    QLineEdit *txtText;
    QLineEdit *txtImage;
    QLineEdit *txtMedia;
    QLineEdit *txtSound;
    QLineEdit *txtOffice;
    QList<QLabel *> lbl;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;
    QPushButton *cmdReset;

    void cmdOK_Click();
    void cmdReset_Click();

private:
    QList<QLineEdit *> boxes() const;
    void showDefaults();
};
