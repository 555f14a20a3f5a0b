#include "import/frmFile.h"

#include "app/SharedState.h"
#include "app/WindowServices.h"
#include "import/ImportEngine.h"
#include "import/ImportRun.h"
#include "store/FileIcons.h"
#include "store/Services.h"

#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QStorageInfo>
#include <QTreeView>

frmFile::frmFile(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmFile"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(Twips(7560), Twips(5685));

    Drive1 = new QComboBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setGeometry(Twips(120), Twips(240), Twips(3495), Twips(300) + 2);
    QStringList drives;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes())
        if (volume.isValid() && volume.isReady() && !drives.contains(volume.rootPath()))
            drives << volume.rootPath();
    for (const QFileInfo &drive : QDir::drives())
        if (!drives.contains(drive.absoluteFilePath()))
            drives << drive.absoluteFilePath();
    drives.sort();
    Drive1->addItems(drives);

    dirModel_ = new QFileSystemModel(this);
    dirModel_->setFilter(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Drives);
    dirModel_->setRootPath(QString());
    Dir1 = new QTreeView(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setModel(dirModel_);
    for (int c = 1; c < dirModel_->columnCount(); ++c)
        Dir1->hideColumn(c);
    Dir1->header()->hide();
    Dir1->setGeometry(Twips(120), Twips(600), Twips(3495), Twips(2190));

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

    connect(Drive1, &QComboBox::currentTextChanged, this, [this] { Drive1_Change(); });
    connect(Dir1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &index) { setFolder(dirModel_->filePath(index)); });
    connect(File1, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) { File1_Click(item->text()); });
    connect(lvw, &QListWidget::itemDoubleClicked, this, [this] { lvw_DblClick(); });
    connect(cmdStart, &QPushButton::clicked, this, [this] { cmdStart_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);

    const QString home = QDir::homePath();
    QString homeDrive = QStringLiteral("/");
    for (const QString &d : drives)
        if (home.startsWith(d) && d.size() > homeDrive.size())
            homeDrive = d;
    Drive1->blockSignals(true);
    Drive1->setCurrentText(homeDrive);
    Drive1->blockSignals(false);
    setFolder(home);
}

void frmFile::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!fitted_) {
        fitted_ = true;
        FitToMainWindow(this);
    }
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
    QStringList out;
    for (const QString &p : filter_.split(QLatin1Char(';')))
        if (!p.trimmed().isEmpty())
            out << p.trimmed();
    return out;
}

void frmFile::setFolder(const QString &folder)
{
    folder_ = folder;
    File1->clear();
    QDir dir(folder);
    dir.setNameFilters(patterns()); // matched without regard to case
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
    File1->addItems(names);
    const QModelIndex index = dirModel_->index(folder);
    if (index.isValid() && Dir1->currentIndex() != index) {
        Dir1->blockSignals(true);
        Dir1->selectionModel()->blockSignals(true);
        Dir1->setCurrentIndex(index);
        Dir1->scrollTo(index);
        Dir1->selectionModel()->blockSignals(false);
        Dir1->blockSignals(false);
    }
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
    if (ImportEngine::IsFileOpen(path) &&
        ShowMsg(name + QStringLiteral("文件正处于打开状态,是否继续导入?"), Msg::YesNo | Msg::Question) == Msg::IdNo)
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
    if (ShowMsg(QStringLiteral("您确定要将以下的文件导入文件系统中?\r\n\r\n若您导入的程序的很大,需要的时间将很长.."),
                Msg::YesNo | Msg::Question) == Msg::IdNo)
        return;
    ImportRun run(chosenFiles(), kind_, this);
    run.exec();
    ShowMsg(run.summary(), run.failures().isEmpty() && !run.cancelled() ? 112 : Msg::Information);
}

void frmFile::addDropped(const QList<QUrl> &urls)
{
    for (const QUrl &url : urls) {
        if (!url.isLocalFile())
            continue;
        const QString path = QDir::fromNativeSeparators(url.toLocalFile());
        if (QFileInfo(path).isDir()) {
            QDir dir(path);
            dir.setNameFilters(patterns());
            for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase))
                if (!AddFileToList(dir.filePath(name)))
                    return;
        } else if (QFileInfo(path).isFile()) {
            if (!AddFileToList(path))
                return;
        }
    }
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
            addDropped(drop->mimeData()->urls());
            drop->acceptProposedAction();
            return true;
        }
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
