#include "import/ImportEngine.h"

#include "store/AttachmentMarker.h"
#include "import/ImportBatch.h"
#include "store/StoredName.h"
#include "store/AppError.h"
#include "store/ContentHashes.h"
#include "store/DatabaseLocator.h"
#include "store/Dialogs.h"
#include "store/Engine.h"
#include "store/RecycleBin.h"
#include "store/Services.h"
#include "store/SqlQuote.h"
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

// Asks through the seam only after the open group is committed: no lock is held while
// the user thinks.
int ask(ImportBatch &batch, const QString &question, int defaultButton = 0)
{
    batch.flush();
    return ShowMsg(question, Msg::YesNo | Msg::Question | defaultButton);
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

ImportEngine::Outcome ImportEngine::Import(const QString &sourcePath, int kind, const Options &options)
{
    ImportBatch own;
    ImportBatch &batch = options.batch ? *options.batch : own;
    if (AttachmentPath().isEmpty())
        LocateDataBase();
    const QString folder = AttachmentPath();
    AttachmentMarker::check(folder);
    StoredNameSequence names(options.now);
    QString fileName = LastPathPart(sourcePath);
    const QString extension = StoredName::extension(fileName);
    const QString storedExtension = StoredName::storedExtension(extension);
    const QString folderName = folderNameOf(sourcePath);

    while (QFileInfo::exists(folder + names.current() + QLatin1Char('.') + storedExtension))
        names.advance();
    const AtomicCopy::Result copy =
        AtomicCopy::copyNew(sourcePath, folder, names, storedExtension, options.progress, batch.durability());
    const QString copyPath = folder + copy.name;
    // Held until this call ends, so that a catalogue check never takes the new copy for one
    // without a record while a question keeps the import waiting.
    const int held = ::open(QFile::encodeName(copyPath).constData(), O_RDONLY | O_CLOEXEC);
    if (held >= 0)
        ::flock(held, LOCK_SH);
    struct Release {
        int fd;
        ~Release()
        {
            if (fd >= 0)
                ::close(fd);
        }
    } release{held};

    // Another program (or the user) may have moved the new copy while a question was open.
    auto requireCopy = [&copyPath] {
        if (!QFileInfo::exists(copyPath))
            throw AppError(QStringLiteral("附件副本 %1 已被移走,未导入").arg(QDir::toNativeSeparators(copyPath)));
    };
    try {
        // The same contents under another record are worth a question; a file asked about by
        // name already, or an empty one, is not.
        bool contentChecked = copy.size == 0;
        bool renamedByUser = false;
        for (;;) {
            batch.open();
            std::shared_ptr<Engine> engine = CurrentDb().engine();
            std::unique_ptr<WriteTransaction> tx(new WriteTransaction(*engine));
            Recordset rs = CurrentDb().OpenRecordset(duplicateQuery(fileName, folderName), 1, 3);
            ContentHashes::Match same;
            if (rs.RecordCount() <= 0 && !contentChecked && ContentHashes::find(*engine, copy.sha256, &same)) {
                tx->commit();
                tx.reset();
                contentChecked = true;
                if (ask(batch, QStringLiteral("库里已有内容相同的文件 %1 (类别 %2),是否仍然导入?")
                                   .arg(same.fileName, same.category)) == Msg::IdNo) {
                    QFile::remove(copyPath);
                    return Outcome::Skipped;
                }
                continue;
            }
            requireCopy();
            if (rs.RecordCount() <= 0) {
                rs.AddNew();
                rs.setCollect(QStringLiteral("tblFileKind"), kind);
                rs.setCollect(QStringLiteral("FileName"), fileName);
                rs.setCollect(QStringLiteral("SaveFileName"), copy.name);
                rs.setCollect(QStringLiteral("FolderName"), folderName);
                rs.setCollect(QStringLiteral("Currentinfo"), QStringLiteral("新导入文件"));
                rs.Update();
                ContentHashes::record(*engine, copy.name, copy.sha256);
                tx->commit();
                rs.Close();
                batch.recorded(sourcePath, copyPath);
                return renamedByUser ? Outcome::Renamed : Outcome::Recorded;
            }
            tx->commit(); // nothing written: the question comes outside any transaction
            tx.reset();
            contentChecked = true;
            const int answer =
                ask(batch, QStringLiteral("库里已经有同名文件 ") + fileName + QStringLiteral(" 是否覆盖原文件 ?"),
                    Msg::DefaultSecond); // Enter never replaces a copy
            if (answer != Msg::IdNo) {
                // The row is pointed at the new copy first, so that a failure can never leave
                // it pointing at a removed file; Update refuses a row another program changed
                // while the question was open.
                batch.open();
                engine = CurrentDb().engine();
                WriteTransaction change(*engine);
                requireCopy();
                const QString old = rs.text(QStringLiteral("SaveFileName"));
                // The row as it was and its copy go to the recycle bin, restorable as a
                // version of the record; the copy moves there once the change is committed.
                const bool keepOld = old != copy.name && StoredName::isPlain(old) &&
                                     QFileInfo(folder + old).isFile() && RecycleBin::available();
                const QVector<RecycleBin::Move> moves =
                    keepOld ? RecycleBin::bin(engine->addressWhere(rs.address()), true) : QVector<RecycleBin::Move>();
                rs.setCollect(QStringLiteral("SaveFileName"), copy.name);
                rs.Update();
                if (!keepOld)
                    ContentHashes::forget(*engine, old);
                ContentHashes::record(*engine, copy.name, copy.sha256);
                change.commit();
                rs.Close();
                batch.recorded(sourcePath, copyPath,
                               keepOld ? std::function<void()>([moves] { RecycleBin::moveCopies(moves); })
                                       : removeReplaced(old, copy.name));
                return Outcome::Replaced;
            }
            // A free name is offered, so that Enter never brings the same question back.
            const QString typed = dialogs().prompt(QStringLiteral("请输入新名..."), QStringLiteral("文件系统-"),
                                                   freeName(fileName, extension, folderName));
            if (typed.isEmpty()) {
                QFile::remove(copyPath);
                return Outcome::Cancelled;
            }
            fileName = renamed(typed, extension);
            renamedByUser = true;
        }
    } catch (...) {
        // Nothing was recorded: the copy made here must not stay behind without a row.
        QFile::remove(copyPath);
        throw;
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
