#pragma once

#include "store/RecycleBin.h"

#include <QWidget>

class CatalogueFollower;
class QLabel;
class QPushButton;
class QTableWidget;

// The recycle bin: records deleted from the lists wait here with their copies until the
// user restores them or empties the bin.
class frmRecycleBin : public QWidget {
    Q_OBJECT
public:
    explicit frmRecycleBin(QWidget *parent = nullptr);

    QLabel *lblNote;
    QTableWidget *lvw;
    QLabel *lblStatus;
    QPushButton *cmdRestore;
    QPushButton *cmdEmpty;
    QPushButton *cmdClose;

    // Lists what the bin holds now.
    void Refresh();
    // Puts the selected records back; reports any that could not be.
    void cmdRestore_Click();
    // Deletes everything listed for good, after asking.
    void cmdEmpty_Click();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QVector<RecycleBin::Entry> entries_;
    CatalogueFollower *follower_;
};
