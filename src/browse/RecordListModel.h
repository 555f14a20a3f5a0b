#pragma once

#include "browse/RecordRow.h"
#include "store/ListingWorker.h"
#include "store/RecordQuery.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QSet>
#include <functional>
#include <memory>
#include <vector>

class Engine;
class ListingMailbox;

// The rows of a record list and the header sort state. A list of a query holds one address
// per row and reads the records on screen by them, a page at a time, so a million rows cost
// a few megabytes; the query itself is read on a worker, the first screen at once. Rows
// added one by one (AddRecordRow) are held whole.
class RecordListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordListModel(QObject *parent = nullptr);
    ~RecordListModel() override;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // True when a row for the path is listed afterwards (added now or there already).
    bool AddRecordRow(const QString &path, const QString &fileName, const QString &category, const QString &description,
                      const QString &date);
    // The same, for a caller that knows the stored name (the key is AttachmentPath + it).
    bool addRow(RecordRow row);
    void clear();
    void reserve(qint64 rows);
    // Rows added between these two calls are taken in one go (no signal per row).
    void beginFill();
    void endFill();

    // Lists the query's records. The rows come from a worker; this returns when the first
    // screen is in, or after a frame's time at most. With `keepRows` the rows shown stay
    // until the new list is complete, so a list read again does not flicker.
    void list(const RecordQuery &query, bool keepRows);
    // True when the list holds its whole result in the order its header shows.
    bool isSettled() const { return !box_ && !sorting_; }

    // A header click: the first sorts descending, each later click flips the direction. A
    // long list is sorted on the worker and takes its new order when that is done.
    void headerClicked(int column);
    int sortColumn() const { return sortColumn_; }
    Qt::SortOrder sortOrder() const { return order_; }
    QString headerText(int column) const;

    // The record at row `r`, read from the catalogue when it is not at hand. A row whose
    // record is gone comes back without a stored name or address; the list drops it soon.
    RecordRow row(int r) const;
    int rowOf(const QString &key) const;
    // The row of a catalogue address (packed), or -1.
    int rowOfAddress(qint64 address) const;
    qint64 addressAt(int r) const;

    // Gives rows an icon of their own (a thumbnail); a null icon keeps the type icon. Asked
    // on every paint, so it must be cheap. iconChanged() repaints the row of that key.
    void setIconSource(std::function<QIcon(const RecordRow &)> source) { iconSource_ = std::move(source); }
    void iconChanged(const QString &key);

    static const QStringList &headers();
    // Design widths, HIMETRIC (0.01 mm).
    static int designWidth(int column);

signals:
    void settled();
    void failed(const QString &message);

private:
    bool lessThan(const RecordRow &a, const RecordRow &b) const;
    void sortHeld();
    void startSort();
    // Takes what the worker has read so far.
    void drain();
    void append(std::vector<qint64> &&addresses);
    const RecordRow *cached(size_t r) const;
    // `rethrow`: a failed read reaches the caller (a command) instead of showing blank rows.
    void readPage(size_t r, bool rethrow = false) const;
    void dropGone();
    void notifyInto(ListingMailbox &box);
    void replaceEntries(std::vector<qint64> &&entries);

    // Negative entries are rows held whole: -1 - their place in held_. A sort gets them
    // without a copy, which would hold the window for millions of rows.
    std::shared_ptr<std::vector<qint64>> entries_ = std::make_shared<std::vector<qint64>>();
    const std::vector<qint64> &entries() const { return *entries_; }
    std::vector<qint64> &edit();
    std::vector<RecordRow> held_;
    QHash<QString, qint64> heldIndex_; // key -> entry
    mutable QHash<qint64, RecordRow> cache_;
    mutable QSet<qint64> gone_;
    mutable QSet<qint64> unread_; // cached blank because their read failed
    mutable bool dropping_ = false;
    std::weak_ptr<Engine> engine_;
    QString statement_;    // in the engine's dialect, for a sort
    QString rowStatement_; // the same, for the rows on screen: an address reused is not the row listed
    QString attachments_;  // the attachment folder when listed
    std::unique_ptr<ListingWorker> worker_;
    std::shared_ptr<ListingMailbox> box_; // the fill or sort under way
    bool keepRows_ = false;
    bool sorting_ = false;
    quint64 changes_ = 0; // entries added or dropped: a sort of an older state is done again
    quint64 sortedChanges_ = 0;
    RecordQuery lastQuery_;
    int sortColumn_ = -1;
    Qt::SortOrder order_ = Qt::DescendingOrder;
    bool nextDescending_ = true;
    bool filling_ = false;
    std::function<QIcon(const RecordRow &)> iconSource_;
};
