#include "import/frmFile.h"

#include "import/DroppedFiles.h"
#include "import/FolderListing.h"
#include "import/FolderTreeModel.h"
#include "import/ImportEngine.h"
#include "import/ImportRun.h"
#include "store/Services.h"
#include "ui/FileIcons.h"
#include "ui/SharedState.h"
#include "ui/UserSettings.h"
#include "ui/WindowServices.h"

#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPushButton>
#include <QStorageInfo>
#include <QTimer>
#include <QTreeView>

namespace {
const QString kLastFolderKey = QStringLiteral("import/lastFolder");
}

frmFile::frmFile(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmFile"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(Twips(7560), Twips(5685));

    // The path box takes a line above the drive list, which moves down by what it needs more.
    constexpr int below = 8;
    txtPath = new QLineEdit(this);
    txtPath->setObjectName(QStringLiteral("txtPath"));
    txtPath->setGeometry(Twips(120), 0, Twips(3495), Twips(240) + below);
    Drive1 = new QComboBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setGeometry(Twips(120), Twips(240) + below, Twips(3495), Twips(300) + 2);
    QStringList drives;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes())
        if (volume.isValid() && volume.isReady() && !drives.contains(volume.rootPath()))
            drives << volume.rootPath();
    for (const QFileInfo &drive : QDir::drives())
        if (!drives.contains(drive.absoluteFilePath()))
            drives << drive.absoluteFilePath();
    drives.sort();
    Drive1->addItems(drives);

    QStringList roots;
    for (const QFileInfo &drive : QDir::drives())
        roots << drive.absoluteFilePath();
    dirModel_ = new FolderTreeModel(roots, this);
    Dir1 = new QTreeView(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setModel(dirModel_);
    Dir1->header()->hide();
    Dir1->setGeometry(Twips(120), Twips(600) + below, Twips(3495), Twips(2190) - below);
    connect(Dir1, &QTreeView::expanded, dirModel_, &FolderTreeModel::fill);

    File1 = new QListWidget(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setGeometry(Twips(120), Twips(2880), Twips(3495), Twips(2250));

    auto arrow = [this](const char *name, const QString &text, int top) {
        auto *label = new QLabel(text, this);
        label->setObjectName(QLatin1String(name));
        label->setAlignment(Qt::AlignCenter);
        label->setCursor(Qt::PointingHandCursor);
        label->setGeometry(Twips(3600), Twips(top), Twips(255), Twips(255));
        label->installEventFilter(this);
        return label;
    };
    lblRight = arrow("lblRight", QStringLiteral(">>"), 3120);
    lblLeft = arrow("lblLeft", QStringLiteral("<<"), 4800);

    lvw = new QListWidget(this);
    lvw->setObjectName(QStringLiteral("lvw"));
    lvw->setToolTip(QStringLiteral("双击,取消文件的选择"));
    lvw->setGeometry(Twips(3840), Twips(240), Twips(3615), Twips(5055));
    lvw->setAcceptDrops(true);
    lvw->viewport()->setAcceptDrops(true);
    lvw->viewport()->installEventFilter(this);

    cmdStart = new QPushButton(QStringLiteral("开始导入"), this);
    cmdStart->setObjectName(QStringLiteral("cmdStart"));
    cmdStart->setGeometry(Twips(5400), Twips(5400), Twips(900), Twips(300) + 4);
    cmdCancel = new QPushButton(QStringLiteral("取消"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(Twips(6480), Twips(5400), Twips(900), Twips(300) + 4);

    // Load: the handoff values are read once and kept.
    filter_ = gFilter;
    setWindowTitle(gCaption);
    kind_ = gKind;

    const QList<QPair<QWidget *, QString>> names = {
        {Drive1, QStringLiteral("驱动器")},     {Dir1, QStringLiteral("文件夹")},
        {File1, QStringLiteral("文件列表")},    {lvw, QStringLiteral("选中的文件")},
        {lblRight, QStringLiteral("全部加入")}, {lblLeft, QStringLiteral("全部清除")},
        {txtPath, QStringLiteral("当前文件夹")}};
    for (const auto &[widget, name] : names)
        widget->setAccessibleName(name);

    connect(Drive1, &QComboBox::currentTextChanged, this, [this] { ReportErrors(this, [this] { Drive1_Change(); }); });
    connect(txtPath, &QLineEdit::returnPressed, this, [this] { ReportErrors(this, [this] { txtPath_Enter(); }); });
    connect(Dir1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &index) { ReportErrors(this, [this, index] { setFolder(dirModel_->path(index)); }); });
    connect(File1, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { ReportErrors(this, [this, item] { File1_Click(item->text()); }); });
    connect(lvw, &QListWidget::itemDoubleClicked, this, [this] { lvw_DblClick(); });
    connect(cmdStart, &QPushButton::clicked, this, [this] { ReportErrors(this, [this] { cmdStart_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });

    // The last folder an import window showed, else the home folder.
    QString start = UserSettings::value(kLastFolderKey).toString();
    if (start.isEmpty() || !QFileInfo(start).isDir())
        start = QDir::homePath();
    QString startDrive = QStringLiteral("/");
    for (const QString &d : drives)
        if (start.startsWith(d) && d.size() > startDrive.size())
            startDrive = d;
    Drive1->blockSignals(true);
    Drive1->setCurrentText(startDrive);
    Drive1->blockSignals(false);
    setFolder(start);
    loading_ = false;
}

void frmFile::cmdCancel_Click()
{
    // Inside the main window the frame goes too: an empty frame must not stay behind.
    if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget()))
        frame->close();
    else
        close();
}

void frmFile::reportSkipped(const QStringList &names)
{
    if (names.isEmpty())
        return;
    if (loading_)
        pendingSkipped_ << names;
    else
        ShowMsg(FolderListing::skippedMessage(names), Msg::OkOnly | Msg::Information);
}

void frmFile::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!fitted_) {
        fitted_ = true;
        FitToMainWindow(this);
    }
    if (!pendingSkipped_.isEmpty())
        QTimer::singleShot(0, this, [this] {
            const QStringList names = std::exchange(pendingSkipped_, {});
            ReportErrors(this, [this, names] { reportSkipped(names); });
        });
}

