// Lays out the program's windows on a sample catalogue and saves each as a PNG, so
// anyone can look at them: screens OUTDIR
#include "app/SharedState.h"
#include "app/mdiFrm.h"
#include "import/ImportEngine.h"
#include "import/frmFile.h"
#include "store/CatalogueSchema.h"
#include "store/Services.h"

#include <QAction>
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
    return 0;
}
