#pragma once

#include <QHash>
#include <QIcon>
#include <QWidget>

class QComboBox;
class FolderTreeModel;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTreeView;

// The import window: pick files of one kind on the left, collect them on the right,
// import them with the start button.
class frmFile : public QWidget {
    Q_OBJECT
public:
    explicit frmFile(QWidget *parent = nullptr);

    QLineEdit *txtPath; // the folder shown in File1; Enter goes to a typed folder
    QComboBox *Drive1;
    QTreeView *Dir1;
    QListWidget *File1;
    QLabel *lblRight;
    QLabel *lblLeft;
    QListWidget *lvw;
    QHash<QString, QIcon> imageList; // small icons by full path; never shrinks
    QPushButton *cmdStart;
    QPushButton *cmdCancel;

    bool AddFileToList(const QString &path);
    // Shows the files of `folder` that match the filter.
    void setFolder(const QString &folder);
    int kind() const { return kind_; }
    // Keys of the chosen-file list, in list order.
    QStringList chosenFiles() const;

    void Drive1_Change();
    void txtPath_Enter();
    void File1_Click(const QString &fileName);
    void lblRight_Click();
    void lblLeft_Click();
    void lvw_DblClick();
    void cmdStart_Click();
    void cmdCancel_Click();
    void addDropped(const QList<QUrl> &urls);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString pathOf(const QString &fileName) const;
    QStringList patterns() const;
    // Says which files of a listing were skipped; while loading, once the window shows.
    void reportSkipped(const QStringList &names);

    FolderTreeModel *dirModel_;
    QHash<QString, QListWidgetItem *> keys_;
    QString folder_;
    QString filter_;
    int kind_ = 0;
    bool fitted_ = false;
    bool loading_ = true;
    QStringList pendingSkipped_;
};
