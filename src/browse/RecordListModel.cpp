#include "browse/RecordListModel.h"

#include "browse/ListingMailbox.h"
#include "store/AppError.h"
#include "store/DatabaseLocator.h"
#include "store/Engine.h"
#include "store/ListingOrder.h"
#include "store/ListingReader.h"
#include "store/Services.h"
#include "store/clsCurrentDb.h"
#include "ui/FileIcons.h"

#include <QTimer>
#include <algorithm>

namespace {
constexpr size_t kPage = 64;      // rows read at once for the screen: a cold first read stays short
constexpr int kCacheRows = 8192;  // records kept at hand; beyond, they are read again
constexpr int kRangesPerTurn = 8; // gone rows dropped per turn of the event loop
// The longest the interface waits for the first rows of a list: half a frame, so that the
// paint that follows still fits in the frame.
constexpr std::chrono::milliseconds kFirstScreenWait{8};
} // namespace

RecordListModel::RecordListModel(QObject *parent) : QAbstractTableModel(parent), worker_(std::make_unique<ListingWorker>())
{
}

RecordListModel::~RecordListModel()
{
    worker_.reset(); // its last hand-over must find this model whole
}

const QStringList &RecordListModel::headers()
{
    static const QStringList names = {QStringLiteral("文件名"), QStringLiteral("类别"), QStringLiteral("简介"),
                                      QStringLiteral("日期")};
    return names;
}

int RecordListModel::designWidth(int column)
{
    return column == 0 || column == 3 ? 4304 : 2540;
}

int RecordListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(entries().size());
}

int RecordListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 4;
}

const RecordRow *RecordListModel::cached(size_t r) const
{
    if (r >= entries().size())
        return nullptr;
    const qint64 e = entries()[r];
    if (e < 0)
        return &held_[size_t(-1 - e)];
    auto found = cache_.constFind(e);
    if (found == cache_.cend() && !gone_.contains(e)) {
        readPage(r);
        found = cache_.constFind(e);
    }
    return found == cache_.cend() ? nullptr : &*found;
}

void RecordListModel::readPage(size_t r, bool rethrow) const
{
    const std::shared_ptr<Engine> engine = engine_.lock();
    // Inside a transaction of its own the interface reads nothing: a failed read would end it.
    if (!engine || !engine->isOpen() || engine->transactionDepth() > 0)
        return;
    if (cache_.size() >= kCacheRows) {
        cache_.clear();
        unread_.clear();
    }
    const size_t from = r / kPage * kPage;
    const std::vector<qint64> &rows = entries();
    const size_t to = std::min(rows.size(), from + kPage);
    std::vector<qint64> wanted;
    for (size_t i = from; i < to; ++i)
        if (rows[i] >= 0 && !cache_.contains(rows[i]) && !gone_.contains(rows[i]))
            wanted.push_back(rows[i]);
    std::vector<ListedRecord> found;
    try {
        found = ListingReader::records(*engine, wanted, rowStatement_);
    } catch (const AppError &) {
        if (rethrow)
            throw;
        // Shown blank rather than asked for on every paint; a command reads its row again.
        for (qint64 a : wanted) {
            cache_.insert(a, RecordRow{});
            unread_.insert(a);
        }
        return;
    }
    for (const ListedRecord &f : found)
        unread_.remove(f.address);
    const Engine::Dialect dialect = engine->dialect();
    for (ListedRecord &f : found)
        cache_.insert(f.address,
                      RecordRow{attachments_ + f.storedName, f.storedName, std::move(f.fileName), std::move(f.category),
                                std::move(f.description), std::move(f.date), ListingReader::unpack(dialect, f.address)});
    bool lost = false;
    for (size_t i = from; i < to; ++i)
        if (rows[i] >= 0 && !cache_.contains(rows[i]) && !gone_.contains(rows[i])) {
            gone_.insert(rows[i]);
            lost = true;
        }
    if (lost && !dropping_) {
        dropping_ = true;
        QTimer::singleShot(0, const_cast<RecordListModel *>(this), &RecordListModel::dropGone);
    }
}

void RecordListModel::dropGone()
{
    dropping_ = false;
    // From the end, so the rows still to look at keep their numbers.
    int ranges = 0;
    for (size_t r = entries().size(); r-- > 0 && !gone_.isEmpty() && ranges < kRangesPerTurn;) {
        if (entries()[r] < 0 || !gone_.contains(entries()[r]))
            continue;
        size_t first = r;
        while (first > 0 && entries()[first - 1] >= 0 && gone_.contains(entries()[first - 1]))
            --first;
        beginRemoveRows({}, int(first), int(r));
        for (size_t i = first; i <= r; ++i)
            gone_.remove(entries()[i]);
        std::vector<qint64> &rows = edit();
        rows.erase(rows.begin() + qptrdiff(first), rows.begin() + qptrdiff(r) + 1);
        endRemoveRows();
        ++changes_;
        ++ranges;
        r = first;
    }
    if (!gone_.isEmpty() && ranges == kRangesPerTurn) {
        dropping_ = true;
        QTimer::singleShot(0, this, &RecordListModel::dropGone);
    } else {
        gone_.clear(); // the rest is no longer listed
    }
}

