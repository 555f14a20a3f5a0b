// Lays out the program's windows on a sample catalogue and saves each as a PNG, so
// anyone can look at them: screens OUTDIR
// With --desktop it opens the main window and each window of its menus in turn, as a user
// would, and saves the whole screen (window manager included) as desktop-WxH-NAME.png; it
// names every window that does not lie wholly on the screen and every control painted over
// another, and fails with their count.
#include "app/SearchIndexBar.h"
#include "app/frmCheck.h"
#include "app/mdiFrm.h"
#include "browse/RecordList.h"
#include "browse/RecordListViews.h"
#include "browse/ThumbnailLoader.h"
#include "browse/frmBrowse.h"
#include "browse/frmFind.h"
#include "import/ImportEngine.h"
#include "import/frmFile.h"
#include "import/frmPlay.h"
#include "import/frmtblAttachmentEdit.h"
#include "store/AtomicCopy.h"
#include "store/CatalogueSchema.h"
#include "store/DatabaseLocator.h"
#include "store/Engine.h"
#include "store/RecycleBin.h"
#include "store/SearchIndexBuild.h"
#include "store/Services.h"
#include "store/WriteTransaction.h"
#include "store/clsCurrentDb.h"
#include "ui/SharedState.h"
#include "ui/UserSettings.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QToolButton>

namespace {
void save(QWidget *w, const QString &path)
{
    QApplication::processEvents();
    w->grab().save(path);
}

QString samplePicture(const QString &path, const QColor &colour, QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, colour.lighter(160));
    sky.setColorAt(1, colour.darker(140));
    QPainter p(&img);
    p.fillRect(img.rect(), sky);
    p.setPen(QPen(Qt::white, qMax(2, size.width() / 100)));
    p.drawEllipse(img.rect().adjusted(10, 10, -10, -10));
    p.end();
    img.save(path);
    return path;
}

void waitForThumbnails(RecordList *list)
{
    for (int i = 0; i < 500; ++i) {
        QApplication::processEvents();
        if (list->views->thumbnails()->idle())
            break;
        QThread::msleep(10);
    }
    QApplication::processEvents();
}

// Waits for the window manager to map and place a window.
void settle(int ms = 600)
{
    for (int i = 0; i < ms / 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
}

// Controls of a window painted over one another: the record count and the view switch.
QStringList overlaps(QWidget *window)
{
    QStringList out;
    const auto *status = window->findChild<QWidget *>(QStringLiteral("lblStatus"));
    for (QWidget *other : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!status || other == status || !status->isVisible() || !other->isVisible() || other->isWindow())
            continue;
        const QString name = other->objectName();
        if (status->geometry().intersects(other->geometry()) && name != QLatin1String("lvw"))
            out << QStringLiteral("%1: lblStatus over %2")
                       .arg(window->objectName(), name.isEmpty() ? QStringLiteral("?") : name);
    }
    return out;
}

