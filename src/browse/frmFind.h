#pragma once

#include "store/RecordSearch.h"

#include <QWidget>
#include <optional>

class CatalogueFollower;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class RecordList;

// Finds records by file name, category, description or date, optionally of one kind.
class frmFind : public QWidget {
    Q_OBJECT
public:
    explicit frmFind(QWidget *parent = nullptr);

    QList<QLabel *> lbl; // index 0 "查找的内容", 1 "含有", 2 "类型"
    QComboBox *ComCondition;
    QLineEdit *txtContent;
    QLabel *Label1;
    QDateEdit *DTPicker1;
    QLabel *Label2;
    QDateEdit *DTPicker2;
    QComboBox *ComKid;
    QPushButton *cmdFind;
    QPushButton *Command1;
    QPushButton *cmdCancel;
    QTableView *lvw;
    QMenu *mnuBar;
    RecordList *records;

    void ComCondition_Change();
    void cmdFind_Click();
    void Command1_Click();
    // The search for the current inputs; none for a condition that is none of the four.
    std::optional<RecordSearch> search() const;
    // The kind chosen; 0 for every kind.
    int kind() const;

    static const QStringList &conditions();
    static const QStringList &kindNames();

    // Lists again what the list shows, as the catalogue holds it now.
    void Refresh();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void list(const RecordSearch &search, bool keepPlace);

    std::optional<RecordSearch> listed_; // the search that filled the list
    CatalogueFollower *follower_;
};