QVariant RecordListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const RecordRow *r = cached(size_t(index.row()));
    if (!r)
        return {};
    if (role == Qt::DisplayRole)
        return r->column(index.column());
    if (role == Qt::DecorationRole && index.column() == 0 && !r->storedName.isEmpty()) {
        if (iconSource_)
            if (QIcon own = iconSource_(*r); !own.isNull())
                return own;
        return FileIcons::forFileName(r->storedName); // a stored copy is a file: no disk look-up per paint
    }
    if (role == Qt::ToolTipRole && index.column() == 2)
        return r->description;
    return {};
}

RecordRow RecordListModel::row(int r) const
{
    if (r < 0)
        return {};
    // A row shown blank after a failed read is not a row gone: the command reads it again,
    // and hears why when that fails too.
    if (const qint64 e = addressAt(r); e >= 0 && unread_.contains(e)) {
        for (qint64 a : std::as_const(unread_))
            cache_.remove(a);
        unread_.clear();
        readPage(size_t(r), true);
    }
    const RecordRow *found = cached(size_t(r));
    return found ? *found : RecordRow{};
}

qint64 RecordListModel::addressAt(int r) const
{
    return r >= 0 && size_t(r) < entries().size() ? entries()[size_t(r)] : -1;
}

int RecordListModel::rowOfAddress(qint64 address) const
{
    const auto at = std::find(entries().begin(), entries().end(), address);
    return at == entries().end() ? -1 : int(at - entries().begin());
}

int RecordListModel::rowOf(const QString &key) const
{
    if (const auto held = heldIndex_.constFind(key); held != heldIndex_.cend())
        return rowOfAddress(*held);
    for (auto c = cache_.cbegin(); c != cache_.cend(); ++c)
        if (c->key == key && !c->storedName.isEmpty())
            if (const int r = rowOfAddress(c.key()); r >= 0)
                return r;
    const std::shared_ptr<Engine> engine = engine_.lock();
    if (!engine || !engine->isOpen() || attachments_.isEmpty() || !key.startsWith(attachments_))
        return -1;
    try {
        for (qint64 a : ListingReader::named(*engine, key.mid(attachments_.size())))
            if (const int r = rowOfAddress(a); r >= 0)
                return r;
    } catch (const AppError &) {
    }
    return -1;
}

void RecordListModel::iconChanged(const QString &key)
{
    // Only rows at hand have asked for a thumbnail.
    for (auto c = cache_.cbegin(); c != cache_.cend(); ++c)
        if (c->key == key)
            if (const int r = rowOfAddress(c.key()); r >= 0)
                emit dataChanged(index(r, 0), index(r, 0), {Qt::DecorationRole});
    if (const auto held = heldIndex_.constFind(key); held != heldIndex_.cend())
        if (const int r = rowOfAddress(*held); r >= 0)
            emit dataChanged(index(r, 0), index(r, 0), {Qt::DecorationRole});
}

QString RecordListModel::headerText(int column) const
{
    QString text = headers().value(column);
    if (column == sortColumn_)
        text += order_ == Qt::AscendingOrder ? QStringLiteral("▲") : QStringLiteral("▼");
    return text;
}

