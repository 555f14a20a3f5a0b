// Lays out the program's windows on a sample catalogue and saves each as a PNG, so
// anyone can look at them: screens OUTDIR
#include "app/SharedState.h"
#include "app/mdiFrm.h"
#include "import/ImportEngine.h"
#include "browse/RecordList.h"
#include "browse/frmBrowse.h"
#include "browse/frmFind.h"
#include "import/frmFile.h"
#include "import/frmPlay.h"
#include "import/frmtblAttachmentEdit.h"
#include "store/DatabaseLocator.h"
#include "store/CatalogueSchema.h"
#include "store/Services.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTableView>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>

namespace {
void save(QWidget *w, const QString &path)
{
    QApplication::processEvents();
    w->grab().save(path);
}

QString samplePicture(const QString &path, const QColor &colour, QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(colour);
    QPainter p(&img);
    p.setPen(Qt::white);
    p.drawEllipse(img.rect().adjusted(10, 10, -10, -10));
    p.end();
    img.save(path);
    return path;
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QTemporaryDir dir;
    SetAppPathOverride(dir.path());
    CatalogueSchema::create(dir.filePath(QStringLiteral("Data.mdb")));
    const QString pics = dir.filePath(QStringLiteral("旅行照片"));
    QDir().mkpath(pics);
    samplePicture(pics + QStringLiteral("/海边.png"), QColor(30, 120, 200), QSize(1600, 900));
    samplePicture(pics + QStringLiteral("/山顶.jpg"), QColor(40, 160, 60), QSize(600, 900));
    samplePicture(pics + QStringLiteral("/family.bmp"), QColor(200, 90, 40), QSize(300, 300));

    auto *main = new mdiFrm;
    main->resize(1024, 700);
    main->show();
    main->mnu_AddImage->trigger();
    auto *importWindow = qobject_cast<frmFile *>(main->mdiArea()->subWindowList().last()->widget());
    importWindow->setFolder(pics);
    importWindow->lblRight_Click();
    save(main, out + QStringLiteral("/main-import.png"));

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

    main->mnu_Find->trigger();
    auto *find = static_cast<frmFind *>(main->findWindow());
    find->txtContent->setText(QStringLiteral("海"));
    find->cmdFind_Click();
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
    viewer.show();
    viewer.Form_Activate();
    save(&viewer, out + QStringLiteral("/viewer.png"));

    main->mnu_Setting->trigger();
    save(main->settingWindow(), out + QStringLiteral("/settings.png"));
    main->mnu_About->trigger();
    save(main->aboutWindow(), out + QStringLiteral("/about.png"));
    return 0;
}