void frmFile::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int w = width();
    const int h = height();
    const int lvwW = w - lvw->x();
    const int lvwH = h - lvw->y() - Twips(400);
    const int fileH = h - File1->y();
    // A tiny or minimised window would give negative sizes: keep the last layout then.
    if (lvwW <= 0 || lvwH <= 0 || fileH <= 0)
        return;
    lvw->resize(lvwW, lvwH);
    File1->resize(File1->width(), fileH);
    cmdStart->move(cmdStart->x(), h - Twips(350));
    cmdCancel->move(cmdCancel->x(), h - Twips(350));
}

QStringList frmFile::patterns() const
{
    return DroppedFiles::patternsOf(filter_);
}

void frmFile::setFolder(const QString &folder)
{
    folder_ = folder;
    txtPath->setText(QDir::toNativeSeparators(folder));
    txtPath->setCursorPosition(txtPath->text().size()); // the folder's own name in view
    txtPath->setToolTip(QDir::toNativeSeparators(folder));
    File1->clear();
    const FolderListing listing = FolderListing::read(folder, patterns());
    File1->addItems(listing.files);
    if (!loading_ && UserSettings::value(kLastFolderKey).toString() != folder)
        UserSettings::setValue(kLastFolderKey, folder);
    // A folder chosen in the tree is where the pointer is: the tree stays as it is. Another
    // (the start folder, a drive, a typed path) is opened and brought into view.
    const QModelIndex current = Dir1->currentIndex();
    const QModelIndex index = current.isValid() && QDir::cleanPath(dirModel_->path(current)) == QDir::cleanPath(folder)
                                  ? current
                                  : dirModel_->reveal(folder);
    if (index.isValid() && Dir1->currentIndex() != index) {
        Dir1->blockSignals(true);
        Dir1->selectionModel()->blockSignals(true);
        Dir1->setCurrentIndex(index);
        Dir1->scrollTo(index);
        Dir1->selectionModel()->blockSignals(false);
        Dir1->blockSignals(false);
    }
    reportSkipped(listing.unreadable);
}