int desktop(const QString &out, const QString &importFolder)
{
    QScreen *screen = QGuiApplication::primaryScreen();
    const QRect available = screen->availableGeometry();
    const QString size = QStringLiteral("%1x%2").arg(screen->geometry().width()).arg(screen->geometry().height());
    QStringList problems;
    auto *main = new mdiFrm;
    main->show();
    settle();
    const auto look = [&](QWidget *window, const QString &name) {
        settle();
        QGuiApplication::primaryScreen()->grabWindow(0).save(out + QStringLiteral("/desktop-%1-%2.png").arg(size, name));
        const QRect frame = window->frameGeometry();
        if (!available.contains(frame))
            problems << QStringLiteral("%1: frame %2,%3 %4x%5 off the screen's %6x%7")
                            .arg(name)
                            .arg(frame.x())
                            .arg(frame.y())
                            .arg(frame.width())
                            .arg(frame.height())
                            .arg(available.width())
                            .arg(available.height());
        problems << overlaps(window);
    };
    look(main, QStringLiteral("main"));
    // The import window opens in the folder the last one showed, its tree opened down to it.
    UserSettings::setValue(QStringLiteral("import/lastFolder"), importFolder);
    main->mnu_AddImage->trigger();
    look(main, QStringLiteral("import"));
    main->mnu_BroImage->trigger();
    for (QWidget *top : QApplication::topLevelWidgets())
        if (auto *browse = qobject_cast<frmBrowse *>(top)) {
            look(browse, QStringLiteral("browse"));
            browse->records->views->cmdThumbnails->click();
            look(browse, QStringLiteral("browse-grid"));
            const QHeaderView *header = browse->records->lvw->horizontalHeader();
            if (header->length() < header->width() - 1)
                problems << QStringLiteral("browse-grid: header %1 of %2 pixels").arg(header->length()).arg(header->width());
            browse->close();
        }
    main->mnu_Find->trigger();
    look(main->findWindow(), QStringLiteral("find"));
    main->findWindow()->close();
    main->mnu_RecycleBin->trigger();
    look(main->recycleBinWindow(), QStringLiteral("recycle-bin"));
    main->recycleBinWindow()->close();
    main->mnu_Check->trigger();
    look(main->checkWindow(), QStringLiteral("check"));
    for (const QString &problem : problems)
        fprintf(stderr, "%s\n", qPrintable(problem));
    return int(problems.size());
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const bool onDesktop = argc > 1 && QByteArray(argv[1]) == "--desktop";
    const QString out = argc > 1 + int(onDesktop) ? QString::fromLocal8Bit(argv[1 + int(onDesktop)]) : QStringLiteral(".");
    QTemporaryDir dir;
    SetAppPathOverride(dir.path());
    qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.filePath(QStringLiteral("cache"))));
    CatalogueSchema::create(dir.filePath(QStringLiteral("Data.mdb")));
    const QString pics = dir.filePath(QStringLiteral("旅行照片"));
    QDir().mkpath(pics);
    samplePicture(pics + QStringLiteral("/海边.png"), QColor(30, 120, 200), QSize(1600, 900));
    samplePicture(pics + QStringLiteral("/山顶.jpg"), QColor(40, 160, 60), QSize(600, 900));
    samplePicture(pics + QStringLiteral("/family.bmp"), QColor(200, 90, 40), QSize(300, 300));
    samplePicture(pics + QStringLiteral("/夕阳下的长城远景全景照片.jpg"), QColor(220, 120, 30), QSize(4000, 1500));
    samplePicture(pics + QStringLiteral("/花园.png"), QColor(170, 60, 150), QSize(800, 800));
    samplePicture(pics + QStringLiteral("/雪山.jpg"), QColor(120, 140, 200), QSize(1200, 900));
    QFile notes(pics + QStringLiteral("/行程.txt"));
    notes.open(QIODevice::WriteOnly);
    notes.write("day 1");
    notes.close();
    if (onDesktop) {
        // Window places of its own: nothing saved by an earlier run moves them.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
        return desktop(out, pics);
    }

    auto *main = new mdiFrm;
    main->resize(1024, 700);
    main->show();
    main->mnu_AddImage->trigger();
    auto *importWindow = qobject_cast<frmFile *>(main->mdiArea()->subWindowList().last()->widget());
    importWindow->setFolder(pics);
    importWindow->lblRight_Click();
    save(main, out + QStringLiteral("/main-import.png"));
    {
        // The status line while the search index of a big catalogue is built.
        std::atomic_bool stop{false};
        const std::uint64_t build = SearchIndexBuild::started(&stop);
        SearchIndexBuild::progressed(build, 420);
        main->searchIndexBar->refresh();
        save(main, out + QStringLiteral("/main-search-index.png"));
        SearchIndexBuild::ended(build);
        main->searchIndexBar->refresh();
    }

    for (const QString &name : QDir(pics).entryList(QDir::Files))
        ImportEngine::ImportFile(pics + QLatin1Char('/') + name, 3);
    main->mnu_BroImage->trigger();
    frmBrowse *browse = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (auto *b = qobject_cast<frmBrowse *>(top))
            browse = b;
    browse->List->setCurrentRow(0);
    browse->List_Click();
    save(browse, out + QStringLiteral("/browse.png"));
    waitForThumbnails(browse->records);
    save(browse, out + QStringLiteral("/browse-icons.png"));
    browse->records->selectRow(1);
    browse->resize(960, 460);
    browse->records->views->cmdThumbnails->click();
    waitForThumbnails(browse->records);
    save(browse, out + QStringLiteral("/browse-thumbnails.png"));
    browse->records->views->cmdDetails->click();

    main->mnu_Find->trigger();
    auto *find = static_cast<frmFind *>(main->findWindow());
    find->txtContent->setText(QStringLiteral("海"));
    find->cmdFind_Click();
    waitForThumbnails(find->records);
    save(find, out + QStringLiteral("/find.png"));
    find->ComCondition->setEditText(QStringLiteral("时间"));
    save(find, out + QStringLiteral("/find-date.png"));

    frmtblAttachmentEdit editor;
    editor.strWhere = QStringLiteral(" SaveFileName='") + browse->records->model()->row(0).storedName + QLatin1Char('\'');
    editor.Form_Activate();
    editor.show();
    save(&editor, out + QStringLiteral("/editor.png"));

    frmPlay viewer;
    viewer.strFile = AttachmentPath() + browse->records->model()->row(browse->records->model()->rowCount() - 1).storedName;
    viewer.show(); // showing loads the picture
    save(&viewer, out + QStringLiteral("/viewer.png"));

    // Two records in the recycle bin, as "删除" leaves them.
    for (int i = 0; i < 2; ++i) {
        const QString where =
            QStringLiteral("SaveFileName='") + browse->records->model()->row(i).storedName + QLatin1Char('\'');
        WriteTransaction tx(*CurrentDb().engine());
        const auto moves = RecycleBin::bin(where, true);
        CurrentDb().OpenRecordset(QStringLiteral("Delete * From tblAttachment Where ") + where);
        tx.commit();
        RecycleBin::moveCopies(moves);
    }
    main->mnu_RecycleBin->trigger();
    save(main->recycleBinWindow(), out + QStringLiteral("/recycle-bin.png"));

    main->mnu_Setting->trigger();
    save(main->settingWindow(), out + QStringLiteral("/settings.png"));
    main->mnu_About->trigger();
    save(main->aboutWindow(), out + QStringLiteral("/about.png"));

    // The check, over a catalogue with a lost copy, a stray file and an import's leftover.
    QFile::remove(AttachmentPath() + browse->records->model()->row(0).storedName);
    const QDateTime twoHoursAgo = QDateTime::currentDateTime().addSecs(-7200);
    for (const QString &name : {QStringLiteral("20190302101500325.jpg"), QStringLiteral("报告草稿.docx"),
                                AtomicCopy::temporaryPrefix() + QStringLiteral("k3Xz9Q")}) {
        QFile stray(AttachmentPath() + name);
        stray.open(QIODevice::WriteOnly);
        stray.write(QByteArray(4096, 'x'));
        stray.flush();
        stray.setFileTime(twoHoursAgo, QFileDevice::FileModificationTime);
    }
    main->mnu_Check->trigger();
    auto *check = static_cast<frmCheck *>(main->checkWindow());
    check->chkHash->setChecked(true);
    check->cmdStart->click();
    while (check->running()) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
    check->tabFindings->setCurrentIndex(CheckReport::Orphan);
    save(check, out + QStringLiteral("/check.png"));
    check->tabFindings->setCurrentIndex(CheckReport::Missing);
    save(check, out + QStringLiteral("/check-records.png"));
    return 0;
}
