#include "app/mdiFrm.h"

#include "app/SearchIndexBar.h"
#include "app/WindowPlacement.h"
#include "app/frmAbout.h"
#include "app/frmCheck.h"
#include "app/frmSetting.h"
#include "browse/frmBrowse.h"
#include "browse/frmFind.h"
#include "browse/frmRecycleBin.h"
#include "import/frmFile.h"
#include "store/AppError.h"
#include "store/DialogOwner.h"
#include "store/Dialogs.h"
#include "store/IniFile.h"
#include "store/Services.h"
#include "store/clsCurrentDb.h"
#include "ui/SharedState.h"
#include "ui/WindowServices.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QShortcut>

namespace {
mdiFrm *g_main = nullptr;
const QString kPlaceKey = QStringLiteral("mainWindow/geometry");
} // namespace

mdiFrm *mdiFrm::instance()
{
    return g_main;
}

QList<QPair<QString, QString>> mdiFrm::defaultFilters()
{
    return {
        // Each starts with the program's first defaults, in their order, so nothing a user of
        // the old program saw goes away; today's common formats follow.
        {QStringLiteral("txtImage"),
         QStringLiteral("*.bmp;*.ico;*.gif;*.jpg;*.png;*.jpeg;*.tif;*.tiff;*.webp;*.heic;*.svg")},
        {QStringLiteral("txtMedia"),
         QStringLiteral(
             "*.exe;*.swf;*.dat;*.avi;*.mpeg;*.rm;*.rmvb;*.3gp;*.mp4;*.mkv;*.mov;*.wmv;*.flv;*.webm;*.mpg;*.m4v")},
        {QStringLiteral("txtOffice"),
         QStringLiteral("*.doc;*.xls;*.ppt;*.mdb;*.docx;*.xlsx;*.pptx;*.pdf;*.odt;*.ods;*.odp;*.rtf;*.wps")},
        {QStringLiteral("txtSound"), QStringLiteral("*.Mdi;*.mp3;*.mav;*.wav;*.mid;*.flac;*.ogg;*.m4a;*.aac")},
        {QStringLiteral("txtText"), QStringLiteral("*.txt;*.log;*.md;*.csv;*.xml;*.json;*.ini;*.htm;*.html")},
    };
}

void mdiFrm::SeedConfiguration()
{
    const IniFile ini(IniFile::defaultPath());
    if (ini.unreadable()) {
        // Told once, at start; the file is never rewritten, so nothing in it is lost.
        ShowMsg(QStringLiteral("配置文件 %1 无法读取,程序不会改写它.请检查该文件的权限.")
                    .arg(QDir::toNativeSeparators(IniFile::defaultPath())),
                Msg::OkOnly | Msg::Information);
        return;
    }
    if (!ReadIni(QStringLiteral("txtText")).isEmpty())
        return;
    try {
        for (const auto &entry : defaultFilters())
            WriteIni(entry.first + QLatin1Char(' '), entry.second);
    } catch (const AppError &) {
        // A read-only installation: the defaults stay unwritten, and no message greets the
        // user at every start.
    }
}

namespace {
// The single instance of a window: made on first use and after it was closed.
template <class Window> void showSingle(QPointer<QWidget> &slot)
{
    if (!slot) {
        slot = new Window;
        WindowPlacement::fitToScreen(slot);
    }
    slot->show();
    slot->raise();
    slot->activateWindow();
}
} // namespace

