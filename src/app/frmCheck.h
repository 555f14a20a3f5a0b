#pragma once

#include "store/CheckReport.h"

#include <QWidget>
#include <functional>

class CheckFindingModel;
class CheckRunner;
class QAction;
class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableView;
class QTimer;

// "检查目录": compares the catalogue in use with its attachment folder on a worker thread
// and lists each kind of finding with its count, offering the safe repair of each.
class frmCheck : public QWidget {
    Q_OBJECT
public:
    explicit frmCheck(QWidget *parent = nullptr);
    ~frmCheck() override;

    QCheckBox *chkHash;
    QPushButton *cmdStart;
    QPushButton *cmdCancel;
    QProgressBar *prgCheck;
    QLabel *lblStatus;
    QTabWidget *tabFindings;
    QTableView *lvwMissing;
    QTableView *lvwOrphans;
    QTableView *lvwLeftovers;
    QTableView *lvwChanged;
    QTableView *lvwUnhashed;
    QTableView *lvwUnsafe;
    QPushButton *cmdBinMissing;
    QPushButton *cmdPointMissing;
    QPushButton *cmdBinOrphans;
    QPushButton *cmdRemoveLeftovers;
    QPushButton *cmdAcceptChanged;
    QPushButton *cmdFillHashes;
    QPushButton *cmdBinUnsafe;
    QPushButton *cmdDropBinMissing;
    QPushButton *cmdAdoptBinStrays;
    QPushButton *cmdPointUnsafe;
    QPushButton *cmdClose;

    void cmdStart_Click();
    void cmdCancel_Click();
    bool running() const;
    const CheckReport &report() const { return report_; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    struct Page {
        QTableView *view = nullptr;
        CheckFindingModel *model = nullptr;
        QList<QAction *> actions;
    };

    QTableView *addPage(CheckReport::Kind kind, const QString &note, const QStringList &headers);
    QPushButton *addRepair(CheckReport::Kind kind, const char *name, const QString &caption,
                           const std::function<void()> &handler);
    void finished();
    void showProgress();
    void fill(CheckReport::Kind kind);
    // The rows a repair acts on: the selected ones, or all of them.
    std::vector<int> chosen(CheckReport::Kind kind, bool *all) const;
    // The kind's repair over the chosen rows, asked first and shown with progress.
    void repair(CheckReport::Kind kind);
    void pointRecord(CheckReport::Kind kind);

    Page pages_[CheckReport::KindCount];
    CheckReport report_;
    CheckRunner *runner_;
    QTimer *timer_;
};