QVariant RecordListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return headerText(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool RecordListModel::lessThan(const RecordRow &a, const RecordRow &b) const
{
    const int c = a.column(sortColumn_).compare(b.column(sortColumn_), Qt::CaseInsensitive);
    return order_ == Qt::AscendingOrder ? c < 0 : c > 0;
}

void RecordListModel::sortHeld()
{
    if (sortColumn_ < 0)
        return;
    std::vector<qint64> &rows = edit();
    std::stable_sort(rows.begin(), rows.end(),
                     [this](qint64 a, qint64 b) { return lessThan(held_[size_t(-1 - a)], held_[size_t(-1 - b)]); });
}

bool RecordListModel::AddRecordRow(const QString &path, const QString &fileName, const QString &category,
                                   const QString &description, const QString &date)
{
    const QString attachments = AttachmentPath();
    const QString stored =
        !attachments.isEmpty() && path.startsWith(attachments) ? path.mid(attachments.size()) : LastPathPart(path);
    return addRow(RecordRow{path, stored, fileName, category, description, date, {}});
}

bool RecordListModel::addRow(RecordRow r)
{
    // Records without a stored name share no copy with each other: each is listed.
    const bool keyed = !r.storedName.isEmpty();
    if (keyed && (heldIndex_.contains(r.key) || (!filling_ && !statement_.isEmpty() && rowOf(r.key) >= 0)))
        return true;
    const qint64 entry = -1 - qint64(held_.size());
    if (keyed)
        heldIndex_.insert(r.key, entry);
    held_.push_back(std::move(r));
    ++changes_;
    if (filling_) {
        edit().push_back(entry);
        return true;
    }
    size_t at = entries().size();
    if (sortColumn_ >= 0) {
        const RecordRow &added = held_.back();
        size_t low = 0, high = entries().size();
        while (low < high) {
            const size_t mid = (low + high) / 2;
            if (lessThan(added, row(int(mid))))
                high = mid;
            else
                low = mid + 1;
        }
        at = low;
    }
    beginInsertRows({}, int(at), int(at));
    std::vector<qint64> &rows = edit();
    rows.insert(rows.begin() + qptrdiff(at), entry);
    endInsertRows();
    return true;
}

void RecordListModel::reserve(qint64 rows)
{
    edit().reserve(size_t(rows));
    held_.reserve(size_t(rows));
    heldIndex_.reserve(qsizetype(rows));
}

void RecordListModel::clear()
{
    worker_->stop();
    box_.reset();
    sorting_ = false;
    beginResetModel();
    entries_ = std::make_shared<std::vector<qint64>>(); // a sort under way keeps its own
    held_.clear();
    heldIndex_.clear();
    cache_.clear();
    unread_.clear();
    gone_.clear();
    statement_.clear();
    rowStatement_.clear();
    ++changes_;
    endResetModel();
}

void RecordListModel::beginFill()
{
    clear();
    beginResetModel();
    filling_ = true;
}

void RecordListModel::endFill()
{
    filling_ = false;
    // The list stays in the order its header mark shows, also after a refill.
    sortHeld();
    endResetModel();
    emit settled();
}

void RecordListModel::list(const RecordQuery &query, bool keepRows)
{
    const std::shared_ptr<Engine> engine = CurrentDb().engine();
    const QString statement = ListingReader::statement(*engine, query.jetSql());
    if (!keepRows) {
        clear();
    } else {
        worker_->stop();
        sorting_ = false;
    }
    engine_ = engine;
    statement_ = statement;
    rowStatement_ = ListingReader::rowStatement(*engine, query.jetSql());
    lastQuery_ = query;
    attachments_ = AttachmentPath();
    const int column = sortColumn_;
    const bool descending = order_ == Qt::DescendingOrder;
    // A list read again, or sorted, is taken when complete: it then shows in one go.
    keepRows_ = keepRows || column >= 0;
    const bool whole = keepRows_;
    if (ListingReader::isSmall(*engine)) {
        // A small catalogue is listed at once, as a whole: nothing to wait for.
        std::vector<qint64> all = ListingReader::readAll(*engine, statement, column, descending, [] { return true; });
        replaceEntries(std::move(all));
        emit settled();
        return;
    }
    // Room for the whole table at once: a list that grew by copying itself would hold the
    // window for the copy of millions of addresses. What is left over goes when it is complete.
    if (!whole)
        edit().reserve(size_t(std::max<qint64>(0, ListingReader::rowEstimate(*engine))));
    auto box = std::make_shared<ListingMailbox>();
    notifyInto(*box);
    box_ = box;
    worker_->run(
        *engine,
        [box, statement, column, descending, whole](Engine &reader, const ListingWorker::Wanted &wanted) {
            if (!whole) {
                ListingReader::read(reader, statement, true, [&](std::vector<qint64> &&a) {
                    if (!wanted())
                        return false;
                    box->put(std::move(a));
                    return true;
                });
            } else {
                std::vector<qint64> all = ListingReader::readAll(reader, statement, column, descending, wanted);
                if (!wanted())
                    return;
                box->put(std::move(all), true);
                return;
            }
            if (wanted())
                box->finish();
        },
        [box](const QString &message) { box->finish(message); });
    // The first screen comes before the window paints again; a slow one follows behind.
    box->waitFor(kFirstScreenWait);
    drain();
}

void RecordListModel::notifyInto(ListingMailbox &box)
{
    box.setNotify([this, at = &box] {
        QMetaObject::invokeMethod(
            this,
            [this, at] {
                if (box_.get() == at)
                    drain();
            },
            Qt::QueuedConnection);
    });
}

void RecordListModel::drain()
{
    if (!box_)
        return;
    const std::shared_ptr<ListingMailbox> box = box_;
    ListingMailbox::Taken taken = box->take();
    if (sorting_ || keepRows_) {
        if (!taken.done)
            return;
        box_.reset();
        const bool wasSorting = std::exchange(sorting_, false);
        if (!taken.error.isEmpty()) {
            emit failed(taken.error); // the rows shown stay
            return;
        }
        // Taken whole, the rows come in one step: moved, not copied.
        std::vector<qint64> all = taken.steps.empty() ? std::vector<qint64>() : std::move(taken.steps.front());
        for (size_t i = 1; i < taken.steps.size(); ++i)
            all.insert(all.end(), taken.steps[i].begin(), taken.steps[i].end());
        if (wasSorting) {
            if (changes_ != sortedChanges_) {
                startSort(); // rows came or went meanwhile: the order read is of another list
                return;
            }
            emit layoutAboutToBeChanged();
            entries_ = std::make_shared<std::vector<qint64>>(std::move(all));
            emit layoutChanged();
        } else {
            replaceEntries(std::move(all));
        }
        emit settled();
        return;
    }
    for (std::vector<qint64> &step : taken.steps)
        append(std::move(step));
    if (!taken.done)
        return;
    box_.reset();
    if (entries().capacity() / 2 > entries().size())
        edit().shrink_to_fit();
    if (!taken.error.isEmpty())
        emit failed(taken.error);
    else
        emit settled();
}

void RecordListModel::replaceEntries(std::vector<qint64> &&entries)
{
    beginResetModel();
    entries_ = std::make_shared<std::vector<qint64>>(std::move(entries));
    held_.clear();
    heldIndex_.clear();
    cache_.clear();
    unread_.clear();
    gone_.clear();
    ++changes_;
    endResetModel();
}

void RecordListModel::append(std::vector<qint64> &&addresses)
{
    if (addresses.empty())
        return;
    const size_t first = entries().size();
    beginInsertRows({}, int(first), int(first + addresses.size() - 1));
    std::vector<qint64> &rows = edit();
    rows.insert(rows.end(), addresses.begin(), addresses.end());
    ++changes_;
    endInsertRows();
}

void RecordListModel::startSort()
{
    const std::shared_ptr<Engine> engine = engine_.lock();
    if (!engine || !engine->isOpen())
        return;
    // The rows as they stand, and the text of those held here.
    std::vector<std::pair<size_t, QString>> heldText;
    for (size_t i = 0; i < entries().size(); ++i)
        if (entries()[i] < 0)
            heldText.emplace_back(i, held_[size_t(-1 - entries()[i])].column(sortColumn_));
    const int column = sortColumn_;
    const bool descending = order_ == Qt::DescendingOrder;
    if (ListingReader::isSmall(*engine)) {
        std::vector<qint64> sorted =
            ListingReader::reorder(*engine, entries(), heldText, column, descending, [] { return true; });
        emit layoutAboutToBeChanged();
        entries_ = std::make_shared<std::vector<qint64>>(std::move(sorted));
        emit layoutChanged();
        emit settled();
        return;
    }
    auto box = std::make_shared<ListingMailbox>();
    notifyInto(*box);
    box_ = box;
    sorting_ = true;
    sortedChanges_ = changes_;
    worker_->run(
        *engine,
        [box, rows = std::shared_ptr<const std::vector<qint64>>(entries_), heldText = std::move(heldText), column,
         descending](Engine &reader, const ListingWorker::Wanted &wanted) {
            std::vector<qint64> sorted = ListingReader::reorder(reader, *rows, heldText, column, descending, wanted);
            if (wanted())
                box->put(std::move(sorted), true);
        },
        [box](const QString &message) { box->finish(message); });
}

void RecordListModel::headerClicked(int column)
{
    if (column < 0 || column >= columnCount())
        return;
    const int previous = sortColumn_;
    sortColumn_ = column;
    order_ = nextDescending_ ? Qt::DescendingOrder : Qt::AscendingOrder;
    nextDescending_ = !nextDescending_;
    if (previous >= 0 && previous != column)
        emit headerDataChanged(Qt::Horizontal, previous, previous);
    emit headerDataChanged(Qt::Horizontal, column, column);
    if (box_ && !sorting_) {
        // Still being read: read it again, sorted, and keep what shows until then.
        list(lastQuery_, true);
        return;
    }
    if (std::all_of(entries().begin(), entries().end(), [](qint64 e) { return e < 0; })) {
        emit layoutAboutToBeChanged();
        sortHeld();
        emit layoutChanged();
        emit settled();
        return;
    }
    startSort();
}

std::vector<qint64> &RecordListModel::edit()
{
    // A sort under way reads the rows it was given on its own thread: they stay as they were.
    if (entries_.use_count() > 1)
        entries_ = std::make_shared<std::vector<qint64>>(*entries_);
    return *entries_;
}