mdiFrm::mdiFrm(QWidget *parent) : QMainWindow(parent)
{
    g_main = this;
    setObjectName(QStringLiteral("mdiFrm"));
    setWindowTitle(AppTitle());
    setAttribute(Qt::WA_DeleteOnClose);
    WindowPlacement::restore(this, kPlaceKey, QSize(1024, 720));

    area_ = new QMdiArea(this);
    area_->setObjectName(QStringLiteral("mdiArea"));
    area_->setBackground(QColor(239, 239, 239));
    setCentralWidget(area_);
    SetMainWindowArea(area_);

    QMenuBar *bar = menuBar();
    auto topMenu = [bar](const char *name, const QString &caption) {
        QMenu *menu = bar->addMenu(caption);
        menu->setObjectName(QLatin1String(name));
        menu->menuAction()->setObjectName(QLatin1String(name));
        return menu;
    };

    mnu_SysTem = topMenu("mnu_SysTem", QStringLiteral("系统设置(&F)"));
    mnu_Setting = addEntry(mnu_SysTem, "mnu_Setting", QStringLiteral("系统设置(&S)"));
    mnu_LoginAgain = addEntry(mnu_SysTem, "mnu_LoginAgain", QStringLiteral("重新登陆(&R)"));
    mnu_Exit = addEntry(mnu_SysTem, "mnu_Exit", QStringLiteral("退出系统(&X)"));

    mnuAdd = topMenu("mnuAdd", QStringLiteral("导入文件(&A)"));
    mnu_AddFolder = addEntry(mnuAdd, "mnu_AddFolder", QStringLiteral("导入文件夹(&M)..."));
    mnu_bar = addEntry(mnuAdd, "mnu_bar", QStringLiteral("___文件__________"));
    mnu_AddText = addEntry(mnuAdd, "mnu_AddText", QStringLiteral("导入文本(&A)"), QKeySequence(QStringLiteral("Ctrl+D")));
    mnu_AddImage = addEntry(mnuAdd, "mnu_AddImage", QStringLiteral("导入图片(&L)"), QKeySequence(QStringLiteral("Ctrl+E")));
    mnu_AddMedia =
        addEntry(mnuAdd, "mnu_AddMedia", QStringLiteral("导入动画,视频(&C)"), QKeySequence(QStringLiteral("Ctrl+G")));
    mnu_AddSound = addEntry(mnuAdd, "mnu_AddSound", QStringLiteral("导入音频(&E)"), QKeySequence(QStringLiteral("Ctrl+H")));
    mnu_AddOffice =
        addEntry(mnuAdd, "mnu_AddOffice", QStringLiteral("导入Office软件(&O)"), QKeySequence(QStringLiteral("Ctrl+R")));

    mnubrowse = topMenu("mnubrowse", QStringLiteral("浏览文件(&B)"));
    mnu_BroFolder = addEntry(mnubrowse, "mnu_BroFolder", QStringLiteral("浏览文件夹(&M)"));
    mnubar1 = addEntry(mnubrowse, "mnubar1", QStringLiteral("___文件__________"));
    mnu_BroText = addEntry(mnubrowse, "mnu_BroText", QStringLiteral("浏览文本(&A)"), QKeySequence(QStringLiteral("Ctrl+J")));
    mnu_BroImage =
        addEntry(mnubrowse, "mnu_BroImage", QStringLiteral("浏览图片(&L)"), QKeySequence(QStringLiteral("Ctrl+K")));
    mnu_BroMedia =
        addEntry(mnubrowse, "mnu_BroMedia", QStringLiteral("浏览动画,视频(&C)"), QKeySequence(QStringLiteral("Ctrl+L")));
    mnu_BroSound =
        addEntry(mnubrowse, "mnu_BroSound", QStringLiteral("浏览音频(&E)"), QKeySequence(QStringLiteral("Ctrl+M")));
    mnu_BroOffice =
        addEntry(mnubrowse, "mnu_BroOffice", QStringLiteral("浏览Office软件(&O)"), QKeySequence(QStringLiteral("Ctrl+N")));

    mnu_FindData = topMenu("mnu_FindData", QStringLiteral("文件操作(&F)"));
    mnu_Find = addEntry(mnu_FindData, "mnu_Find", QStringLiteral("文件查找(&C)"));
    mnu_RecycleBin = addEntry(mnu_FindData, "mnu_RecycleBin", QStringLiteral("回收站"));
    mnu_Check = addEntry(mnu_FindData, "mnu_Check", QStringLiteral("检查目录"));

    mnu_About = bar->addAction(QStringLiteral("关于"));
    mnu_About->setObjectName(QStringLiteral("mnu_About"));

    searchIndexBar = new SearchIndexBar(statusBar());

    connect(mnu_Setting, &QAction::triggered, this, &mdiFrm::showSetting);
    connect(mnu_LoginAgain, &QAction::triggered, this, &mdiFrm::restart);
    connect(mnu_Exit, &QAction::triggered, this, &mdiFrm::exitProgram);
    connect(mnu_AddFolder, &QAction::triggered, this, [this] {
        gFilter = QStringLiteral("*.*");
        gCaption = QStringLiteral("导入文件夹");
        gKind = 1;
        showImportWindow();
    });
    connect(mnu_AddText, &QAction::triggered, this,
            [this] { importCommand(QStringLiteral("txtText"), QStringLiteral("导入文本"), 2); });
    connect(mnu_AddImage, &QAction::triggered, this,
            [this] { importCommand(QStringLiteral("txtImage"), QStringLiteral("导入图片"), 3); });
    connect(mnu_AddMedia, &QAction::triggered, this,
            [this] { importCommand(QStringLiteral("txtMedia"), QStringLiteral("导入动画,视频"), 4); });
    connect(mnu_AddSound, &QAction::triggered, this,
            [this] { importCommand(QStringLiteral("txtSound"), QStringLiteral("导入音频文件"), 5); });
    connect(mnu_AddOffice, &QAction::triggered, this,
            [this] { importCommand(QStringLiteral("txtOffice"), QStringLiteral("导入Office软件"), 6); });
    connect(mnu_BroFolder, &QAction::triggered, this, [this] { browseCommand(QStringLiteral("浏览文件夹"), 1); });
    connect(mnu_BroText, &QAction::triggered, this, [this] { browseCommand(QStringLiteral("浏览文本"), 2); });
    connect(mnu_BroImage, &QAction::triggered, this, [this] { browseCommand(QStringLiteral("浏览图片"), 3); });
    connect(mnu_BroMedia, &QAction::triggered, this, [this] { browseCommand(QStringLiteral("浏览动画,视频"), 4); });
    connect(mnu_BroSound, &QAction::triggered, this, [this] { browseCommand(QStringLiteral("浏览音频文件"), 5); });
    connect(mnu_BroOffice, &QAction::triggered, this, [this] { browseCommand(QStringLiteral("浏览Office软件"), 6); });
    connect(mnu_Find, &QAction::triggered, this, &mdiFrm::showFind);
    connect(mnu_RecycleBin, &QAction::triggered, this, &mdiFrm::showRecycleBin);
    connect(mnu_Check, &QAction::triggered, this, [this] { showSingle<frmCheck>(check_); });
    connect(mnu_About, &QAction::triggered, this, &mdiFrm::showAbout);
    // Ctrl+F brings up the search window from any window of the program.
    auto *findKey = new QShortcut(QKeySequence::Find, this, this, &mdiFrm::showFind, Qt::ApplicationShortcut);
    findKey->setObjectName(QStringLiteral("findShortcut"));

    {
        DialogOwner owner(this);
        SeedConfiguration();
    }
}

