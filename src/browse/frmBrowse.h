#pragma once

#include <QWidget>

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QTableView;
class RecordList;

// The categories and records of one file kind.
class frmBrowse : public QWidget {
    Q_OBJECT
public:
    explicit frmBrowse(QWidget *parent = nullptr);

    QLabel *lbl;
    QListWidget *List;
    QTableView *lvw;
    QMenu *t;
    QAction *tRename;
    QAction *tDelete;
    QMenu *mnuBar;
    RecordList *records;

    int kind() const; // from the tag of lvw
    void FillCategories();
    void List_Click();
    void RenameCategory();
    void DeleteCategory();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The key of the chosen category; empty for none and for "全部类别".
    QString selectedKey() const;
};
