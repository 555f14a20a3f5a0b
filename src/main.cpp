#include "app/frmLogo.h"
#include "app/mdiFrm.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("mediacatalog"));
    auto *logo = new frmLogo;
    QObject::connect(logo, &frmLogo::finished, [] { (new mdiFrm)->show(); });
    logo->show();
    return app.exec();
}
