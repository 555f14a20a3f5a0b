#include "import/ImportEngine.h"

#include "import/ImportBatch.h"
#include "import/ImportQuestions.h"
#include "store/AppError.h"
#include "store/AttachmentMarker.h"
#include "store/ContentHashes.h"
#include "store/DatabaseLocator.h"
#include "store/Dialogs.h"
#include "store/Engine.h"
#include "store/RecycleBin.h"
#include "store/Services.h"
#include "store/SqlQuote.h"
#include "store/StoredName.h"
#include "store/StoredNameSequence.h"
#include "store/WriteTransaction.h"
#include "store/clsCurrentDb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// Removes the copy a re-pointed row no longer names, once the change is committed, where
// the catalogue has no recycle bin to keep it. The name is used exactly as stored: trimmed,
// it could be another record's copy.
std::function<void()> removeReplaced(const QString &old, const QString &storedName)
{
    if (old == storedName || !StoredName::isPlain(old))
        return {};
    return [old] {
        const QString oldPath = AttachmentPath() + old;
        if (QFileInfo(oldPath).isFile() && !QFile::remove(oldPath))
            ShowMsg(QStringLiteral("旧的附件副本 %1 无法删除,已保留在附件文件夹中.").arg(QDir::toNativeSeparators(oldPath)),
                    Msg::Information);
    };
}

} // namespace

QString ImportEngine::duplicateQuery(const QString &fileName, const QString &folderName)
{
    return QStringLiteral("Select * from tblAttachment Where FileName='") + SqlQuote(fileName) +
           QStringLiteral("' And FolderName='") + SqlQuote(folderName) + QStringLiteral("'");
}

QString ImportEngine::renamed(const QString &answer, const QString &extension)
{
    if (extension.isEmpty() || answer.endsWith(QLatin1Char('.') + extension, Qt::CaseInsensitive))
        return answer;
    return answer + QLatin1Char('.') + extension;
}

QString ImportEngine::freeName(const QString &fileName, const QString &extension, const QString &folderName)
{
    QString base = extension.isEmpty() ? fileName : fileName.left(fileName.size() - extension.size() - 1);
    // One query for the category's names, not one per number tried.
    QSet<QString> taken;
    Recordset rs = CurrentDb().OpenRecordset(QStringLiteral("Select FileName From tblAttachment Where FolderName='") +
                                             SqlQuote(folderName) + QStringLiteral("'"));
    while (!rs.isEOF() && !rs.isBOF()) {
        taken.insert(rs.text(QStringLiteral("FileName")));
        rs.MoveNext();
    }
    // A name offered before counts on from its number; one whose plain name is not in the
    // category ("Photo (1999)") keeps its own number.
    static const QRegularExpression numbered(QStringLiteral("^(.*) \\((\\d{1,9})\\)$"));
    qint64 n = 2;
    const QRegularExpressionMatch m = numbered.match(base);
    if (m.hasMatch() && taken.contains(renamed(m.captured(1), extension))) {
        base = m.captured(1);
        n = qMax<qint64>(2, m.captured(2).toLongLong() + 1);
    }
    // A name ending in a blank has its separator already.
    const QString gap = base.endsWith(QLatin1Char(' ')) ? QString() : QStringLiteral(" ");
    for (;; ++n) {
        const QString candidate = base + gap + QStringLiteral("(%1)").arg(n);
        if (!taken.contains(renamed(candidate, extension)))
            return candidate;
    }
}

QString ImportEngine::folderNameOf(const QString &sourcePath)
{
    // The whole parent path when it holds no separator, as a drive root does.
    return LastPathPart(GetParentPath(sourcePath));
}

bool ImportEngine::ImportFile(const QString &sourcePath, int kind, const QDateTime &now,
                              const AtomicCopy::Progress &progress)
{
    Options options;
    options.now = now;
    options.progress = progress;
    return Import(sourcePath, kind, options) != Outcome::Cancelled;
}

namespace {

// The new copy, read-locked until the import ends, so that a catalogue check never takes
// it for one without a record while a question keeps the import waiting. Removed unless
// a row came to name it.
class StagedCopy {
public:
    StagedCopy(const QString &sourcePath, const QString &folder, const QString &storedExtension,
               const ImportEngine::Options &options, ImportBatch &batch)
    {
        StoredNameSequence names(options.now);
        while (QFileInfo::exists(folder + names.current() + QLatin1Char('.') + storedExtension))
            names.advance();
        copy = AtomicCopy::copyNew(sourcePath, folder, names, storedExtension, options.progress, batch.durability());
        path = folder + copy.name;
        held_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (held_ >= 0)
            ::flock(held_, LOCK_SH);
    }
    ~StagedCopy()
    {
        if (!kept_)
            QFile::remove(path);
        if (held_ >= 0)
            ::close(held_);
    }
    StagedCopy(const StagedCopy &) = delete;
    StagedCopy &operator=(const StagedCopy &) = delete;

    void keep() { kept_ = true; }
    // Another program (or the user) may have moved the new copy while a question was open.
    void require() const
    {
        if (!QFileInfo::exists(path))
            throw AppError(QStringLiteral("附件副本 %1 已被移走,未导入").arg(QDir::toNativeSeparators(path)));
    }

