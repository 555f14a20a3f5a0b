#pragma once

#include "store/RecordEdit.h"

#include <QDialog>

class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Edits one row of the catalogue, selected by strWhere; empty strWhere is add mode.
class frmtblAttachmentEdit : public QDialog {
    Q_OBJECT
public:
    explicit frmtblAttachmentEdit(QWidget *parent = nullptr);

    QString strWhere;

    QLineEdit *Text3;
    QLineEdit *Text4;
    QDateTimeEdit *Text2;
    QPlainTextEdit *Text1;
    QLineEdit *Text7;
    QLineEdit *Text6;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label4;
    QLabel *Label6;
    QLabel *Label7;
    QLabel *lblNote;
    QPushButton *cmdSave;
    QPushButton *cmdDelData;
    QPushButton *cmdClose;

    // Loads the row; throws on an engine error. Runs by itself when the window is shown;
    // an opener that calls it first is not served twice.
    void Form_Activate();
    bool isChkValuse();
    void cmdSave_Click();
    void cmdDelData_Click();
    // Date text as stored; empty when the picker shows no date.
    QString dateText() const;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    bool activated_ = false;
    bool loaded_ = false;
    QStringList loadedRow_;     // the row as read, field by field, untrimmed
    RecordEdit::Values values_; // as checked, ready to be written
    QString loadedDate_;        // as read, written back unchanged unless the picker was changed
    bool dateEdited_ = false;
};
