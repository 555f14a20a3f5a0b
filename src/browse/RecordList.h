#pragma once

#include "browse/RecordListModel.h"

#include <QObject>
#include <functional>
#include <optional>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QTableView;
class QWidget;
class Recordset;
class RecordListViews;
class RecordQuery;

// The record list shared by the browse and search windows: the view `lvw`, its model,
// the pop-up menu `mnuBar` and its commands. The owner supplies its refresh.
class RecordList : public QObject {
    Q_OBJECT
public:
    struct Options {
        bool searchWindow = false; // adds "播放" and the message after a delete
        std::function<void()> refresh;
    };

    RecordList(QWidget *owner, Options options);

    QTableView *lvw;
    QMenu *mnuBar;
    QAction *mnuFileOpen;
    QAction *mnuPlay = nullptr;
    QAction *mnuFileSave;
    QAction *mnuEdit;
    QAction *mnuDel;
    QLabel *lblStatus; // how many records are listed
    // Places the status line (and the view switch) where the owner's layout leaves room.
    void placeStatus();
    RecordListViews *views; // details or thumbnails

    RecordListModel *model() const { return model_; }

    // Empties the list and adds every row of the result; a row that fails is skipped. With
    // `keepPlace` the rows selected before stay selected and the list stays where it was
    // scrolled to (listing the same records again).
    void fill(Recordset &rs, bool keepPlace = false);
    // The same for a query the list reads itself, in steps behind the first screen.
    void fill(const RecordQuery &query, bool keepPlace = false);
    bool AddRecordRow(const QString &path, const QString &fileName, const QString &category, const QString &description,
                      const QString &date);
    void selectRow(int row);
    // The row the commands act on: the current row when selected, else the first selected.
    int selectedRow() const;
    QList<int> selectedRows() const;
    // The pop-up menu under the selected row (keyboard) or at `globalPos` (mouse).
    void showMenu(const QPoint &globalPos);
    void showMenuAtSelection();

    void FileOpen();
    void FileSave();
    void Edit();
    void Delete();
    void Play();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void run(void (RecordList::*command)());
    void updateStatus();
    // Where the user was in the list, to find again after it was read anew.
    struct Place {
        std::vector<qint64> selected; // addresses
        // The copies' paths too, of the first selected rows, for rows found again only by
        // them: held ones, and those another program changed (a new address on some engines).
        QStringList selectedKeys;
        qint64 current = -1;
        QString currentKey;
        int scrolled = 0;
    };
    Place place() const;
    void reselect(const Place &place);
    // The selected row when its copy may be touched; with a message, also only when the
    // copy is there (the message tells the user otherwise).
    std::optional<RecordRow> copyOfSelected(const QString &missingMessage) const;

    // In the grid the last column stretches to the header's end, short of the record count
    // when the count sits in the header row.
    void stretchHeader(int reserve);

    QWidget *owner_;
    Options options_;
    RecordListModel *model_;
    QMetaObject::Connection reselecting_;
    int detailsWidth_ = -1; // the last column's width in the details list, kept while the grid shows
};