mdiFrm::~mdiFrm()
{
    if (g_main == this)
        g_main = nullptr;
}

QAction *mdiFrm::addEntry(QMenu *menu, const char *name, const QString &caption, const QKeySequence &shortcut)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        // Shortcuts work from anywhere in the main window, the import windows included.
        action->setShortcutContext(Qt::WindowShortcut);
    }
    return action;
}

void mdiFrm::importCommand(const QString &filterKey, const QString &caption, int kind)
{
    gFilter = ReadIni(filterKey);
    gCaption = caption;
    gKind = kind;
    showImportWindow();
}

void mdiFrm::browseCommand(const QString &caption, int kind)
{
    gCaption = caption;
    gKind = kind;
    showBrowseWindow();
}

void mdiFrm::restart()
{
    WindowPlacement::save(this, kPlaceKey);
    ClearSharedState();
    const QString program = QApplication::applicationFilePath();
    if (!dialogs().startProgram(program)) {
        ShowMsg(QStringLiteral("无法重新启动程序 %1").arg(program), Msg::Information);
        return;
    }
    dialogs().exitProcess(0);
}

void mdiFrm::exitProgram()
{
    WindowPlacement::save(this, kPlaceKey);
    ClearSharedState();
    dialogs().exitProcess(0);
}

void mdiFrm::closeEvent(QCloseEvent *event)
{
    WindowPlacement::save(this, kPlaceKey);
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w != this && w->isVisible())
            w->close();
    }
    clsCurrentDb::release();
    event->accept();
}

void mdiFrm::showImportWindow()
{
    auto *window = new frmFile;
    area_->addSubWindow(window)->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}
void mdiFrm::showBrowseWindow()
{
    auto *window = new frmBrowse;
    // Files dropped onto the window are taken as its kind's import takes them.
    static const QStringList keys = {QString(),
                                     QStringLiteral("txtText"),
                                     QStringLiteral("txtImage"),
                                     QStringLiteral("txtMedia"),
                                     QStringLiteral("txtSound"),
                                     QStringLiteral("txtOffice")};
    const int kind = window->kind();
    if (kind >= 2 && kind <= 6)
        window->setDropFilter(ReadIni(keys.at(kind - 1)));
    WindowPlacement::fitToScreen(window);
    window->show();
}

void mdiFrm::showFind()
{
    showSingle<frmFind>(find_);
    auto *find = static_cast<frmFind *>(find_.data());
    find->txtContent->setFocus();
    find->txtContent->selectAll();
}

void mdiFrm::showRecycleBin()
{
    const bool shown = bin_;
    showSingle<frmRecycleBin>(bin_);
    // A window already open shows what the bin holds now.
    if (shown)
        ReportErrors(bin_, [this] { static_cast<frmRecycleBin *>(bin_.data())->Refresh(); });
}

void mdiFrm::showSetting()
{
    showSingle<frmSetting>(setting_);
}

void mdiFrm::showAbout()
{
    showSingle<frmAbout>(about_);
}
