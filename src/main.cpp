#include "app/AppStart.h"
#include "app/frmLogo.h"
#include "app/mdiFrm.h"
#include "store/HeapTuning.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    HeapTuning::apply();
    QApplication app(argc, argv);
    AppStart::prepare();
    auto *logo = new frmLogo;
    QObject::connect(logo, &frmLogo::finished, [] { (new mdiFrm)->show(); });
    logo->show();
    return app.exec();
}