void frmFile::Drive1_Change()
{
    const QString drive = Drive1->currentText();
    if (QFileInfo(drive).isDir() && QDir(drive).isReadable()) {
        setFolder(drive);
        return;
    }
    // A drive that cannot be read: back to the drive of the program's own folder.
    const QString own = QStorageInfo(AppPath()).rootPath();
    Drive1->blockSignals(true);
    Drive1->setCurrentText(own.isEmpty() ? QStringLiteral("/") : own);
    Drive1->blockSignals(false);
    setFolder(Drive1->currentText());
}

void frmFile::txtPath_Enter()
{
    const QString typed = QDir::fromNativeSeparators(txtPath->text().trimmed());
    const QString folder = QDir::cleanPath(QDir::isAbsolutePath(typed) ? typed : QDir(folder_).filePath(typed));
    if (typed.isEmpty() || !QFileInfo(folder).isDir()) {
        ShowMsg(QStringLiteral("找不到文件夹 %1").arg(QDir::toNativeSeparators(typed)), Msg::OkOnly | Msg::Information);
        return;
    }
    setFolder(folder);
}

QString frmFile::pathOf(const QString &fileName) const
{
    return folder_.endsWith(QLatin1Char('/')) ? folder_ + fileName : folder_ + QLatin1Char('/') + fileName;
}

void frmFile::File1_Click(const QString &fileName)
{
    AddFileToList(pathOf(fileName));
}

void frmFile::lblRight_Click()
{
    for (int i = 0; i < File1->count(); ++i) {
        const QString name = File1->item(i)->text();
        if (name.isEmpty())
            continue;
        if (!AddFileToList(pathOf(name)))
            break;
    }
}

void frmFile::lblLeft_Click()
{
    lvw->clear();
    keys_.clear();
}

void frmFile::lvw_DblClick()
{
    QListWidgetItem *item = lvw->currentItem();
    if (!item || !item->isSelected())
        return;
    keys_.remove(item->data(Qt::UserRole).toString());
    delete item;
}

bool frmFile::AddFileToList(const QString &path)
{
    const QString name = LastPathPart(path);
    if (!ImportEngine::askInUse(path))
        return false;
    auto icon = imageList.constFind(path);
    if (icon == imageList.constEnd())
        icon = imageList.insert(path, GetFileIcon(path, true));
    if (!keys_.contains(path)) {
        auto *item = new QListWidgetItem(icon.value(), name, lvw);
        item->setData(Qt::UserRole, path);
        item->setToolTip(QDir::toNativeSeparators(path));
        keys_.insert(path, item);
    }
    return true;
}

QStringList frmFile::chosenFiles() const
{
    QStringList out;
    out.reserve(lvw->count());
    for (int i = 0; i < lvw->count(); ++i)
        out << lvw->item(i)->data(Qt::UserRole).toString();
    return out;
}

void frmFile::cmdStart_Click()
{
    ImportRun::confirmAndRun(chosenFiles(), kind_, this);
}

void frmFile::addDropped(const QList<QUrl> &urls)
{
    const DroppedFiles dropped = DroppedFiles::collect(urls, patterns());
    for (const QString &path : dropped.files)
        if (!AddFileToList(path))
            return;
    dropped.reportLeftOut(filter_);
}

bool frmFile::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lblRight || watched == lblLeft) {
        if (event->type() == QEvent::MouseButtonRelease) {
            watched == lblRight ? lblRight_Click() : lblLeft_Click();
            return true;
        }
    } else if (watched == lvw->viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto *drag = static_cast<QDropEvent *>(event);
            if (drag->mimeData()->hasUrls()) {
                drag->acceptProposedAction();
                return true;
            }
            break;
        }
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            const QList<QUrl> urls = drop->mimeData()->urls();
            ReportErrors(this, [this, urls] { addDropped(urls); });
            drop->acceptProposedAction();
            return true;
        }
        default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