    AtomicCopy::Result copy;
    QString path;

private:
    int held_ = -1;
    bool kept_ = false;
};

// One file on its way into the catalogue: the name it is to be recorded under and what
// was asked already.
struct Attempt {
    QString sourcePath;
    int kind;
    QString fileName;
    QString extension;
    QString folderName;
    // The same contents under another record are worth a question; a file asked about by
    // name already, or an empty one, is not.
    bool contentChecked;
    bool renamedByUser = false;
};

void recordNew(const Attempt &a, Recordset &rs, Engine &engine, WriteTransaction &tx, StagedCopy &staged, ImportBatch &batch)
{
    rs.AddNew();
    rs.setCollect(QStringLiteral("tblFileKind"), a.kind);
    rs.setCollect(QStringLiteral("FileName"), a.fileName);
    rs.setCollect(QStringLiteral("SaveFileName"), staged.copy.name);
    rs.setCollect(QStringLiteral("FolderName"), a.folderName);
    rs.setCollect(QStringLiteral("Currentinfo"), QStringLiteral("新导入文件"));
    rs.Update();
    ContentHashes::record(engine, staged.copy.name, staged.copy.sha256);
    tx.commit();
    // From the commit on a row names the copy: nothing after it may remove the copy.
    staged.keep();
    rs.Close();
    batch.recorded(a.sourcePath, staged.path);
}

// The row is pointed at the new copy first, so that a failure can never leave it pointing
// at a removed file; Update refuses a row another program changed while the question was
// open.
void replaceRow(const Attempt &a, Recordset &rs, StagedCopy &staged, ImportBatch &batch)
{
    batch.open();
    std::shared_ptr<Engine> engine = CurrentDb().engine();
    WriteTransaction change(*engine);
    staged.require();
    const QString old = rs.text(QStringLiteral("SaveFileName"));
    const QString &name = staged.copy.name;
    // The row as it was and its copy go to the recycle bin, restorable as a version of the
    // record; the copy moves there once the change is committed.
    const bool keepOld =
        old != name && StoredName::isPlain(old) && QFileInfo(AttachmentPath() + old).isFile() && RecycleBin::available();
    const QVector<RecycleBin::Move> moves =
        keepOld ? RecycleBin::bin(engine->addressWhere(rs.address()), true) : QVector<RecycleBin::Move>();
    rs.setCollect(QStringLiteral("SaveFileName"), name);
    rs.Update();
    if (!keepOld)
        ContentHashes::forget(*engine, old);
    ContentHashes::record(*engine, name, staged.copy.sha256);
    change.commit();
    staged.keep();
    rs.Close();
    batch.recorded(a.sourcePath, staged.path,
                   keepOld ? std::function<void()>([moves] { RecycleBin::moveCopies(moves); }) : removeReplaced(old, name));
}

} // namespace

ImportEngine::Outcome ImportEngine::Import(const QString &sourcePath, int kind, const Options &options)
{
    ImportBatch own;
    ImportBatch &batch = options.batch ? *options.batch : own;
    ImportQuestions &questions = options.questions ? *options.questions : ImportQuestions::viaDialogs();
    if (AttachmentPath().isEmpty())
        LocateDataBase();
    const QString folder = AttachmentPath();
    AttachmentMarker::check(folder);
    Attempt a{sourcePath, kind, LastPathPart(sourcePath), {}, folderNameOf(sourcePath), false};
    a.extension = StoredName::extension(a.fileName);

    StagedCopy staged(sourcePath, folder, StoredName::storedExtension(a.extension), options, batch);
    a.contentChecked = staged.copy.size == 0;
    // Questions come only after the open group is committed and the transaction ended: no
    // lock is held while the user thinks.
    auto asking = [&batch](std::unique_ptr<WriteTransaction> &tx) {
        tx->commit();
        tx.reset();
        batch.flush();
    };
    for (;;) {
        batch.open();
        std::shared_ptr<Engine> engine = CurrentDb().engine();
        auto tx = std::make_unique<WriteTransaction>(*engine);
        Recordset rs = CurrentDb().OpenRecordset(duplicateQuery(a.fileName, a.folderName), 1, 3);
        const bool clash = rs.RecordCount() > 0;
        ContentHashes::Match same;
        if (!clash && !a.contentChecked && ContentHashes::find(*engine, staged.copy.sha256, &same)) {
            asking(tx);
            a.contentChecked = true;
            if (!questions.importSameContents(same.fileName, same.category))
                return Outcome::Skipped;
            continue;
        }
        staged.require();
        if (!clash) {
            recordNew(a, rs, *engine, *tx, staged, batch);
            return a.renamedByUser ? Outcome::Renamed : Outcome::Recorded;
        }
        asking(tx); // nothing written
        a.contentChecked = true;
        if (questions.replaceSameName(a.fileName)) {
            replaceRow(a, rs, staged, batch);
            return Outcome::Replaced;
        }
        // A free name is offered, so that Enter never brings the same question back.
        const QString typed = questions.newName(freeName(a.fileName, a.extension, a.folderName));
        if (typed.isEmpty())
            return Outcome::Cancelled;
        a.fileName = renamed(typed, a.extension);
        a.renamedByUser = true;
    }
}

bool ImportEngine::askInUse(const QString &path)
{
    return !IsFileOpen(path) || ShowMsg(LastPathPart(path) + QStringLiteral("文件正处于打开状态,是否继续导入?"),
                                        Msg::YesNo | Msg::Question) != Msg::IdNo;
}

bool ImportEngine::IsFileOpen(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        const int err = errno;
        if (err == EACCES || err == EPERM || err == EBUSY)
            return true;
        dialogs().message(QStringLiteral("Error # %1 was generated by IsFileOpen\r%2")
                              .arg(err)
                              .arg(QString::fromLocal8Bit(std::strerror(err))),
                          0, QStringLiteral("Error"));
        return false;
    }
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}
