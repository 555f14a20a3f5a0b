#pragma once

#include <QList>
#include <QUrl>
#include <QWidget>
#include <optional>

class CatalogueFollower;
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
    // The categories and the records of the category listed, as the catalogue holds them now.
    void Refresh();
    // Files dropped from another program: imported as this window's kind, those the filter
    // takes ("*.*" until set, as for folders).
    void importDropped(const QList<QUrl> &urls);
    void setDropFilter(const QString &filter) { filter_ = filter; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The key of the chosen category; empty for none and for "全部类别".
    QString selectedKey() const;
    void listRecords(const QString &key, bool keepPlace);

    // The category whose records are listed: its key, and whether it is "全部类别" (a
    // category may be called "*" too).
    struct Listed {
        QString key;
        bool all;
    };
    std::optional<Listed> listed_;
    QString filter_ = QStringLiteral("*.*");
    CatalogueFollower *follower_;
};
