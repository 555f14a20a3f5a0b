#pragma once

#include "browse/RecordListModel.h"

#include <QObject>
#include <functional>

class QAction;
class QMenu;
class QTableView;
class QWidget;
class Recordset;
class RecordListViews;

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
    RecordListViews *views; // details or thumbnails

    RecordListModel *model() const { return model_; }

    // Empties the list and adds every row of the result; a row that fails is skipped.
    void fill(Recordset &rs);
    bool AddRecordRow(const QString &path, const QString &fileName, const QString &category,
                      const QString &description, const QString &date);
    void selectRow(int row);
    int selectedRow() const;

    void FileOpen();
    void FileSave();
    void Edit();
    void Delete();
    void Play();

private:
    // The selected row when its copy may be touched; with a message, also only when the
    // copy is there (the message tells the user otherwise).
    const RecordRow *copyOfSelected(const QString &missingMessage) const;

    QWidget *owner_;
    Options options_;
    RecordListModel *model_;
};
